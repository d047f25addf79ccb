#include "call_line.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "link/call_log_line.h"

namespace orvabridge::relay {
namespace {

using link::kCallLogSeparator;

// The member whose call-log lines carry this name: only members that write their own line
// (ShowPatient, for one, writes ShowPatientEx's line and is replayed as that).
const api::Member* LoggingMember(std::string_view name) {
  for (const api::Member& member : api::Members()) {
    if (member.logs_call && member.LogName() == member.name && member.name == name) {
      return &member;
    }
  }
  return nullptr;
}

// The member's name: everything before the first separator, or the whole line.
std::string_view NameOf(std::string_view line) {
  return line.substr(0, std::min(line.find(kCallLogSeparator), line.size()));
}

struct Split {
  std::vector<std::string_view> fields;
  std::string problem;  // empty when the split is the only one possible
};

// Splits what follows the member's name into `count` fields. Every place where the separator
// occurs is counted, overlapping ones too (" ; ; " holds two): the split is unambiguous only when
// there are exactly `count` of them (one before each field) and no two overlap. A value that
// itself holds " ; ", or starts or ends so that it makes one with its neighbour, adds places.
Split SplitFields(std::string_view line, size_t name_length, size_t count) {
  Split split;
  std::vector<size_t> places;
  for (size_t at = line.find(kCallLogSeparator, name_length); at != std::string_view::npos;
       at = line.find(kCallLogSeparator, at + 1)) {
    places.push_back(at);
  }
  const size_t expected = std::max<size_t>(count, 1);  // a member without parameters: "Name ; "
  if (places.empty() || places.front() != name_length) {
    split.problem = "no \"" + std::string(kCallLogSeparator) + "\" after the member's name";
    return split;
  }
  bool overlapping = false;
  for (size_t k = 1; k < places.size(); ++k) {
    if (places[k] < places[k - 1] + kCallLogSeparator.size()) overlapping = true;
  }
  if (places.size() > expected || overlapping) {
    split.problem = "ambiguous: " + std::to_string(places.size()) + " separators where " +
                    std::string(NameOf(line)) + " writes " + std::to_string(expected) +
                    " (a value holds \"" + std::string(kCallLogSeparator) + "\")";
    return split;
  }
  if (places.size() < expected) {
    split.problem = "too few fields: " + std::to_string(places.size()) + " where " +
                    std::string(NameOf(line)) + " writes " + std::to_string(count);
    return split;
  }
  if (count == 0) {
    if (line.size() != name_length + kCallLogSeparator.size()) {
      split.problem = std::string(NameOf(line)) + " takes no values, but the line goes on";
    }
    return split;
  }
  for (size_t k = 0; k < places.size(); ++k) {
    const size_t begin = places[k] + kCallLogSeparator.size();
    const size_t end = k + 1 < places.size() ? places[k + 1] : line.size();
    split.fields.push_back(line.substr(begin, end - begin));
  }
  return split;
}

}  // namespace

const orvactl::CommandEntry* CommandOf(const api::Member& member) {
  for (const orvactl::CommandEntry& command : orvactl::Commands()) {
    if (command.member == member.name) return &command;
  }
  return nullptr;
}

std::variant<ReplayCall, Rejection> ParseCallLine(std::string_view line) {
  if (line.empty()) return Rejection{"empty line"};
  const std::string_view name = NameOf(line);
  const api::Member* member = LoggingMember(name);
  if (member == nullptr) {
    return Rejection{"\"" + std::string(name) + "\" is no member that writes call-log lines"};
  }
  const orvactl::CommandEntry* command = CommandOf(*member);
  if (command == nullptr) return Rejection{std::string(name) + " cannot be called"};

  const Split split = SplitFields(line, name.size(), member->parameters.size());
  if (!split.problem.empty()) return Rejection{split.problem};

  ReplayCall call{member, command, {}};
  for (size_t k = 0; k < split.fields.size(); ++k) {
    const api::Parameter& parameter = member->parameters[k];
    if (!parameter.TakesValue()) continue;  // an output: the value the host's variable held
    const orvactl::ParamEntry* entry = nullptr;
    for (const orvactl::ParamEntry& candidate : command->params) {
      if (candidate.name == parameter.name) entry = &candidate;
    }
    if (entry == nullptr) return Rejection{std::string(parameter.name) + " cannot be passed"};
    try {
      call.arguments.emplace(std::string(parameter.name),
                             orvactl::ParseValue(entry->type, split.fields[k], parameter.name));
    } catch (const orvactl::UsageError& error) {
      // The message quotes the value: a password is never a number, so none is quoted here.
      return Rejection{std::string("unreadable value: ") + error.what()};
    }
  }
  return call;
}

std::string MaskedCallLine(std::string_view line) {
  const std::string_view name = NameOf(line);
  const api::Member* member = LoggingMember(name);
  if (member == nullptr) return std::string(line);
  const bool has_secret = std::any_of(member->parameters.begin(), member->parameters.end(),
                                      [](const api::Parameter& p) { return p.secret; });
  if (!has_secret) return std::string(line);
  const Split split = SplitFields(line, name.size(), member->parameters.size());
  if (!split.problem.empty()) {
    return std::string(name) + std::string(kCallLogSeparator) + "(values withheld: the line " +
           "carries a password that cannot be told apart from the other values)";
  }
  std::string masked(name);
  for (size_t k = 0; k < split.fields.size(); ++k) {
    masked += kCallLogSeparator;
    masked += member->parameters[k].secret ? std::string_view("***") : split.fields[k];
  }
  return masked;
}

}  // namespace orvabridge::relay
