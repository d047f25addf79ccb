#include "link/call_recorder.h"

#include <atomic>
#include <cstdio>

#include "channel/protocol.h"
#include "environment/incident_files.h"
#include "environment/settings.h"
#include "environment/trace_log.h"
#include "identity/identity.h"
#include "link/appl_core.h"

namespace orvabridge::link {
namespace {

using environment::ArgumentSummary;
using environment::EventKind;
using environment::FlightEvent;
using Clock = std::chrono::steady_clock;

std::atomic<uint32_t> objects_made{0};

const char* SendStatusName(platform::SendStatus status) {
  switch (status) {
    case platform::SendStatus::kHandled:
      return "handled";
    case platform::SendStatus::kTimedOut:
      return "not handled within its time";
    case platform::SendStatus::kHung:
      return "not sent: the application is hung";
    case platform::SendStatus::kNoWindow:
      return "not sent: no such window";
  }
  return "?";
}

uint32_t MicrosSince(Clock::time_point start, Clock::time_point end) {
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(end - start).count();
  return micros < 0 ? 0 : static_cast<uint32_t>(std::min<int64_t>(micros, UINT32_MAX));
}

// A number that names a record (an image card, a database, a user) says which patient a call was
// about as much as a patient id does: it is kept as a text is.
bool IsIdentifier(const api::Parameter& parameter) {
  return parameter.type != api::Type::kText && parameter.name.size() >= 2 &&
         parameter.name.substr(parameter.name.size() - 2) == "ID";
}

std::string ArgumentText(const ArgumentSummary& argument) {
  switch (argument.kind) {
    case ArgumentSummary::Kind::kOmitted:
      return "(omitted)";
    case ArgumentSummary::Kind::kNumber:
      return std::to_string(argument.value);
    case ArgumentSummary::Kind::kSecret:
      return argument.value == 0 ? "*** (empty)" : "***";
    case ArgumentSummary::Kind::kText:
      break;
  }
  return argument.value == 0 ? "(empty)" : "(" + std::to_string(argument.value) + " characters)";
}

channel::ExchangeReport ReportOf(const environment::RequestFacts& facts, uint32_t micros) {
  channel::ExchangeReport report;
  report.code = facts.code;
  report.bytes_sent = facts.bytes_sent;
  report.awaits_reply = facts.awaits_reply;
  report.send_status = static_cast<platform::SendStatus>(facts.send_status);
  report.outcome = static_cast<channel::Outcome>(facts.outcome);
  report.reply_code = facts.reply_code;
  report.reply_bytes = facts.reply_bytes;
  report.took = std::chrono::microseconds(micros);
  return report;
}

std::string ResultText(const api::Member& member, int32_t result) {
  std::string text = std::to_string(result);
  if (member.returns != api::Returns::kResultCode) return text;
  const std::string meaning = api::MeaningOf(member, result);
  return meaning.empty() ? text : text + " (" + meaning + ")";
}

std::string EventLine(const FlightEvent& event, Clock::time_point now) {
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "%+10.3f s [%u:%u] ",
                -std::chrono::duration<double>(now - event.at).count(), event.thread, event.object);
  std::string line = stamp;
  const std::string member(event.member);
  switch (event.kind) {
    case EventKind::kCall: {
      line += "call " + member + "(";
      if (!event.Text().empty()) {
        line += event.Text();
      } else {
        const api::Member* described = api::FindMemberByName(event.member);
        for (size_t i = 0; i < event.argument_count; ++i) {
          if (i > 0) line += ", ";
          const bool named = described != nullptr && i < described->parameters.size();
          line += named ? std::string(described->parameters[i].name) : "#" + std::to_string(i + 1);
          line += "=" + ArgumentText(event.arguments[i]);
        }
      }
      return line + ")";
    }
    case EventKind::kReturn:
      line += "return " + member;
      if (event.has_number) line += " = " + std::to_string(event.number);
      return line + ", " + std::to_string(event.micros) + " us";
    case EventKind::kRaised:
      return line + "error " + member + ": " + std::to_string(event.number) + " " +
             std::string(event.Text()) + ", " + std::to_string(event.micros) + " us";
    case EventKind::kGuard:
      return line + "guard: " + std::string(event.Text());
    case EventKind::kRequest: {
      const channel::CommandInfo* info = channel::FindCommandInfo(event.request.code);
      line += DescribeRequest(ReportOf(event.request, event.micros));
      if (info != nullptr) line += " (" + std::string(info->name) + ")";
      return line;
    }
    case EventKind::kMessageBox:
      return line + "message box: " + std::string(event.Text());
  }
  return line;
}

std::string OnOff(bool on, const std::string& from) {
  return std::string(on ? "on" : "off") + " (" + from + ")";
}

}  // namespace

