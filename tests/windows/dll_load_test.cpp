// The DLL as a Windows host meets it: loaded at run time from beside the
// program, every export found by its plain name and nothing else, usable
// from a thread it never saw attach, unloaded without freeing what it handed
// out, and its version record.
#include <malloc.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ravuna_motion_serializer.h"

namespace {

std::wstring LibraryPath() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
  return path.erase(path.find_last_of(L"\\/") + 1) + L"ravuna_motion_serializer.dll";
}

TEST(LoadedDll, ExportsPlainNamesAndFreesNothingOnUnload) {
  for (int round = 0; round < 3; ++round) {
    HMODULE library = LoadLibraryW(LibraryPath().c_str());
    ASSERT_NE(library, nullptr) << "LoadLibrary failed, error " << GetLastError();
    for (const char* hidden :
         {"DllMain", "DllMain@12", "_ZN19ravuna_motion_format16MotionSerializer8InstanceEv"}) {
      EXPECT_EQ(GetProcAddress(library, hidden), nullptr) << hidden;
    }
    using Plain = void (*)();  // the detour keeps GCC from warning about the cast
    const auto toBytes = reinterpret_cast<decltype(&ConvertSensorDataToBytes)>(
        reinterpret_cast<Plain>(GetProcAddress(library, "ConvertSensorDataToBytes")));
    const auto isSensor = reinterpret_cast<decltype(&IsSensorDataBytes)>(
        reinterpret_cast<Plain>(GetProcAddress(library, "IsSensorDataBytes")));
    ASSERT_TRUE(toBytes != nullptr && isSensor != nullptr);
    int size = 0;
    unsigned char* buffer = nullptr;
    ASSERT_TRUE(toBytes("1.2.3.4", 1U, 0.0, "", "", 0, 0, 0, 0, 0, 0, 0, 0, &size, &buffer));
    bool answer = false;
    std::thread([&] { answer = isSensor(size, buffer); }).join();
    EXPECT_TRUE(answer && size == 165);
    const std::vector<unsigned char> before(buffer, buffer + size);
    ASSERT_TRUE(FreeLibrary(library));
    EXPECT_EQ(GetModuleHandleW(L"ravuna_motion_serializer.dll"), nullptr)
        << "the DLL stayed loaded";
    // The last hand-out is still a live block of the C runtime's heap.
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
