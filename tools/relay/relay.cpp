#include "relay.h"

#include <algorithm>
#include <variant>

#include "call_line.h"
#include "calls/call.h"
#include "calls/result_codes.h"
#include "platform/program_control.h"
#include "platform/runtime_failure.h"

namespace orvabridge::relay {
namespace {

using std::chrono::milliseconds;
using Clock = platform::Clock;
using namespace result;

// Whether a call found no imaging application to talk to, so that nothing was sent and the same
// line may be tried again later without doing anything twice. A time-out is not such a case: the
// request went out and may have been carried out.
bool FoundNoApplication(const orvactl::CallOutcome& outcome, const api::Member& member) {
  if (outcome.failure) return false;
  if (outcome.stub_mode) return true;  // nothing installed or running yet
  const std::optional<int32_t> code = outcome.ResultCode();
  if (!code) return false;
  if (member.name == "InitApplication") {
    return *code == kInitNoReplyWindow || *code == kInitNoControlMessage || *code == kInitNoAnswer;
  }
  return *code == kFormNotLoaded || *code == kNoReplyWindow || *code == kNoControlMessage ||
         *code == kNoTargetWindow;
}

std::string Describe(const orvactl::CallOutcome& outcome, const api::Member& member) {
  if (outcome.failure) {
    return "error " + std::to_string(outcome.failure->number) + " (" + outcome.failure->source +
           "): " + outcome.failure->description;
  }
  if (outcome.stub_mode) return "no imaging application is installed or running";
  if (const std::optional<int32_t> code = outcome.ResultCode()) {
    return "result " + std::to_string(*code) + " (" + orvactl::ResultMeaning(member.name, *code) +
           ")";
  }
  return "done";
}

// A span of time as people say it in a log: "5 minutes", "30 seconds", "20 ms".
std::string Spoken(milliseconds span) {
  const auto say = [](long long count, const char* unit) {
    return std::to_string(count) + " " + unit + (count == 1 ? "" : "s");
  };
  if (span.count() > 0 && span.count() % 60000 == 0) return say(span.count() / 60000, "minute");
  if (span.count() > 0 && span.count() % 1000 == 0) return say(span.count() / 1000, "second");
  return std::to_string(span.count()) + " ms";
}

// Why a folder cannot be read, in the log's words.
std::string Why(const platform::FolderCheck& check) {
  switch (check.state) {
    case platform::FolderState::kMissing:
      return "it does not exist";
    case platform::FolderState::kUnreachable:
      return "its server or share cannot be reached";
    case platform::FolderState::kNotAFolder:
      return "it is a file, not a folder";
    case platform::FolderState::kDenied:
      return "access is denied";
    case platform::FolderState::kUnreadable:
    case platform::FolderState::kReadable:
      break;
  }
  return check.detail;
}

}  // namespace

Relay::Relay(RelayOptions options, platform::Platform& platform, Appl& appl, RelayLog log)
    : options_(std::move(options)),
      platform_(platform),
      appl_(appl),
      log_(std::move(log)),
      inbox_(platform.Files(), platform.AnsiCodePage(), platform.System(), options_.folder,
             options_.workstation),
      folder_trouble_(options_.folder_reminder),
      files_trouble_(options_.folder_reminder) {}

RelayEnd Relay::Run() {
  const RelayEnd end = RunLoop();
  if (lock_) {
    lock_.reset();
    try {
      platform_.Files().RemoveFile(inbox_.LockPath());
    } catch (const RuntimeFailure& failure) {
      // Another relay took the lock over the moment it was free; its file is its own now.
      log_("left " + inbox_.LockPath() + " in place: " + failure.description());
    }
  }
  return end;
}

bool Relay::HoldLock() {
  if (lock_) return true;
  try {
    // Open for appending, shared for reading only: a second relay's open of it fails.
    lock_ = platform_.Files().OpenAppend(inbox_.LockPath());
    return true;
  } catch (const RuntimeFailure& failure) {
    log_("another relay is working on " + inbox_.Directory() + " (" + inbox_.LockPath() +
         " is in use: " + failure.description() + "); this one ends");
    return false;
  }
}

std::optional<std::string> Relay::FolderTrouble(bool& nothing_yet) {
  platform::FileSystem& files = platform_.Files();
  nothing_yet = false;
  const platform::FolderCheck shared = files.CheckFolder(options_.folder);
  if (shared.state != platform::FolderState::kReadable) {
    troubled_folder_ = "the text-out folder " + options_.folder;
    return "cannot read " + troubled_folder_ + ": " + Why(shared);
  }
  const platform::FolderCheck own = files.CheckFolder(inbox_.Directory());
  if (own.state == platform::FolderState::kMissing) {
    nothing_yet = true;
    return std::nullopt;
  }
  if (own.state != platform::FolderState::kReadable) {
    troubled_folder_ = "the folder " + inbox_.Directory();
    return "cannot read " + troubled_folder_ + ": " + Why(own);
  }
  return std::nullopt;
}

RelayEnd Relay::RunLoop() {
  Clock::time_point unavailable_since{};
  bool told_unavailable = false;
  // Once: gives up when the file has stayed unavailable for longer than allowed.
  auto wait_or_give_up = [&](const std::string& why) -> std::optional<RelayEnd> {
    const auto now = Clock::now();
    if (!told_unavailable) {
      log_(why + "; trying again");
      told_unavailable = true;
      unavailable_since = now;
    }
    if (options_.once && now - unavailable_since >= options_.give_up_after) {
      return RelayEnd::kWaiting;
    }
    if (!Pause(options_.once ? std::min(options_.poll, options_.give_up_after) : options_.poll)) {
      return RelayEnd::kDone;
    }
    return std::nullopt;
  };
  // The relay's files serve again after a failure that was told.
  auto files_work = [&] {
    if (files_trouble_.Over()) log_("the files in " + inbox_.Directory() + " can be used again");
  };

  for (;;) {
    if (platform::StopRequested()) return RelayEnd::kDone;
    try {
      bool nothing_yet = false;
      if (const std::optional<std::string> trouble = FolderTrouble(nothing_yet)) {
        // A share that is not there yet may come up later: a relay that runs on waits for it.
        if (options_.once) {
          log_(*trouble);
          return RelayEnd::kCannotWork;
        }
        if (folder_trouble_.StillThere(Clock::now(), *trouble)) {
          log_(*trouble + "; looking again every " + Spoken(options_.folder_retry) +
               ", and saying so every " + Spoken(options_.folder_reminder) + " while it lasts");
        }
        if (!Pause(options_.folder_retry)) return RelayEnd::kDone;
        continue;
      }
      if (folder_trouble_.Over()) log_("can read " + troubled_folder_ + " now");
      if (nothing_yet) {
        // The library makes the workstation's folder when it writes the first call for it.
        if (!told_nothing_yet_) {
          log_("no calls yet: " + inbox_.Directory() +
               " does not exist yet; the library makes it with the first call it writes for " +
               options_.workstation);
          told_nothing_yet_ = true;
        }
        if (options_.once) return RelayEnd::kDone;
        if (!Pause(options_.poll)) return RelayEnd::kDone;
        continue;
      }
      told_nothing_yet_ = false;
      if (!HoldLock()) return RelayEnd::kCannotWork;
      const std::vector<std::string> claimed = inbox_.Claimed();
      if (!claimed.empty()) {
        const Step step = ReplayClaimed(claimed.front());
        files_work();
        if (step == Step::kStopped) return RelayEnd::kDone;
        if (step == Step::kGaveUp) return RelayEnd::kWaiting;
        if (step == Step::kTextOut) return RelayEnd::kCannotWork;
        continue;
      }
      std::optional<std::string> taken;
      try {
        taken = inbox_.Claim();
      } catch (const RuntimeFailure& failure) {
        // Most often the library is writing to it this moment, or another program holds it.
        if (auto end = wait_or_give_up("cannot take over " + inbox_.LivePath() + " yet (" +
                                       failure.description() + ")")) {
          return *end;
        }
        continue;
      }
      files_work();
      told_unavailable = false;
      if (taken) {
        log_("took over " + inbox_.LivePath() + " as " + *taken);
        continue;
      }
      if (options_.once) return RelayEnd::kDone;
      if (!Pause(options_.poll)) return RelayEnd::kDone;
    } catch (const RuntimeFailure& failure) {
      // The relay's own files: a share gone for a moment, a damaged journal. Nothing is lost;
      // a relay that runs on tries again later, and says so again while it lasts.
      const std::string trouble =
          "cannot work with the files in " + inbox_.Directory() + ": " + failure.description();
      if (options_.once) {
        log_(trouble);
        return RelayEnd::kCannotWork;
      }
      if (files_trouble_.StillThere(Clock::now(), trouble)) {
        log_(trouble + "; trying again every " + Spoken(options_.longest_retry) +
             ", and saying so every " + Spoken(options_.folder_reminder) + " while it lasts");
      }
      if (!Pause(options_.longest_retry)) return RelayEnd::kDone;
    }
  }
}

Relay::Step Relay::ReplayClaimed(const std::string& claimed) {
  const ClaimedLines content = inbox_.Read(claimed);
  const size_t total = content.lines.size() + (content.cut_off ? 1 : 0);
  size_t next = 0;
  bool resumed_in_flight = false;
  if (const std::optional<JournalEntry> journal = inbox_.LoadJournal();
      journal && journal->file == claimed) {
    next = std::min(journal->done, total);
    resumed_in_flight = journal->in_flight && next < content.lines.size();
    if (next > 0) log_("going on with " + claimed + " after line " + std::to_string(next));
  }
  for (; next < total; ++next) {
    if (platform::StopRequested()) return Step::kStopped;
    if (next < content.lines.size()) {
      const Step step = ReplayLine(claimed, next + 1, content.lines[next], resumed_in_flight);
      resumed_in_flight = false;
      if (step != Step::kDone) return step;
    } else {
      SetAside("incomplete line: the writer stopped in the middle of it", *content.cut_off,
               claimed + " line " + std::to_string(next + 1));
    }
    // Written and flushed before the next line runs: a relay killed from here on goes on after
    // this line.
    inbox_.RecordJournal({claimed, next + 1});
    if (options_.after_line) options_.after_line(replayed_ + set_aside_);
  }
  inbox_.Finish(claimed);
  log_("finished " + claimed + " (" + std::to_string(total) + " lines)");
  return Step::kDone;
}

Relay::Step Relay::ReplayLine(const std::string& claimed, size_t number, const std::string& line,
                              bool resumed_in_flight) {
  const std::string where = claimed + " line " + std::to_string(number);
  auto parsed = ParseCallLine(line);
  if (const Rejection* rejection = std::get_if<Rejection>(&parsed)) {
    SetAside(rejection->reason, line, where);
    return Step::kDone;
  }
  const ReplayCall& call = std::get<ReplayCall>(parsed);
  const std::string member(call.member->name);
  // An AddPatientEx sent twice can give the practice the same patient twice: one that may have
  // gone out is looked up first. The other members change nothing more when repeated.
  bool look_up = resumed_in_flight && member == "AddPatientEx";
  if (resumed_in_flight && !look_up) {
    log_(where + ": " + member + " was in flight when the relay before this one ended; sent again");
  } else if (!resumed_in_flight) {
    // On the disk before the call goes out: a relay killed from here on knows that it may have.
    inbox_.RecordJournal({claimed, number - 1, /*in_flight=*/true});
  }
  const bool attaching = member == "InitApplication";
  milliseconds wait = options_.first_retry;
  Clock::time_point waiting_since{};
  for (int attempt = 1;; ++attempt) {
    // The object reads its settings again when it attaches anew: should text-out mode have been
    // switched on here meanwhile, the call would only go into a text-out file again.
    if (appl_.ToFile()) {
      log_(where + ": this workstation is now in text-out mode itself; the relay stops");
      return Step::kTextOut;
    }
    std::string missed;  // what found no imaging application
    if (look_up) {
      const std::optional<bool> there = Reconcile(call, where, missed);
      if (there == true) {
        ++replayed_;
        return Step::kDone;
      }
      if (there == false) look_up = false;  // sent again, below
    }
    if (!look_up) {
      std::map<std::string, orvactl::Value> arguments = call.arguments;
      // A launch is asked for once: an application that starts slowly is waited for, not
      // started again at every try.
      if (attaching && attempt > 1) arguments["AppVersion"] = std::string("NoLaunch");
      const orvactl::CallOutcome outcome = orvactl::Call(appl_, *call.command, arguments);
      if (!FoundNoApplication(outcome, *call.member)) {
        if (options_.after_call) options_.after_call(number);
        ++replayed_;
        log_(where + ": " + member + ": " + Describe(outcome, *call.member));
        return Step::kDone;
      }
      missed = member + " found no imaging application (" + Describe(outcome, *call.member) + ")";
    }
    const auto now = Clock::now();
    if (attempt == 1) {
      waiting_since = now;
      log_(where + ": " + missed + "; the line waits for it");
    }
    // Left for later: no try reached an application, so the call has not gone out in this run.
    // A line that a relay before may have sent stays in flight.
    auto leave = [&](Step step) {
      if (!resumed_in_flight) inbox_.RecordJournal({claimed, number - 1});
      return step;
    };
    if (options_.once && now - waiting_since >= options_.give_up_after) {
      return leave(Step::kGaveUp);
    }
    if (!Pause(options_.once ? std::min(wait, options_.give_up_after) : wait)) {
      return leave(Step::kStopped);
    }
    wait = std::min(wait * 2, options_.longest_retry);
  }
}

std::optional<bool> Relay::Reconcile(const ReplayCall& call, const std::string& where,
                                     std::string& missed) {
  const api::Member& find = api::MemberNamed("FindPatient");
  const auto given = call.arguments.find("PatID");
  const std::string* id =
      given == call.arguments.end() ? nullptr : std::get_if<std::string>(&given->second);
  const std::string patient = id ? *id : std::string();
  const orvactl::CallOutcome outcome =
      orvactl::Call(appl_, *CommandOf(find), {{"PatID", orvactl::Value(patient)}});
  if (FoundNoApplication(outcome, find)) {
    missed = "the look-up of patient " + patient + " found no imaging application (" +
             Describe(outcome, find) + ")";
    return std::nullopt;
  }
  const std::string said = where + ": AddPatientEx of patient " + patient +
                           " was in flight when the relay before this one ended; ";
  const std::optional<int32_t> code = outcome.failure ? std::nullopt : outcome.ResultCode();
  if (code == kSuccess) {
    log_(said + "the patient is there: reconciled as done, not sent again");
    return true;
  }
  if (code == kNothingFound) {
    log_(said + "the patient is not there: sent again");
  } else {
    // Nobody logged in, no answer in time, an error: only the application could tell, and it
    // did not. Sending again is what a relay without the record would have done.
    log_(said + "the look-up could not decide (FindPatient: " + Describe(outcome, find) +
         "): sent again");
  }
  return false;
}

void Relay::SetAside(const std::string& reason, const std::string& line, const std::string& where) {
  inbox_.SetAside(reason, MaskedCallLine(line));
  ++set_aside_;
  log_(where + ": set aside: " + reason);
}

bool Relay::Pause(milliseconds wait) {
  // Short slices, so that a stop asked for from another thread (Ctrl-C) is seen soon.
  constexpr milliseconds kSlice(100);
  auto& windows = platform_.Windows();
  const auto deadline = Clock::now() + wait;
  for (auto now = Clock::now(); now < deadline; now = Clock::now()) {
    if (platform::StopRequested()) return false;
    windows.WaitForMessage(std::min(deadline, now + kSlice));
    windows.PumpMessages();
  }
  return !platform::StopRequested();
}

}  // namespace orvabridge::relay