std::string DescribeRequest(const channel::ExchangeReport& report) {
  std::string line = "request " + std::to_string(report.code) + ", " +
                     std::to_string(report.bytes_sent) + " bytes: ";
  if (!report.awaits_reply) {
    line += SendStatusName(report.send_status);
  } else if (report.outcome == channel::Outcome::kReply) {
    line += "reply " + std::to_string(report.reply_code) + ", " +
            std::to_string(report.reply_bytes) + " bytes";
  } else if (report.outcome == channel::Outcome::kWindowGone) {
    line += "the control window went away";
  } else {
    line += report.send_status == platform::SendStatus::kHandled
                ? "no reply in time"
                : std::string("no reply: ") + SendStatusName(report.send_status);
  }
  return line + ", " + std::to_string(report.took.count()) + " us";
}

CallRecorder::CallRecorder(ApplCore& core, uint32_t thread)
    : core_(core),
      settings_(environment::ReadRecorderSettings(core.platform().Reg(), core.platform().System())),
      thread_(thread),
      object_(objects_made.fetch_add(1) + 1) {}

FlightEvent CallRecorder::Event(EventKind kind) const {
  FlightEvent event;
  event.kind = kind;
  event.at = Clock::now();
  event.thread = thread_;
  event.object = object_;
  return event;
}

CallRecorder::Started CallRecorder::Begin(const api::Member& member,
                                          std::initializer_list<ArgumentSummary> arguments,
                                          std::string_view values) {
  Started started{Clock::now(), depth_++ == 0};
  if (started.outermost) {
    reason_.clear();
    any_request_ = false;
    attached_at_start_ = static_cast<bool>(core_.thread().target_window);
  }
  if (!environment::FlightRecorder::Process().enabled()) return started;
  FlightEvent event = Event(EventKind::kCall);
  event.member = member.name;
  event.at = started.at;
  size_t i = 0;
  for (ArgumentSummary argument : arguments) {
    if (i == FlightEvent::kMaxArguments) break;
    if (i < member.parameters.size()) {
      const api::Parameter& parameter = member.parameters[i];
      if (parameter.secret && argument.kind == ArgumentSummary::Kind::kText) {
        argument = {ArgumentSummary::Kind::kSecret, argument.value == 0 ? 0 : 1};
      } else if (IsIdentifier(parameter) && argument.kind == ArgumentSummary::Kind::kNumber) {
        argument = {
            ArgumentSummary::Kind::kText,
            argument.value == 0 ? 0 : environment::CharacterCount(std::to_string(argument.value))};
      }
    }
    event.arguments[i++] = argument;
  }
  event.argument_count = static_cast<uint8_t>(i);
  if (settings_.values) event.SetText(values);
  environment::FlightRecorder::Process().Record(event);
  return started;
}

void CallRecorder::Returned(const Started& started, const api::Member& member,
                            const int32_t* result) {
  FlightEvent event = Event(EventKind::kReturn);
  event.member = member.name;
  event.micros = MicrosSince(started.at, event.at);
  if (result != nullptr) {
    event.number = *result;
    event.has_number = true;
    // -6 and -7 tell of the application only after a request: a member that refuses an argument
    // with one of those codes (a login's change-rights method) sent nothing.
    if (reason_.empty() && member.returns == api::Returns::kResultCode) {
      if (*result == result::kTimeout && any_request_) reason_ = "no reply in time (-6)";
      if (*result == result::kUnexpectedReply && any_request_) {
        reason_ = "unexpected reply (-7)";
      }
      if (*result == result::kNoTargetWindow && attached_at_start_) {
        reason_ = "the control window went away while attached (-4)";
      }
    }
  }
  environment::FlightRecorder::Process().Record(event);
  Ended(started, member, result != nullptr ? ResultText(member, *result) : "returned");
}

void CallRecorder::Raised(const Started& started, const api::Member& member,
                          const AutomationError& error) {
  FlightEvent event = Event(EventKind::kRaised);
  event.member = member.name;
  event.number = error.number();
  event.micros = MicrosSince(started.at, event.at);
  event.SetText(error.source() + ": " + error.description());
  environment::FlightRecorder::Process().Record(event);
  if (reason_.empty()) reason_ = "automation error " + std::to_string(error.number());
  Ended(started, member, "automation error " + std::to_string(error.number()));
}

