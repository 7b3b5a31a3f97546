// The DLL as a Windows host meets it: loaded at run time with LoadLibrary,
// every export looked up by its plain name, the version record read back,
// and one round trip of each document kind through the function pointers.
// This program does not link the import library.
#include <malloc.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ravuna_motion_serializer.h"

namespace {

constexpr const wchar_t* kLibraryName = L"ravuna_motion_serializer.dll";

constexpr std::array<const char*, 13> kExportNames = {"ConvertSkeletonDefinitionToBytes",
                                                      "ConvertBytesToSkeletonDefinition",
                                                      "ConvertFrameDataToBytes",
                                                      "ConvertBytesToFrameData",
                                                      "ConvertSensorDataToBytes",
                                                      "ConvertBytesToSensorData",
                                                      "ReleaseSensorDataText",
                                                      "IsRmfBytes",
                                                      "IsSkeletonDefinitionBytes",
                                                      "IsFrameDataBytes",
                                                      "IsSensorDataBytes",
                                                      "JudgeDocumentBytes",
                                                      "DescribeDocumentVerdict"};

// The DLL lies beside this program, as hosts ship it.
std::wstring LibraryPathBesideProgram() {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
  path.resize(length);
  path.erase(path.find_last_of(L"\\/") + 1);
  return path + kLibraryName;
}

// Looks up an export and gives it the header's type; null when missing.
// The detour through a plain function pointer type keeps GCC from warning
// about the cast from FARPROC.
template <class Function>
Function* Resolve(HMODULE library, const char* name) {
  using PlainFunction = void (*)();
  return reinterpret_cast<Function*>(
      reinterpret_cast<PlainFunction>(GetProcAddress(library, name)));
}

class LoadedLibrary : public testing::Test {
 protected:
  void SetUp() override {
    library_ = LoadLibraryW(LibraryPathBesideProgram().c_str());
    ASSERT_NE(library_, nullptr) << "LoadLibrary failed, error " << GetLastError();
  }
  void TearDown() override {
    if (library_ != nullptr) {
      EXPECT_TRUE(FreeLibrary(library_));
    }
  }

  template <class Function>
  Function* Get(const char* name) {
    Function* function = Resolve<Function>(library_, name);
    EXPECT_NE(function, nullptr) << name;
    return function;
  }

