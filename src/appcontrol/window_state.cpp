#include "appcontrol/window_state.h"

#include <string>

#include "link/call_log_line.h"
#include "link/appl_core.h"
#include "link/failure_policy.h"

namespace orvabridge::appcontrol {
namespace {

using platform::WindowHandle;

constexpr int16_t kStateNormal = 0;
constexpr int16_t kStateMinimised = 1;
constexpr int16_t kStateMaximised = 2;
constexpr int16_t kStateTopMost = 3;
constexpr int32_t kReleaseParent = -1;

template <class T>
T ValueOr0(const T* value) {
  return value != nullptr ? *value : T{0};
}

// Handles travel as signed 32-bit values: only a positive one names a window.
bool NamesWindow(int32_t handle) { return handle > 0; }
bool NamesWindow(WindowHandle handle) { return static_cast<int32_t>(handle.value) > 0; }

struct Placement {
  int16_t state = 0;
  int32_t x = 0, y = 0, width = 0, height = 0, parent = 0;
};

// A zero coordinate or extent means "keep": the window cannot be moved to 0 or sized to 0 here.
uint32_t KeepFlags(const Placement& p) {
  uint32_t flags = 0;
  if (p.width == 0 || p.height == 0) flags |= platform::kSwpNoSize;
  if (p.x == 0 || p.y == 0) flags |= platform::kSwpNoMove;
  return flags;
}

void ReturnToSavedParent(link::ApplCore& core, WindowHandle target) {
  const WindowHandle saved = core.thread().saved_parent;
  if (NamesWindow(saved)) core.windows().SetParent(target, saved);
}

// Embedding always starts from the parent the window had before any embedding, so that a second
// embedding still remembers that parent and not the first host.
void Embed(link::ApplCore& core, WindowHandle target, int32_t host) {
  ReturnToSavedParent(core, target);
  core.thread().saved_parent =
      core.windows().SetParent(target, WindowHandle(static_cast<uint32_t>(host)));
  SetWindowStyleBits(core.windows(), target, false, platform::kWsCaption, false, true);
}

void Release(link::ApplCore& core, WindowHandle target) {
  ReturnToSavedParent(core, target);
  SetWindowStyleBits(core.windows(), target, false, platform::kWsCaption, true, true);
}

void ApplyShowState(platform::WindowSystem& windows, WindowHandle target, int16_t state) {
  // Asynchronous: a busy imaging application must not block the host.
  switch (state) {
    case kStateNormal:
      windows.ShowWindowAsync(target, platform::kSwNormal);
      break;
    case kStateMinimised:
      windows.ShowWindowAsync(target, platform::kSwMinimize);
      break;
    case kStateMaximised:
      windows.ShowWindowAsync(target, platform::kSwMaximize);
      break;
    default:
      break;
  }
}

int32_t PlaceWindow(link::ApplCore& core, const Placement& p, link::CallLog call_log) {
  if (core.text_out().on()) {
    core.text_out().Append(call_log.Line());
    return result::kSuccess;
  }
  if (!core.EnsureTarget()) return result::kNoTargetWindow;
  const WindowHandle target = core.thread().target_window;
  auto& windows = core.windows();

  const uint32_t flags = KeepFlags(p);
  if (p.parent == kReleaseParent) Release(core, target);
  if (NamesWindow(p.parent)) Embed(core, target, p.parent);
  ApplyShowState(windows, target, p.state);

  // Leaving top-most first and then taking it again puts the window at the top of the top-most
  // band even when it was top-most already.
  windows.SetWindowPos(target, platform::kHwndNoTopMost, p.x, p.y, p.width, p.height, flags);
  if (p.state == kStateTopMost) {
    windows.SetWindowPos(target, platform::kHwndTopMost, p.x, p.y, p.width, p.height, flags);
  }
  return result::kSuccess;
}

}  // namespace

int32_t SetWindowState(link::ApplCore& core, const int16_t* iState, const int32_t* lXPos,
                       const int32_t* lYPos, const int32_t* lwidth, const int32_t* lheight,
                       const int32_t* lParent, link::CallLog call_log) {
  const Placement placement{ValueOr0(iState), ValueOr0(lXPos),   ValueOr0(lYPos),
                            ValueOr0(lwidth), ValueOr0(lheight), ValueOr0(lParent)};
  return link::ReturnFailureNumber([&] { return PlaceWindow(core, placement, call_log); });
}

void SetWindowStyleBits(platform::WindowSystem& windows, WindowHandle window, bool extended,
                        uint32_t bits, bool set_on, bool hide_while_changing) {
  const int index = extended ? platform::kGwlExStyle : platform::kGwlStyle;
  const uint32_t current = windows.GetStyle(window, index);
  const uint32_t changed = set_on ? (current | bits) : (current & ~bits);
  if (hide_while_changing) {
    // Hidden, the window does not flash half-drawn with its old frame and new style.
    windows.ShowWindow(window, platform::kSwHide);
    windows.SetStyle(window, index, changed);
    windows.ShowWindow(window, platform::kSwShow);
  } else {
    windows.SetStyle(window, index, changed);
  }
  // The system caches the frame; a style change shows only after it is recalculated.
  windows.SetWindowPos(window, platform::kHwndTop, 0, 0, 0, 0,
                       platform::kSwpNoSize | platform::kSwpNoMove | platform::kSwpNoZOrder |
                           platform::kSwpFrameChanged);
}

int32_t CloseApplication(link::ApplCore& core, link::CallLog call_log) {
  return link::RaiseMethodError("CloseApplication", [&]() -> int32_t {
    if (core.text_out().on()) {
      core.text_out().Append(call_log.Line());
      return result::kSuccess;
    }
    // The library never closes the imaging application; it only forgets a link that is gone.
    if (core.reply_window().loaded()) return result::kSuccess;
    core.thread().target_window = WindowHandle();
    return result::kFormNotLoaded;
  });
}

}  // namespace orvabridge::appcontrol
