#include "inbox.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "platform/runtime_failure.h"

namespace orvabridge::relay {
namespace {

constexpr std::string_view kClaimedSuffix = ".claimed";
constexpr std::string_view kJournalHeader = "Orvabridge relay journal 1";
constexpr std::string_view kInFlight = "in-flight=";  // the number of the line whose call went out
constexpr int kSequenceDigits = 8;

// The sequence number of a claimed file's name, or nullopt for any other name.
std::optional<unsigned long> SequenceOf(std::string_view name, std::string_view prefix) {
  if (name.size() != prefix.size() + kSequenceDigits + kClaimedSuffix.size()) return std::nullopt;
  if (name.substr(0, prefix.size()) != prefix) return std::nullopt;
  if (name.substr(name.size() - kClaimedSuffix.size()) != kClaimedSuffix) return std::nullopt;
  const std::string_view digits = name.substr(prefix.size(), kSequenceDigits);
  unsigned long value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

Inbox::Inbox(platform::FileSystem& files, platform::CodePage& code_page,
             platform::SystemServices& system, std::string folder, std::string workstation)
    : files_(files), code_page_(code_page), system_(system), workstation_(std::move(workstation)) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  directory_ = folder + workstation_ + "\\";
}

std::string Inbox::LivePath() const { return directory_ + workstation_ + ".TXT"; }

std::string Inbox::LockPath() const { return directory_ + workstation_ + ".relay-lock"; }

std::string Inbox::JournalPath() const { return directory_ + workstation_ + ".relay-journal"; }

std::vector<std::string> Inbox::Claimed() {
  const std::string prefix = workstation_ + ".TXT.";
  std::vector<std::pair<unsigned long, std::string>> found;
  for (std::string& name : files_.FilesInFolder(directory_)) {
    // Windows compares names without letter case; the sequence decides the order.
    const std::string_view head = std::string_view(name).substr(0, prefix.size());
    if (!SameName(head, prefix)) continue;
    if (auto sequence = SequenceOf(name, head)) found.emplace_back(*sequence, std::move(name));
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  for (auto& entry : found) names.push_back(std::move(entry.second));
  return names;
}

std::optional<std::string> Inbox::Claim() {
  const std::optional<uint64_t> size = files_.FileSize(LivePath());
  if (!size || *size == 0) return std::nullopt;
  // Claimed() is in the order of the sequence: the next number follows the last one's.
  const std::string prefix = workstation_ + ".TXT.";
  const std::vector<std::string> claimed = Claimed();
  const unsigned long next =
      claimed.empty()
          ? 1
          : SequenceOf(claimed.back(), claimed.back().substr(0, prefix.size())).value_or(0) + 1;
  char digits[kSequenceDigits + 1];
  std::snprintf(digits, sizeof digits, "%0*lu", kSequenceDigits, next % 100000000ul);
  const std::string name = prefix + digits + std::string(kClaimedSuffix);
  files_.RenameFile(LivePath(), directory_ + name);
  return name;
}

ClaimedLines Inbox::Read(const std::string& claimed) {
  const std::string text = code_page_.FromAnsi(files_.ReadWholeFile(directory_ + claimed));
  ClaimedLines result;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      result.cut_off = text.substr(start);
      break;
    }
    size_t length = end - start;
    if (length > 0 && text[end - 1] == '\r') --length;
    result.lines.push_back(text.substr(start, length));
    start = end + 1;
  }
  return result;
}

void Inbox::Finish(const std::string& claimed) {
  files_.RemoveFile(directory_ + claimed);
  files_.RemoveFile(JournalPath());
}

std::optional<JournalEntry> Inbox::LoadJournal() {
  std::string text;
  try {
    text = files_.ReadWholeFile(JournalPath());
  } catch (const RuntimeFailure& failure) {
    if (failure.number() == failure::kFileNotFound) return std::nullopt;
    throw;
  }
  // The journal is replaced as a whole, so it is either complete or absent; anything else was
  // not written by this program and is not trusted.
  JournalEntry entry;
  bool header = false, file = false, done = false;
  std::optional<size_t> in_flight;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line == kJournalHeader) {
      header = true;
    } else if (line.substr(0, 5) == "file=") {
      entry.file = std::string(line.substr(5));
      file = true;
    } else if (line.substr(0, 5) == "done=") {
      const std::string_view digits = line.substr(5);
      done = std::from_chars(digits.data(), digits.data() + digits.size(), entry.done).ec ==
             std::errc();
    } else if (line.substr(0, kInFlight.size()) == kInFlight) {
      const std::string_view digits = line.substr(kInFlight.size());
      size_t number = 0;
      const auto [stop, error] =
          std::from_chars(digits.data(), digits.data() + digits.size(), number);
      // A number that is not whole makes the record one that this program did not write.
      in_flight = error == std::errc() && stop == digits.data() + digits.size() ? number : 0;
    }
    start = end + 1;
  }
  // The line in flight is always the one after those done.
  if (!header || !file || !done || (in_flight && *in_flight != entry.done + 1)) {
    throw RuntimeFailure(failure::kPathFileAccessError,
                         "the journal " + JournalPath() + " is damaged; move it away to go on");
  }
  entry.in_flight = in_flight.has_value();
  return entry;
}

void Inbox::RecordJournal(const JournalEntry& entry) {
  std::string text = std::string(kJournalHeader) + "\r\nfile=" + entry.file +
                     "\r\ndone=" + std::to_string(entry.done) + "\r\n";
  // A line of its own that a relay of the first version passes over: it sends the line again,
  // as it always did.
  if (entry.in_flight) text += std::string(kInFlight) + std::to_string(entry.done + 1) + "\r\n";
  files_.WriteFileDurably(JournalPath(), text);
}

void Inbox::SetAside(const std::string& reason, const std::string& masked_line) {
  const std::string text = code_page_.ToAnsi("# " + platform::LocalTimeText(system_.LocalNow()) +
                                             " " + reason + "\r\n" + masked_line + "\r\n");
  auto stream = files_.OpenAppend(directory_ + workstation_ + ".rejected");
  stream->Write(std::as_bytes(std::span(text.data(), text.size())));
}

}  // namespace orvabridge::relay
