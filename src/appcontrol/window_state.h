// Placing the imaging application's window: show state, position and size, top-most, embedding
// into a host window and releasing it again; and the public close operation. Everything acts on
// the thread-wide TargetWindow with plain window-manager calls; nothing is sent to the imaging
// application.
#pragma once

#include <cstdint>

#include "platform/window_system.h"

namespace orvabridge::link {
class ApplCore;
class CallLog;
}  // namespace orvabridge::link

namespace orvabridge::appcontrol {

// `iState`: 0 normal, 1 minimised, 2 maximised, 3 top-most, anything else keeps the show state.
// `lParent`: 0 no change, a positive handle embeds, -1 releases. A null argument counts as 0.
// An unexpected failure becomes the result (its number). In text-out mode only the line of
// `call_log` is written.
int32_t SetWindowState(link::ApplCore& core, const int16_t* iState, const int32_t* lXPos,
                       const int32_t* lYPos, const int32_t* lwidth, const int32_t* lheight,
                       const int32_t* lParent, link::CallLog call_log);

// Adds or removes `bits` in the window's style word (extended when `extended`), optionally hidden
// while the style changes, and has the frame redrawn.
void SetWindowStyleBits(platform::WindowSystem& windows, platform::WindowHandle window,
                        bool extended, uint32_t bits, bool set_on, bool hide_while_changing);

// Never closes the imaging application: 1 while the link's hidden window exists, otherwise the
// link is forgotten and the result is -1. In text-out mode writes the line of `call_log`.
int32_t CloseApplication(link::ApplCore& core, link::CallLog call_log);

}  // namespace orvabridge::appcontrol
