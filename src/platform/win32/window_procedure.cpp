#include "platform/win32/window_procedure.h"

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "platform/win32/dispatch_failure.h"
#include "platform/win32/message_filter.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/window_handle.h"
#include "platform/win32/window_timers.h"

namespace orvabridge::platform::win32 {
namespace {

constexpr wchar_t kDefaultClassName[] = L"OrvabridgeWindow";
constexpr int kRecordSlot = 0;  // window extra bytes of our classes: the WindowRecord pointer

// What a window of ours carries. Owned by the window: deleted when it is destroyed, or, when
// that happens inside one of its own handler calls, once that call has returned.
struct WindowRecord {
  MessageHandler handler;
  int running_handlers = 0;
  bool window_destroyed = false;
};

// Hands the record to the window at its first message (WM_NCCREATE).
struct CreateParams {
  WindowRecord* record = nullptr;
  bool adopted = false;
};

WindowRecord* RecordOf(HWND window) {
  return reinterpret_cast<WindowRecord*>(::GetWindowLongPtrW(window, kRecordSlot));
}

WindowMessage DescribeMessage(HWND window, UINT id, WPARAM wparam, LPARAM lparam, CopyData& data) {
  WindowMessage message;
  message.window = FromHwnd(window);
  message.id = id;
  message.wparam = wparam;
  message.lparam = lparam;
  if (id == WM_COPYDATA) {
    // A copy-data message without its structure can only come from a faulty sender in this
    // process; the handler then sees an empty block rather than a null pointer.
    if (const auto* block = reinterpret_cast<const COPYDATASTRUCT*>(lparam)) {
      data.code = static_cast<uint32_t>(block->dwData);
      if (block->lpData != nullptr && block->cbData > 0) {
        data.bytes = {static_cast<const std::byte*>(block->lpData), block->cbData};
      }
    }
    message.copy_data = &data;
  }
  return message;
}

LRESULT Dispatch(WindowRecord& record, HWND window, UINT id, WPARAM wparam, LPARAM lparam) {
  CopyData data;
  const WindowMessage message = DescribeMessage(window, id, wparam, lparam, data);
  std::optional<intptr_t> answer;
  ++record.running_handlers;
  try {
    // A window made without a handler leaves every message to the system.
    if (record.handler) answer = record.handler(message);
  } catch (...) {
    KeepDispatchFailure();
    answer = 0;
  }
  --record.running_handlers;
  if (answer) return static_cast<LRESULT>(*answer);
  return ::DefWindowProcW(window, id, wparam, lparam);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT id, WPARAM wparam, LPARAM lparam) {
  if (id != 0 && id == DestroyRequestMessage()) {
    // Dispatched on the window's own thread, the only one the system lets destroy it. Nothing of
    // the window may be touched afterwards: its record goes with its last message.
    ::DestroyWindow(window);
    return 0;
  }
  if (id == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    // Someone else may create a window of one of our classes; it then simply has no handler.
    if (auto* params = static_cast<CreateParams*>(create->lpCreateParams)) {
      ::SetWindowLongPtrW(window, kRecordSlot, reinterpret_cast<LONG_PTR>(params->record));
      params->adopted = true;
    }
  }
  WindowRecord* record = RecordOf(window);
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO) arrive before the record does.
  if (record == nullptr) return ::DefWindowProcW(window, id, wparam, lparam);

  const LRESULT result = Dispatch(*record, window, id, wparam, lparam);
  if (id == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, kRecordSlot, 0);
    ForgetWindowTimers(window);
    ForgetWindowFilter(window);
    record->window_destroyed = true;
  }
  // A handler that destroyed its own window is still running further up this stack; the
  // outermost dispatch of the record deletes it.
  if (record->window_destroyed && record->running_handlers == 0) delete record;
  return result;
}

HINSTANCE OwnModule() {
  // The module that holds this code, which is a DLL when the library is loaded as a COM server.
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&WindowProcedure), &module);
  return module;
}

// Registers the class once per name and process. Returns false when the name is taken by a
// class of another window procedure in this module.
bool EnsureWindowClass(const std::wstring& name, HINSTANCE module) {
  static std::mutex lock;
  static std::set<std::wstring> registered;
  std::lock_guard guard(lock);
  if (registered.count(name) != 0) return true;

  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &WindowProcedure;
  window_class.cbWndExtra = sizeof(LONG_PTR);
  window_class.hInstance = module;
  window_class.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  window_class.lpszClassName = name.c_str();
  if (::RegisterClassExW(&window_class) == 0) {
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof(existing);
    if (::GetLastError() != ERROR_CLASS_ALREADY_EXISTS ||
        !::GetClassInfoExW(module, name.c_str(), &existing) ||
        existing.lpfnWndProc != &WindowProcedure) {
      return false;
    }
  }
  registered.insert(name);
  return true;
}

}  // namespace

UINT DestroyRequestMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"Orvabridge.Platform.DestroyWindow");
  return message;
}

HWND CreateHandledWindow(const WindowBlueprint& blueprint, MessageHandler on_message) {
  const HINSTANCE module = OwnModule();
  const std::wstring class_name = blueprint.class_name.empty() ? std::wstring(kDefaultClassName)
                                                               : Utf8ToWide(blueprint.class_name);
  if (!EnsureWindowClass(class_name, module)) return nullptr;

  auto record = std::make_unique<WindowRecord>();
  record->handler = std::move(on_message);
  CreateParams params;
  params.record = record.get();

  const HWND parent = blueprint.message_only ? HWND_MESSAGE : ToHwnd(blueprint.parent);
  const std::wstring title = Utf8ToWide(blueprint.title);
  const HWND window = ::CreateWindowExW(blueprint.ex_style, class_name.c_str(), title.c_str(),
                                        blueprint.style, blueprint.x, blueprint.y, blueprint.width,
                                        blueprint.height, parent, nullptr, module, &params);
  // Once adopted, the window owns the record, even when creation failed after WM_NCCREATE (its
  // WM_NCDESTROY has deleted it then).
  if (params.adopted) record.release();
  if (window == nullptr) {
    RethrowDispatchFailure();
    return nullptr;
  }
  OpenWindowFilter(window);
  try {
    RethrowDispatchFailure();
  } catch (...) {
    // The caller never learns the handle of a window whose creation handler failed.
    ::DestroyWindow(window);
    throw;
  }
  return window;
}

}  // namespace orvabridge::platform::win32
