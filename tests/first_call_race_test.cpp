// The very first calls of a process, made by eight threads released at the
// same moment, must create exactly one service object. ctest runs this
// program several times, so each trial starts in a fresh process.
#include <atomic>
#include <barrier>
#include <cstdio>
#include <thread>
#include <vector>

#include "interface/motion_serializer.h"
#include "ravuna_motion_serializer.h"

int main() {
  using ravuna_motion_format::MotionSerializer;
  const unsigned char noDocument[8] = {};
  std::barrier start(8);
  std::atomic<int> failures{MotionSerializer::CreatedCount()};  // 0 before any call
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      int size = 0;
      unsigned char* buffer = nullptr;
      const bool ok = t % 2 == 0 ? !IsRmfBytes(8, noDocument)
                                 : ConvertSensorDataToBytes("1.2.3.4", 5, 0, "", "", 0, 0, 0, 0, 0,
                                                            0, 0, 0, &size, &buffer);
      if (!ok) ++failures;
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::printf("service objects: %d, failures: %d\n", MotionSerializer::CreatedCount(),
              failures.load());
  return MotionSerializer::CreatedCount() == 1 && failures == 0 ? 0 : 1;
}