void CallRecorder::Escaped(const Started& started, const api::Member& member) {
  FlightEvent event = Event(EventKind::kRaised);
  event.member = member.name;
  event.micros = MicrosSince(started.at, event.at);
  event.SetText("ended by an unexpected exception");
  environment::FlightRecorder::Process().Record(event);
  Ended(started, member, "ended by an unexpected exception");
}

void CallRecorder::Guard(std::string_view step) {
  if (!environment::FlightRecorder::Process().enabled()) return;
  FlightEvent event = Event(EventKind::kGuard);
  event.SetText(step);
  environment::FlightRecorder::Process().Record(event);
}

void CallRecorder::Request(const channel::ExchangeReport& report) {
  FlightEvent event = Event(EventKind::kRequest);
  event.request = {report.code,
                   static_cast<uint32_t>(report.bytes_sent),
                   report.awaits_reply,
                   static_cast<uint8_t>(report.send_status),
                   static_cast<uint8_t>(report.outcome),
                   report.reply_code,
                   static_cast<uint32_t>(report.reply_bytes)};
  event.micros = static_cast<uint32_t>(std::min<int64_t>(report.took.count(), UINT32_MAX));
  environment::FlightRecorder::Process().Record(event);
  last_request_ = report;
  any_request_ = true;
  if (report.send_status == platform::SendStatus::kHung && reason_.empty()) {
    reason_ = "a request was not sent: the application is hung";
  }
}

void CallRecorder::MessageBox(const platform::MessageBoxRequest& request) {
  FlightEvent event = Event(EventKind::kMessageBox);
  event.SetText(request.caption.empty() ? request.text : request.caption + ": " + request.text);
  environment::FlightRecorder::Process().Record(event);
  if (depth_ > 0) {
    if (reason_.empty()) reason_ = "a message box";
  } else {
    // Outside a member call (the text-out timer): nothing ends later to decide.
    reason_ = "a message box";
    Incident("(no member call)", "-");
    reason_.clear();
  }
}

void CallRecorder::Ended(const Started& started, const api::Member& member, std::string result) {
  --depth_;
  if (!started.outermost || reason_.empty()) return;
  Incident(member.name, result);
  reason_.clear();
}

void CallRecorder::Incident(std::string_view member, const std::string& result) {
  if (!settings_.incident_files) return;
  try {
    environment::IncidentGate& gate = environment::IncidentGate::Process();
    if (!gate.Admit(Clock::now())) return;
    const Clock::time_point now = Clock::now();
    platform::Platform& platform = core_.platform();
    platform::SystemServices& system = platform.System();
    const std::string version = core_.application_version().text();
    std::string header = "Orvabridge incident\r\n";
    header += "time: " + platform::LocalTimeText(system.LocalNow()) + "\r\n";
    header += "reason: " + reason_ + "\r\n";
    header += "member: " + std::string(member) + "\r\n";
    header += "result: " + result + "\r\n";
    header += "request: " + (any_request_ ? DescribeRequest(last_request_) : "(none)") + "\r\n";
    header += "library: Orvabridge " + std::string(identity::kVersion) + ", " +
              std::to_string(sizeof(void*) * 8) + "-bit\r\n";
    header += "host: " + system.ExecutableName() + " (process " +
              std::to_string(system.ProcessId()) + ")\r\n";
    header += "imaging application: " + (version.empty() ? "(not known)" : version) + "\r\n";
    header += "setting FlightRecorder: " +
              OnOff(settings_.incident_files, settings_.incident_files_from) + "\r\n";
    header +=
        "setting FlightRecorderValues: " + OnOff(settings_.values, settings_.values_from) + "\r\n";
    const environment::TraceLog* trace = core_.trace();
    header += "setting Trace: " + (trace != nullptr ? trace->path() : std::string("off")) + "\r\n";
    header += "setting text-out: " +
              (core_.text_out().on() ? core_.text_out().folder() : std::string("off")) + "\r\n";
    std::string events = "events, oldest first (seconds before the incident [thread:object]):\r\n";
    for (const FlightEvent& event : environment::FlightRecorder::Process().Snapshot()) {
      events += EventLine(event, now) + "\r\n";
    }
    environment::IncidentFiles(platform.Files(), system).Write(header, events, gate.TakeHeldBack());
  } catch (...) {
    // Formatting ran out of memory: the call's result stays what it is.
  }
}

}  // namespace orvabridge::link
