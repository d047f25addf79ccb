// Finding the imaging application's control window: the broadcast of the registered message to
// every window that looks like its main window, the launch of its executable, and stub mode.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/window_system.h"

namespace orvabridge::link {
class ApplCore;
class CallLog;
}  // namespace orvabridge::link

namespace orvabridge::appcontrol {

inline constexpr const char* kNoLaunch = "NoLaunch";
inline constexpr const char* kMainWindowClass = "ThunderRT6MDIForm";
inline constexpr const char* kDesignMainWindowClass = "ThunderMDIForm";
inline constexpr const char* kStubName = "OrvaStub";
inline constexpr const char* kStubVersion = "1.0.0";
inline constexpr const char* kLaunchArguments = " /NOFP /NOLOGIN";

// In text-out mode writes the line of `call_log` (after AppName is cleared) and succeeds with the
// installation's values.
int32_t InitApplication(link::ApplCore& core, std::string& AppName, std::string& AppVersion,
                        link::CallLog call_log);

// For each class of `class_names` in turn, notifies every window (top-level or descendant) of
// that class whose title starts with `title_prefix`, ignoring letter case, with the registered
// message and the reply window: every window of the first class before any of the second. One
// walk of the window tree serves all classes; SearchClassName ends as the last class.
void FindControlWindows(link::ApplCore& core, const std::string& title_prefix,
                        std::span<const std::string> class_names,
                        platform::WindowHandle reply_window);

// Starts the imaging application minimised without activation, or enters stub mode when no
// executable is known. True when a process was started.
bool LaunchExe(link::ApplCore& core);

std::string GetTextFromWindow(link::ApplCore& core, platform::WindowHandle window);

}  // namespace orvabridge::appcontrol