  HMODULE library_ = nullptr;
};

std::uint32_t FloatBits(float value) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

std::uint64_t DoubleBits(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

float FloatFromBits(std::uint32_t bits) {
  float value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Seven transform components for two bones, including a negative zero and a
// NaN with a payload, which must come back bit for bit.
std::array<std::vector<float>, 7> TwoBoneTransforms() {
  return {{{1.0F, -0.0F},
           {0.5F, FloatFromBits(0x7FC01234U)},
           {-2.25F, 3.0e-38F},
           {1.0e30F, -1.0F},
           {4.0F, 5.5F},
           {-6.0F, 7.75F},
           {8.0F, -9.125F}}};
}

void ExpectSameBits(const std::vector<float>& expected, const float* actual) {
  ASSERT_NE(actual, nullptr);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(FloatBits(actual[i]), FloatBits(expected[i])) << "element " << i;
  }
}

using Detector = decltype(IsRmfBytes);

// The four detection answers for one document, in the order: any document,
// skeleton definition, frame data, sensor data.
std::array<bool, 4> DetectAll(HMODULE library, int size, const unsigned char* bytes) {
  std::array<bool, 4> answers{};
  const std::array<const char*, 4> names = {"IsRmfBytes", "IsSkeletonDefinitionBytes",
                                            "IsFrameDataBytes", "IsSensorDataBytes"};
  for (std::size_t k = 0; k < names.size(); ++k) {
    Detector* detect = Resolve<Detector>(library, names[k]);
    answers[k] = detect != nullptr && detect(size, bytes);
  }
  return answers;
}

TEST_F(LoadedLibrary, LoadsTheDllBesideTheProgram) {
  std::wstring loadedPath(MAX_PATH, L'\0');
  loadedPath.resize(GetModuleFileNameW(library_, loadedPath.data(), MAX_PATH));
  EXPECT_EQ(loadedPath, LibraryPathBesideProgram());
}

TEST_F(LoadedLibrary, EveryExportResolvesByItsPlainName) {
  for (const char* name : kExportNames) {
    EXPECT_NE(GetProcAddress(library_, name), nullptr) << name;
  }
  // Internal C++ code and the load hook stay hidden.
  for (const char* hidden :
       {"DllMain", "DllMain@12", "_ZN19ravuna_motion_format16MotionSerializer8InstanceEv"}) {
    EXPECT_EQ(GetProcAddress(library_, hidden), nullptr) << hidden;
  }
}

TEST_F(LoadedLibrary, SkeletonDefinitionRoundTrip) {
  auto* toBytes =
      Get<decltype(ConvertSkeletonDefinitionToBytes)>("ConvertSkeletonDefinitionToBytes");
  auto* fromBytes =
      Get<decltype(ConvertBytesToSkeletonDefinition)>("ConvertBytesToSkeletonDefinition");
  ASSERT_TRUE(toBytes != nullptr && fromBytes != nullptr);

  const std::vector<int> ids = {7, 70000};
  const std::vector<int> parents = {-1, 7};
  const auto t = TwoBoneTransforms();
  int size = 0;
  unsigned char* buffer = nullptr;
  ASSERT_TRUE(toBytes("10.20.30.40", 65536U + 9000U, 2, ids.data(), parents.data(), t[0].data(),
                      t[1].data(), t[2].data(), t[3].data(), t[4].data(), t[5].data(), t[6].data(),
                      &size, &buffer));
  EXPECT_EQ(size, 93 + 64 * 2);
  EXPECT_EQ(DetectAll(library_, size, buffer), (std::array<bool, 4>{true, true, false, false}));

  std::uint64_t ip = 0;
  std::uint32_t port = 0;
  int count = 0;
  int* outIds = nullptr;
  int* outParents = nullptr;
  std::array<float*, 7> out{};
  ASSERT_TRUE(fromBytes(size, buffer, &ip, &port, &count, &outIds, &outParents, &out[0], &out[1],
                        &out[2], &out[3], &out[4], &out[5], &out[6]));
  EXPECT_EQ(ip, 10020030040ULL);
  EXPECT_EQ(port, 9000U);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(outIds[0], 7);
  EXPECT_EQ(outIds[1], 4464);  // 70000 keeps its low 16 bits
  EXPECT_EQ(outParents[0], -1);
  EXPECT_EQ(outParents[1], 7);
  for (std::size_t k = 0; k < t.size(); ++k) {
    ExpectSameBits(t[k], out[k]);
  }
}

TEST_F(LoadedLibrary, FrameDataRoundTrip) {
  auto* toBytes = Get<decltype(ConvertFrameDataToBytes)>("ConvertFrameDataToBytes");
  auto* fromBytes = Get<decltype(ConvertBytesToFrameData)>("ConvertBytesToFrameData");
  ASSERT_TRUE(toBytes != nullptr && fromBytes != nullptr);

  const std::vector<int> ids = {-32768, 32767};
  const auto t = TwoBoneTransforms();
  const double uttm = 1.0e300;
  int size = 0;
  unsigned char* buffer = nullptr;
  ASSERT_TRUE(toBytes("192.168.0.1", 7000U, -12345, -0.0F, uttm, 10, 20, 30, 40, 50, true, 2,
                      ids.data(), t[0].data(), t[1].data(), t[2].data(), t[3].data(), t[4].data(),
                      t[5].data(), t[6].data(), &size, &buffer));
  EXPECT_EQ(size, 147 + 54 * 2);
  EXPECT_EQ(DetectAll(library_, size, buffer), (std::array<bool, 4>{true, false, true, false}));

  std::uint64_t ip = 0;
  std::uint32_t port = 0;
  int frameNumber = 0;
  float time = 1.0F;
  double outUttm = 0.0;
  std::array<unsigned char, 5> timecode{};
  bool flag = false;
  int count = 0;
  int* outIds = nullptr;
  std::array<float*, 7> out{};
  ASSERT_TRUE(fromBytes(size, buffer, &ip, &port, &frameNumber, &time, &outUttm, &timecode[0],
                        &timecode[1], &timecode[2], &timecode[3], &timecode[4], &flag, &count,
                        &outIds, &out[0], &out[1], &out[2], &out[3], &out[4], &out[5], &out[6]));
  EXPECT_EQ(ip, 192168000001ULL);
  EXPECT_EQ(port, 7000U);
  EXPECT_EQ(frameNumber, -12345);
  EXPECT_EQ(FloatBits(time), FloatBits(-0.0F));
  EXPECT_EQ(DoubleBits(outUttm), DoubleBits(uttm));
  EXPECT_EQ(timecode, (std::array<unsigned char, 5>{10, 20, 30, 40, 50}));
  EXPECT_TRUE(flag);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(outIds[0], -32768);
  EXPECT_EQ(outIds[1], 32767);
  for (std::size_t k = 0; k < t.size(); ++k) {
    ExpectSameBits(t[k], out[k]);
  }
}

TEST_F(LoadedLibrary, SensorDataRoundTrip) {
  auto* toBytes = Get<decltype(ConvertSensorDataToBytes)>("ConvertSensorDataToBytes");
  auto* fromBytes = Get<decltype(ConvertBytesToSensorData)>("ConvertBytesToSensorData");
  auto* release = Get<decltype(ReleaseSensorDataText)>("ReleaseSensorDataText");
  ASSERT_TRUE(toBytes != nullptr && fromBytes != nullptr && release != nullptr);

  const std::array<float, 7> values = {0.5F, -1.5F, 2.0F, -0.0F, 1.0e-40F, 6.0F, -7.0F};
  int size = 0;
  unsigned char* buffer = nullptr;
  ASSERT_TRUE(toBytes("127.0.0.1", 12345U, -2.5, "/dev/imu0", "left wrist", -3, values[0],
                      values[1], values[2], values[3], values[4], values[5], values[6], &size,
                      &buffer));
  EXPECT_EQ(size, 165 + 9 + 10);
  EXPECT_EQ(DetectAll(library_, size, buffer), (std::array<bool, 4>{true, false, false, true}));

  std::uint64_t ip = 0;
  std::uint32_t port = 0;
  double uttm = 0.0;
  char* address = nullptr;
  char* name = nullptr;
  int jointIndex = 0;
  std::array<float, 7> out{};
  ASSERT_TRUE(fromBytes(size, buffer, &ip, &port, &uttm, &address, &name, &jointIndex, &out[0],
                        &out[1], &out[2], &out[3], &out[4], &out[5], &out[6]));
  EXPECT_EQ(ip, 127000000001ULL);
  EXPECT_EQ(port, 12345U);
  EXPECT_EQ(uttm, -2.5);
  ASSERT_NE(address, nullptr);
  ASSERT_NE(name, nullptr);
  EXPECT_STREQ(address, "/dev/imu0");
  EXPECT_STREQ(name, "left wrist");
  EXPECT_EQ(jointIndex, -3);
  for (std::size_t k = 0; k < values.size(); ++k) {
    EXPECT_EQ(FloatBits(out[k]), FloatBits(values[k])) << "value " << k;
  }
  // The texts are freed by the DLL's own heap functions, never by the host's.
  release(address);
  release(name);
  release(nullptr);
}

// True while the block is allocated in the C runtime's heap, which the DLL's
// operator new draws from; false once it has been freed.
bool IsLiveCrtBlock(const void* block) {
  return HeapValidate(reinterpret_cast<HANDLE>(_get_heap_handle()), 0, block) != FALSE;
}

TEST(DllLifetime, UnloadFreesNothingAndReloadWorks) {
  const std::wstring path = LibraryPathBesideProgram();
  const std::vector<unsigned char> noBytes(8, 0);
  for (int round = 0; round < 3; ++round) {
    HMODULE library = LoadLibraryW(path.c_str());
    ASSERT_NE(library, nullptr) << "round " << round;
    auto* toBytes =
        Resolve<decltype(ConvertSensorDataToBytes)>(library, "ConvertSensorDataToBytes");
    auto* isRmf = Resolve<Detector>(library, "IsRmfBytes");
    ASSERT_TRUE(toBytes != nullptr && isRmf != nullptr);
    int size = 0;
    unsigned char* buffer = nullptr;
    ASSERT_TRUE(toBytes("1.2.3.4", 1U, 0.0, "", "", 0, 0, 0, 0, 0, 0, 0, 0, &size, &buffer));
    ASSERT_EQ(size, 165);
    EXPECT_TRUE(isRmf(size, buffer));
    EXPECT_FALSE(isRmf(static_cast<int>(noBytes.size()), noBytes.data()));
    // Calls from a thread the DLL never saw attach still work: thread
    // notifications are switched off and no per-thread state exists.
    bool threadAnswer = false;
    std::thread caller([&] { threadAnswer = isRmf(size, buffer); });
    caller.join();
    EXPECT_TRUE(threadAnswer);

    ASSERT_TRUE(IsLiveCrtBlock(buffer));
    const std::vector<unsigned char> before(buffer, buffer + size);
    ASSERT_TRUE(FreeLibrary(library)) << "round " << round;
    EXPECT_EQ(GetModuleHandleW(kLibraryName), nullptr) << "the DLL stayed loaded";
    // The last document handed out outlives the DLL: unloading frees nothing.
    EXPECT_TRUE(IsLiveCrtBlock(buffer)) << "round " << round;
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + size), before) << "round " << round;
  }
}

