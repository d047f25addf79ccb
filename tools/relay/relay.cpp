#include "relay.h"

#include <algorithm>
#include <variant>

#include "call.h"
#include "call_line.h"
#include "platform/program_control.h"
#include "platform/runtime_failure.h"
#include "result_codes.h"

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

}  // namespace

Relay::Relay(RelayOptions options, platform::Platform& platform, Appl& appl, RelayLog log)
    : options_(std::move(options)),
      platform_(platform),
      appl_(appl),
      log_(std::move(log)),
      inbox_(platform.Files(), platform.AnsiCodePage(), platform.System(), options_.folder,
             options_.workstation) {}

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

  for (;;) {
    if (platform::StopRequested()) return RelayEnd::kDone;
    try {
      if (!platform_.Files().FolderExists(inbox_.Directory())) {
        // The library makes the folder when text-out mode first starts.
        if (options_.once) return RelayEnd::kDone;
        if (!Pause(options_.poll)) return RelayEnd::kDone;
        continue;
      }
      if (!HoldLock()) return RelayEnd::kCannotWork;
      const std::vector<std::string> claimed = inbox_.Claimed();
      if (!claimed.empty()) {
        const Step step = ReplayClaimed(claimed.front());
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
      told_unavailable = false;
      if (taken) {
        log_("took over " + inbox_.LivePath() + " as " + *taken);
        continue;
      }
      if (options_.once) return RelayEnd::kDone;
      if (!Pause(options_.poll)) return RelayEnd::kDone;
    } catch (const RuntimeFailure& failure) {
      // The relay's own files: a share gone for a moment, a damaged journal. Nothing is lost;
      // a relay that runs on tries again later.
      log_("cannot work with the files in " + inbox_.Directory() + ": " + failure.description());
      if (options_.once) return RelayEnd::kCannotWork;
      if (!Pause(options_.longest_retry)) return RelayEnd::kDone;
    }
  }
}

Relay::Step Relay::ReplayClaimed(const std::string& claimed) {
  const ClaimedLines content = inbox_.Read(claimed);
  const size_t total = content.lines.size() + (content.cut_off ? 1 : 0);
  size_t next = 0;
  if (const std::optional<JournalEntry> journal = inbox_.LoadJournal();
      journal && journal->file == claimed) {
    next = std::min(journal->done, total);
    if (next > 0) log_("going on with " + claimed + " after line " + std::to_string(next));
  }
  for (; next < total; ++next) {
    if (platform::StopRequested()) return Step::kStopped;
    const std::string where = claimed + " line " + std::to_string(next + 1);
    if (next < content.lines.size()) {
      const Step step = ReplayLine(content.lines[next], where);
      if (step != Step::kDone) return step;
    } else {
      SetAside("incomplete line: the writer stopped in the middle of it", *content.cut_off, where);
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

Relay::Step Relay::ReplayLine(const std::string& line, const std::string& where) {
  auto parsed = ParseCallLine(line);
  if (const Rejection* rejection = std::get_if<Rejection>(&parsed)) {
    SetAside(rejection->reason, line, where);
    return Step::kDone;
  }
  const ReplayCall& call = std::get<ReplayCall>(parsed);
  const bool attaching = call.member->name == "InitApplication";
  milliseconds wait = options_.first_retry;
  Clock::time_point waiting_since{};
  for (int attempt = 1;; ++attempt) {
    // The object reads its settings again when it attaches anew: should text-out mode have been
    // switched on here meanwhile, the call would only go into a text-out file again.
    if (appl_.ToFile()) {
      log_(where + ": this workstation is now in text-out mode itself; the relay stops");
      return Step::kTextOut;
    }
    std::map<std::string, orvactl::Value> arguments = call.arguments;
    // A launch is asked for once: an application that starts slowly is waited for, not started
    // again at every try.
    if (attaching && attempt > 1) arguments["AppVersion"] = std::string("NoLaunch");
    const orvactl::CallOutcome outcome = orvactl::Call(appl_, *call.command, arguments);
    if (!FoundNoApplication(outcome, *call.member)) {
      ++replayed_;
      log_(where + ": " + std::string(call.member->name) + ": " + Describe(outcome, *call.member));
      return Step::kDone;
    }
    const auto now = Clock::now();
    if (attempt == 1) {
      waiting_since = now;
      log_(where + ": " + std::string(call.member->name) + " found no imaging application (" +
           Describe(outcome, *call.member) + "); the line waits for it");
    }
    if (options_.once && now - waiting_since >= options_.give_up_after) return Step::kGaveUp;
    if (!Pause(options_.once ? std::min(wait, options_.give_up_after) : wait)) {
      return Step::kStopped;
    }
    wait = std::min(wait * 2, options_.longest_retry);
  }
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
