#include "platform/win32/message_filter.h"

#include <mutex>
#include <set>

namespace orvabridge::platform::win32 {
namespace {

using ChangeFilterFunction = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW

ChangeFilterFunction LoadChangeFilter() {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  // Through a generic function pointer: GetProcAddress's type does not match the real one.
  auto* address =
      reinterpret_cast<void (*)()>(::GetProcAddress(user32, "ChangeWindowMessageFilterEx"));
  return reinterpret_cast<ChangeFilterFunction>(address);
}

void Allow(HWND window, UINT message) {
  static const ChangeFilterFunction change_filter = LoadChangeFilter();
  if (change_filter != nullptr) change_filter(window, message, kAllow, nullptr);
}

// Windows of every thread of the process share this book, hence the lock.
struct FilterBook {
  std::mutex lock;
  std::set<UINT> messages;
  std::set<HWND> windows;
};

FilterBook& Book() {
  // Never destroyed: windows of other threads may still be torn down during process exit.
  static auto* book = new FilterBook;
  return *book;
}

}  // namespace

void AllowRegisteredMessage(UINT message) {
  FilterBook& book = Book();
  std::lock_guard guard(book.lock);
  if (!book.messages.insert(message).second) return;
  for (HWND window : book.windows) Allow(window, message);
}

void OpenWindowFilter(HWND window) {
  FilterBook& book = Book();
  std::lock_guard guard(book.lock);
  book.windows.insert(window);
  Allow(window, WM_COPYDATA);
  for (UINT message : book.messages) Allow(window, message);
}

void ForgetWindowFilter(HWND window) {
  FilterBook& book = Book();
  std::lock_guard guard(book.lock);
  book.windows.erase(window);
}

}  // namespace orvabridge::platform::win32