// Reads one text of the version record's US English, Unicode string table.
std::wstring VersionText(const std::vector<char>& record, const wchar_t* key) {
  const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
  void* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(record.data(), query.c_str(), &text, &length) || text == nullptr) {
    return L"<missing>";
  }
  return std::wstring(static_cast<const wchar_t*>(text));
}

TEST(VersionRecord, FileAndProductVersionAre1300) {
  const std::wstring path = LibraryPathBesideProgram();
  DWORD ignored = 0;
  const DWORD recordSize = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(recordSize, 0U) << "no version record, error " << GetLastError();
  std::vector<char> record(recordSize);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, recordSize, record.data()));

  void* fixedInfo = nullptr;
  UINT fixedSize = 0;
  ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", &fixedInfo, &fixedSize));
  ASSERT_GE(fixedSize, sizeof(VS_FIXEDFILEINFO));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(fixedInfo);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDU);
  EXPECT_EQ(fixed->dwFileVersionMS, (1U << 16U) | 3U);
  EXPECT_EQ(fixed->dwFileVersionLS, 0U);
  EXPECT_EQ(fixed->dwProductVersionMS, (1U << 16U) | 3U);
  EXPECT_EQ(fixed->dwProductVersionLS, 0U);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

  EXPECT_EQ(VersionText(record, L"FileVersion"), L"1.3.0.0");
  EXPECT_EQ(VersionText(record, L"ProductVersion"), L"1.3.0.0");
  EXPECT_EQ(VersionText(record, L"OriginalFilename"), kLibraryName);
}

}  // namespace
