// Thread slots on fiber-local storage. Its callbacks run when a thread ends (and for the last
// thread at process exit) before any DLL's thread or process detach code, so the runtime that owns
// the objects' memory is still intact when they are destroyed.
#include <new>
#include <system_error>

#include "platform/thread_slot.h"
#include "platform/win32/windows_include.h"

namespace orvabridge::platform {
namespace {

// What a slot stores for one thread: the object and how to destroy it, because the system's
// callback has a calling convention of its own and receives nothing but the stored value.
struct Cell {
  ThreadSlotKey::Release release;
  void* value;
};

void WINAPI ReleaseCell(void* stored) {
  auto* cell = static_cast<Cell*>(stored);
  if (cell == nullptr) return;
  cell->release(cell->value);
  delete cell;
}

DWORD IndexOf(std::uintptr_t index) { return static_cast<DWORD>(index); }

}  // namespace

ThreadSlotKey::ThreadSlotKey(Release release) : release_(release) {
  const DWORD index = ::FlsAlloc(&ReleaseCell);
  if (index == FLS_OUT_OF_INDEXES) {
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "FlsAlloc");
  }
  index_ = index;
}

void* ThreadSlotKey::Get() const {
  const auto* cell = static_cast<const Cell*>(::FlsGetValue(IndexOf(index_)));
  return cell == nullptr ? nullptr : cell->value;
}

void ThreadSlotKey::Set(void* value) {
  auto* old_cell = static_cast<Cell*>(::FlsGetValue(IndexOf(index_)));
  auto* cell = value == nullptr ? nullptr : new Cell{release_, value};
  if (!::FlsSetValue(IndexOf(index_), cell)) {
    const DWORD error = ::GetLastError();
    delete cell;
    throw std::system_error(static_cast<int>(error), std::system_category(), "FlsSetValue");
  }
  delete old_cell;
}

}  // namespace orvabridge::platform
