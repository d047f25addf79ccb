#include "appcontrol/force_fore.h"

namespace orvabridge::appcontrol {
namespace {

using platform::ThreadId;
using platform::WindowHandle;

// Joins the input of two threads while it lives. The system lets a thread take the foreground
// only while it shares input with the foreground's owner; the link must never outlive the request,
// or the two threads would keep sharing focus and key state.
class InputAttachment {
 public:
  InputAttachment(platform::WindowSystem& windows, ThreadId from, ThreadId to)
      : windows_(windows),
        from_(from),
        to_(to),
        attached_(windows.AttachThreadInput(from, to, true)) {}
  ~InputAttachment() {
    if (attached_) windows_.AttachThreadInput(from_, to_, false);
  }
  InputAttachment(const InputAttachment&) = delete;
  InputAttachment& operator=(const InputAttachment&) = delete;

 private:
  platform::WindowSystem& windows_;
  ThreadId from_;
  ThreadId to_;
  bool attached_;
};

}  // namespace

bool ForceForegroundWindow(platform::WindowSystem& windows, WindowHandle window) {
  if (windows.ForegroundWindow() == window) return true;

  const ThreadId foreground_thread = windows.WindowThread(windows.ForegroundWindow());
  const ThreadId window_thread = windows.WindowThread(window);
  bool became_foreground = false;
  if (foreground_thread != window_thread) {
    InputAttachment attachment(windows, foreground_thread, window_thread);
    became_foreground = windows.SetForegroundWindow(window);
  } else {
    became_foreground = windows.SetForegroundWindow(window);
  }

  windows.ShowWindow(window, windows.IsIconic(window) ? platform::kSwRestore : platform::kSwShow);
  return became_foreground;
}

}  // namespace orvabridge::appcontrol
