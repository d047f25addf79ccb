#include "appcontrol/locate.h"

#include <cctype>

#include "interface/members.h"
#include "link/call_log_line.h"
#include "link/appl_core.h"
#include "link/failure_policy.h"
#include "platform/runtime_failure.h"

namespace orvabridge::appcontrol {
namespace {

struct SearchLimits {
  double overall_seconds;
  double reply_wait_seconds;
};
constexpr SearchLimits kNormalSearch{api::MemberNamed("InitApplication").waits_seconds, 2.0};
constexpr SearchLimits kNoLaunchSearch{0.5, 0.2};

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool TitleStartsWith(const std::string& title, const std::string& prefix) {
  if (title.size() < prefix.size()) return false;
  return UpperAscii(std::string_view(title).substr(0, prefix.size())) == UpperAscii(prefix);
}

// The application key less its last character; an empty key leaves nothing to search for.
std::string TitlePrefix(const std::string& application_key) {
  if (application_key.empty()) {
    throw RuntimeFailure(failure::kInvalidProcedureCall, "Invalid procedure call or argument");
  }
  return application_key.substr(0, application_key.size() - 1);
}

// The executable in quotes when its path has blanks: unquoted, the system would try "C:\Program"
// and other prefixes of the path as programs first.
std::string LaunchCommandLine(const std::string& path) {
  const bool quote = path.find(' ') != std::string::npos && path.front() != '"';
  return (quote ? "\"" + path + "\"" : path) + kLaunchArguments;
}

}  // namespace

int32_t InitApplication(link::ApplCore& core, std::string& AppName, std::string& AppVersion,
                        link::CallLog call_log) {
  return link::ShowBoxAndReturn(
      core.system(), {"Orvabridge.Appl.InitApplication error: "}, result::kInitNoAnswer,
      [&]() -> int32_t {
        AppName.clear();
        auto& thread = core.thread();
        if (thread.installation.class_library_missing) return result::kInitClassLibraryMissing;

        const bool no_launch = AppVersion == kNoLaunch;
        const SearchLimits limits = no_launch ? kNoLaunchSearch : kNormalSearch;
        bool launch_attempted = no_launch;
        int32_t outcome = result::kInitNoAnswer;

        if (core.text_out().on()) {
          core.text_out().Append(call_log.Line());
          AppName = thread.installation.application_key;
          AppVersion = thread.installation.installed_version;
          outcome = result::kSuccess;
          core.set_application_version(link::ApplicationVersion(AppVersion));
        }

        auto& windows = core.windows();
        auto& holding = core.holding();
        const auto search_end = core.exchanger().DeadlineIn(limits.overall_seconds);
        for (bool first_pass = true;; first_pass = false) {
          // The overall limit is tested only here, so a pass that has begun always completes. The
          // first pass always runs: a thread that was held up for longer than the limit (a busy
          // machine, and the no-launch limit is short) must still look before it reports nothing.
          if (!AppName.empty() || (!first_pass && platform::Clock::now() >= search_end)) break;
          windows.PumpMessages();
          // Using the form loads it again when it was unloaded; it then takes no replies.
          core.reply_window().Load();
          if (!core.reply_window().handle()) return result::kInitNoReplyWindow;
          if (thread.control_message_id == 0) return result::kInitNoControlMessage;
          holding.reply_code = 0;

          const std::string prefix = TitlePrefix(thread.installation.application_key);
          static const std::string kSearchedClasses[] = {kMainWindowClass, kDesignMainWindowClass};
          FindControlWindows(core, prefix, kSearchedClasses, core.reply_window().handle());

          const auto waited = core.exchanger().Wait(
              core.exchanger().DeadlineIn(limits.reply_wait_seconds), channel::WatchWindow::kNo);
          // Any reply ends this wait; only the attach reply names the application.
          if (waited.outcome == channel::Outcome::kReply &&
              waited.reply_code == channel::command::kAttach) {
            outcome = result::kSuccess;
            const auto& attach = holding.Last<channel::AttachReply>();
            AppName = attach.name;
            AppVersion = attach.VersionText();
            core.set_application_version(link::ApplicationVersion(
                attach.version_major, attach.version_minor, attach.version_build));
          }

          if (AppName.empty() && !launch_attempted) {
            launch_attempted = true;
            LaunchExe(core);
            if (thread.stub_mode) {
              AppName = kStubName;
              AppVersion = kStubVersion;
              outcome = result::kSuccess;
              core.set_application_version(link::ApplicationVersion(kStubVersion));
            }
          }
          if (no_launch) break;
        }
        if (AppName.empty()) outcome = result::kInitNoAnswer;
        return outcome;
      });
}

void FindControlWindows(link::ApplCore& core, const std::string& title_prefix,
                        std::span<const std::string> class_names,
                        platform::WindowHandle reply_window) {
  auto& thread = core.thread();
  auto& windows = core.windows();
  const auto message = thread.control_message_id;
  const auto found = windows.FindWindowsOfClasses(class_names);
  for (size_t k = 0; k < class_names.size(); ++k) {
    thread.search_class_name = class_names[k];
    thread.search_title_prefix = title_prefix;
    for (const auto window : found[k]) {
      if (!TitleStartsWith(GetTextFromWindow(core, window), thread.search_title_prefix)) continue;
      // A notify returns at once for windows of other threads; every match is told.
      windows.Notify(window, message, reply_window.value, 0);
    }
  }
}

bool LaunchExe(link::ApplCore& core) {
  auto& thread = core.thread();
  const std::string& path = thread.installation.imaging_exe_path;
  if (path.empty()) {
    thread.stub_mode = true;
    return false;
  }
  return link::ShowBoxAndReturn(
      core.system(), {"Orvabridge.Appl.LaunchExe error: ", "\r\n" + path}, false, [&] {
        const uint32_t process =
            core.system().StartProcess(LaunchCommandLine(path), platform::kSwShowMinNoActive);
        if (process == 0) return false;
        thread.stub_mode = false;
        return true;
      });
}

std::string GetTextFromWindow(link::ApplCore& core, platform::WindowHandle window) {
  return link::ShowBoxAndReturn(core.system(), {"GetTextFromWindow ERROR: "}, std::string(), [&] {
    return core.windows().WindowText(window, core.timing().title_read_limit);
  });
}

}  // namespace orvabridge::appcontrol
