// Thread slots on POSIX thread-specific data: the C library hands each thread's value to the slot's
// release function when the thread ends.
#include <pthread.h>

#include <system_error>

#include "platform/thread_slot.h"

namespace orvabridge::platform {
namespace {

pthread_key_t KeyOf(std::uintptr_t index) { return static_cast<pthread_key_t>(index); }

}  // namespace

ThreadSlotKey::ThreadSlotKey(Release release) : release_(release) {
  pthread_key_t key{};
  if (const int error = ::pthread_key_create(&key, release_); error != 0) {
    throw std::system_error(error, std::generic_category(), "pthread_key_create");
  }
  index_ = static_cast<std::uintptr_t>(key);
}

void* ThreadSlotKey::Get() const { return ::pthread_getspecific(KeyOf(index_)); }

void ThreadSlotKey::Set(void* value) {
  if (const int error = ::pthread_setspecific(KeyOf(index_), value); error != 0) {
    throw std::system_error(error, std::generic_category(), "pthread_setspecific");
  }
}

}  // namespace orvabridge::platform
