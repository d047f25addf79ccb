// ThreadSlot<T>: one T per thread, made on a thread's first Get() and destroyed when that thread
// ends.
//
// Use it instead of a `thread_local` whose type has a destructor. The mingw-w64 toolchain keeps
// thread_local objects in emulated TLS, and at the end of a thread it frees that storage before it
// runs their destructors: each destructor then reads and frees through released memory, which
// corrupts the heap of whatever program or host loaded us. A thread_local of a trivially
// destructible type (a flag, a number, a pointer) is still fine.
//
// A slot lives as long as the process: make it a function-local static that is never destroyed,
// because threads may end after static destruction has begun.
//
//   Foo& ThisThreadsFoo() {
//     static auto* const slot = new platform::ThreadSlot<Foo>();
//     return slot->Get();
//   }
#pragma once

#include <cstdint>
#include <memory>

namespace orvabridge::platform {

// A system thread-storage index whose values are handed to `release` when their thread ends.
// Implemented by each platform backend; never freed.
class ThreadSlotKey {
 public:
  using Release = void (*)(void* value) noexcept;
  explicit ThreadSlotKey(Release release);
  ThreadSlotKey(const ThreadSlotKey&) = delete;
  ThreadSlotKey& operator=(const ThreadSlotKey&) = delete;

  void* Get() const;
  void Set(void* value);

 private:
  Release release_;
  std::uintptr_t index_ = 0;
};

template <class T>
class ThreadSlot {
 public:
  T& Get() {
    if (void* value = key_.Get()) return *static_cast<T*>(value);
    auto made = std::make_unique<T>();
    key_.Set(made.get());
    return *made.release();
  }

 private:
  static void Destroy(void* value) noexcept { delete static_cast<T*>(value); }
  ThreadSlotKey key_{&Destroy};
};

}  // namespace orvabridge::platform
