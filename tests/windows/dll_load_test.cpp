// The DLL as a Windows host meets it: loaded at run time with LoadLibrary
// from beside the program, every export found by its plain name, a round trip
// through the function pointers, unloading and the version record.
#include <malloc.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "ravuna_motion_serializer.h"

namespace {

constexpr const wchar_t* kLibraryName = L"ravuna_motion_serializer.dll";

std::wstring LibraryPath() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
  return path.erase(path.find_last_of(L"\\/") + 1) + kLibraryName;
}

// The detour through a plain function pointer type keeps GCC from warning
// about the cast from FARPROC.
template <class Function>
Function* Resolve(HMODULE library, const char* name) {
  using Plain = void (*)();
  return reinterpret_cast<Function*>(reinterpret_cast<Plain>(GetProcAddress(library, name)));
}

TEST(LoadedDll, ExportsPlainNamesOnlyAndRoundTripsAFrame) {
  HMODULE library = LoadLibraryW(LibraryPath().c_str());
  ASSERT_NE(library, nullptr) << "LoadLibrary failed, error " << GetLastError();
  for (const char* hidden :
       {"DllMain", "DllMain@12", "_ZN19ravuna_motion_format16MotionSerializer8InstanceEv"}) {
    EXPECT_EQ(GetProcAddress(library, hidden), nullptr) << hidden;
  }
  auto* toBytes = Resolve<decltype(ConvertFrameDataToBytes)>(library, "ConvertFrameDataToBytes");
  auto* fromBytes = Resolve<decltype(ConvertBytesToFrameData)>(library, "ConvertBytesToFrameData");
  auto* isFrame = Resolve<decltype(IsFrameDataBytes)>(library, "IsFrameDataBytes");
  ASSERT_TRUE(toBytes && fromBytes && isFrame);
  const int ids[2] = {-32768, 32767};
  const float t[2] = {-0.0F, 1.0e-40F};
  int size = 0;
  unsigned char* buffer = nullptr;
  ASSERT_TRUE(toBytes("192.168.0.1", 7000, -12345, 0.5F, 1.0e300, 10, 20, 30, 40, 50, true, 2, ids,
                      t, t, t, t, t, t, t, &size, &buffer));
  EXPECT_EQ(size, 147 + 54 * 2);
  bool threadAnswer = false;  // a thread the DLL never saw attach
  std::thread([&] { threadAnswer = isFrame(size, buffer); }).join();
  EXPECT_TRUE(threadAnswer);
  std::uint64_t ip = 0;
  std::uint32_t port = 0;
  int frame = 0, count = 0;
  float time = 0;
  double uttm = 0;
  std::array<unsigned char, 5> tc{};
  bool flag = false;
  int* outIds = nullptr;
  std::array<float*, 7> o{};
  ASSERT_TRUE(fromBytes(size, buffer, &ip, &port, &frame, &time, &uttm, &tc[0], &tc[1], &tc[2],
                        &tc[3], &tc[4], &flag, &count, &outIds, &o[0], &o[1], &o[2], &o[3], &o[4],
                        &o[5], &o[6]));
  EXPECT_TRUE(ip == 192168000001ULL && port == 7000 && frame == -12345 && time == 0.5F &&
              uttm == 1.0e300);
  EXPECT_TRUE(tc == (std::array<unsigned char, 5>{10, 20, 30, 40, 50}) && flag && count == 2);
  EXPECT_TRUE(outIds[0] == -32768 && outIds[1] == 32767 && std::signbit(o[6][0]) &&
              o[3][1] == 1.0e-40F);
  EXPECT_TRUE(FreeLibrary(library));
}

// Unloading frees nothing: the last document handed out stays a live block of
// the C runtime's heap, which the DLL's operator new draws from.
TEST(LoadedDll, UnloadFreesNothingAndReloadWorks) {
  for (int round = 0; round < 3; ++round) {
    HMODULE library = LoadLibraryW(LibraryPath().c_str());
    ASSERT_NE(library, nullptr) << "round " << round;
    auto* toBytes =
        Resolve<decltype(ConvertSensorDataToBytes)>(library, "ConvertSensorDataToBytes");
    ASSERT_NE(toBytes, nullptr);
    int size = 0;
    unsigned char* buffer = nullptr;
    ASSERT_TRUE(toBytes("1.2.3.4", 1U, 0.0, "", "", 0, 0, 0, 0, 0, 0, 0, 0, &size, &buffer));
    const std::vector<unsigned char> before(buffer, buffer + size);
    ASSERT_TRUE(FreeLibrary(library));
    EXPECT_EQ(GetModuleHandleW(kLibraryName), nullptr) << "the DLL stayed loaded";
    EXPECT_TRUE(HeapValidate(reinterpret_cast<HANDLE>(_get_heap_handle()), 0, buffer));
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + size), before);
  }
}

TEST(LoadedDll, VersionRecordIs1300) {
  const std::wstring path = LibraryPath();
  DWORD ignored = 0;
  std::vector<char> record(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  ASSERT_FALSE(record.empty()) << "no version record";
  ASSERT_TRUE(
      GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(record.size()), record.data()));
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", &value, &length));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_TRUE(fixed->dwFileVersionMS == 0x10003 && fixed->dwFileVersionLS == 0 &&
              fixed->dwProductVersionMS == 0x10003 && fixed->dwFileType == VFT_DLL);
  ASSERT_TRUE(
      VerQueryValueW(record.data(), L"\\StringFileInfo\\040904B0\\FileVersion", &value, &length));
  EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(value)), L"1.3.0.0");
}

}  // namespace
