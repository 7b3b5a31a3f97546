// The very first calls of a process, made by eight threads released at the
// same moment, must share one service object. Only a fresh process has not
// yet created it, so the program runs each trial in a child process of its
// own: `first_call_race_test [trials]` starts `first_call_race_test --trial`
// that many times and fails when any trial fails.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "interface/motion_serializer.h"
#include "ravuna_motion_serializer.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace {

using ravuna_motion_format::MotionSerializer;

constexpr int kThreads = 8;
constexpr int kDefaultTrials = 20;

// A sensor document with two empty texts: 165 bytes.
std::vector<unsigned char> EmptySensorDocument() {
  int size = 0;
  unsigned char* buffer = nullptr;
  if (!ConvertSensorDataToBytes("1.2.3.4", 5, 0.0, "", "", 0, 0, 0, 0, 0, 0, 0, 0, &size,
                                &buffer)) {
    return {};
  }
  return {buffer, buffer + size};
}

// One first call per thread, a different export for each.
bool FirstCall(int thread, const std::vector<unsigned char>& document) {
  const int size = static_cast<int>(document.size());
  switch (thread % 4) {
    case 0: return IsRmfBytes(size, document.data());
    case 1: return IsSensorDataBytes(size, document.data());
    case 2: {
      int outSize = 0;
      unsigned char* outBuffer = nullptr;
      return ConvertSensorDataToBytes("10.0.0.1", 1, 0.0, "a", "b", 0, 0, 0, 0, 0, 0, 0, 0,
                                      &outSize, &outBuffer);
    }
    default: {
      std::uint64_t ip = 0;
      std::uint32_t port = 0;
      double uttm = 0;
      char* address = nullptr;
      char* name = nullptr;
      int joint = 0;
      float v[7] = {};
      const bool parsed =
          ConvertBytesToSensorData(size, document.data(), &ip, &port, &uttm, &address, &name,
                                   &joint, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
      ReleaseSensorDataText(address);
      ReleaseSensorDataText(name);
      return parsed;
    }
  }
}

// The document is prepared by hand before any call: the library must not be
// touched until the threads are released together.
std::vector<unsigned char> HandMadeSensorDocument() {
  std::vector<unsigned char> bytes;
  auto box = [&bytes](const char* code, std::uint32_t size) {
    for (int i = 0; i < 4; ++i) {
      bytes.push_back(static_cast<unsigned char>(size >> (8 * i)));
    }
    bytes.insert(bytes.end(), code, code + 4);
  };
  box("head", 35);
  box("ftyp", 18);
  const char* format = "kavi motion format";
  bytes.insert(bytes.end(), format, format + 18);
  box("vrsn", 1);
  bytes.push_back(1);
  box("sndf", 26);
  box("ipad", 8);
  bytes.insert(bytes.end(), 8, 0);
  box("rcvp", 2);
  bytes.insert(bytes.end(), 2, 0);
  box("sndt", 0);
  return bytes;
}

int RunTrial() {
  if (MotionSerializer::CreatedCount() != 0) {
    std::fprintf(stderr, "a service object existed before the first call\n");
    return 1;
  }
  const std::vector<unsigned char> document = HandMadeSensorDocument();
  std::atomic<bool> go{false};
  std::atomic<int> ready{0};
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int thread = 0; thread < kThreads; ++thread) {
    threads.emplace_back([&, thread] {
      ready.fetch_add(1);
      while (!go.load()) {
        std::this_thread::yield();
      }
      if (!FirstCall(thread, document)) {
        failures.fetch_add(1);
      }
    });
  }
  while (ready.load() < kThreads) {
    std::this_thread::yield();
  }
  go.store(true);
  for (std::thread& worker : threads) {
    worker.join();
  }
  const int created = MotionSerializer::CreatedCount();
  // Later calls keep using the same object.
  const bool laterCallWorks = EmptySensorDocument().size() == 165;
  if (created != 1 || failures.load() != 0 || !laterCallWorks ||
      MotionSerializer::CreatedCount() != 1) {
    std::fprintf(stderr, "service objects created: %d, failed first calls: %d\n", created,
                 failures.load());
    return 1;
  }
  return 0;
}

#if defined(_WIN32)
int RunChild() {
  wchar_t path[MAX_PATH];
  if (GetModuleFileNameW(nullptr, path, MAX_PATH) == 0) {
    return -1;
  }
  std::wstring commandLine = L"\"" + std::wstring(path) + L"\" --trial";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(path, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}
#else
int RunChild(const char* self) {
  std::string trialFlag = "--trial";
  char* arguments[] = {const_cast<char*>(self), trialFlag.data(), nullptr};
  pid_t child = 0;
  if (posix_spawn(&child, self, nullptr, nullptr, arguments, environ) != 0) {
    return -1;
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
    return -1;
  }
  return WEXITSTATUS(status);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--trial") == 0) {
    return RunTrial();
  }
  const int trials = argc > 1 ? std::atoi(argv[1]) : kDefaultTrials;
  int failed = 0;
  for (int trial = 0; trial < trials; ++trial) {
#if defined(_WIN32)
    const int result = RunChild();
#else
    const int result = RunChild(argv[0]);
#endif
    if (result != 0) {
      std::fprintf(stderr, "trial %d failed (exit %d)\n", trial, result);
      ++failed;
    }
  }
  std::printf("%d of %d first-call trials passed\n", trials - failed, trials);
  return failed == 0 && trials > 0 ? 0 : 1;
}
