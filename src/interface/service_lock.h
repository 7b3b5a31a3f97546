// The service lock, annotated so that clang's thread-safety analysis checks
// that state marked RAVUNA_GUARDED_BY is touched only with the lock held.
// Other compilers see plain code.
#pragma once

#include <mutex>

#if defined(__clang__)
#define RAVUNA_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define RAVUNA_THREAD_ANNOTATION(x)
#endif
#define RAVUNA_CAPABILITY(name) RAVUNA_THREAD_ANNOTATION(capability(name))
#define RAVUNA_SCOPED_CAPABILITY RAVUNA_THREAD_ANNOTATION(scoped_lockable)
#define RAVUNA_GUARDED_BY(lock) RAVUNA_THREAD_ANNOTATION(guarded_by(lock))
#define RAVUNA_ACQUIRE(lock) RAVUNA_THREAD_ANNOTATION(acquire_capability(lock))
#define RAVUNA_RELEASE() RAVUNA_THREAD_ANNOTATION(release_capability())

namespace ravuna_motion_format {

class RAVUNA_CAPABILITY("mutex") ServiceMutex {
 public:
  void lock() RAVUNA_ACQUIRE() { mutex_.lock(); }
  void unlock() RAVUNA_RELEASE() { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

// Holds the lock for the rest of the scope.
class RAVUNA_SCOPED_CAPABILITY ServiceLock {
 public:
  explicit ServiceLock(ServiceMutex& mutex) RAVUNA_ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
  ~ServiceLock() RAVUNA_RELEASE() { mutex_.unlock(); }
  ServiceLock(const ServiceLock&) = delete;
  ServiceLock& operator=(const ServiceLock&) = delete;

 private:
  ServiceMutex& mutex_;
};

}  // namespace ravuna_motion_format
