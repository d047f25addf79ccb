// The command table: one orvactl subcommand per member of Appl, with the member's parameters as
// options and a function that makes the call.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "orvabridge/appl.h"
#include "values.h"

namespace orvabridge::orvactl {

// Which way a parameter carries data. Inputs (and in-and-out parameters) take an option;
// outputs (and in-and-out parameters) are shown after the call.
enum class Flow { kIn, kOut, kInOut };

struct ParamEntry {
  std::string_view name;    // the member's own parameter name, e.g. "PatID"
  std::string_view option;  // kebab-case option without "--"; empty for outputs
  ValueType type = ValueType::kText;
  Flow flow = Flow::kIn;
  bool optional = false;  // a pointer parameter: omitted means nullptr
  std::string_view help;
  std::span<const EnumAlias> aliases = {};
  bool secret = false;  // a password: its value is never shown

  bool TakesOption() const { return flow != Flow::kOut; }
  bool IsOutput() const { return flow != Flow::kIn; }
};

// What a member returns besides its by-reference outputs.
enum class Returns { kResultCode, kText, kBool, kNothing };

// Which result codes count as success for the exit status.
enum class SuccessWhen {
  kOne,       // result 1
  kZero,      // result 0: the request was sent and no answer is awaited
  kPositive,  // a count from the imaging application: 1 or more
};

class Bindings;
using Returned = std::variant<std::monostate, int32_t, std::string, bool>;
using Invoker = Returned (*)(Appl& appl, Bindings& arguments);

struct CommandEntry {
  std::string_view name;     // subcommand, e.g. "find-patient"
  std::string_view member;   // Appl member, e.g. "FindPatient"
  std::string_view summary;  // one line for the command list
  std::vector<ParamEntry> params;
  Returns returns = Returns::kResultCode;
  SuccessWhen success = SuccessWhen::kOne;
  Invoker invoke = nullptr;

  const ParamEntry* FindOption(std::string_view option) const;
};

// Every member-backed subcommand, in the order of the interface.
const std::vector<CommandEntry>& Commands();
const CommandEntry* FindCommand(std::string_view name);

}  // namespace orvabridge::orvactl
