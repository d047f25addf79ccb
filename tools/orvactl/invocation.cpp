#include "invocation.h"

#include <optional>
#include <string_view>

namespace orvabridge::orvactl {
namespace {

bool IsOption(std::string_view word) { return word.size() > 2 && word.substr(0, 2) == "--"; }

// Sets a global switch; false when `word` is not one.
bool TakeGlobal(std::string_view word, Invocation& invocation) {
  if (word == "--help" || word == "-h") {
    invocation.help = true;
  } else if (word == "--json") {
    invocation.json = true;
  } else if (word == "--logged-out") {
    invocation.logged_out = true;
  } else {
    return false;
  }
  return true;
}

void TakeOption(std::span<const std::string> args, size_t& at, Invocation& invocation) {
  std::string_view word = args[at];
  std::string_view name = word.substr(2);
  std::optional<std::string_view> inline_value;
  if (const size_t equals = name.find('='); equals != std::string_view::npos) {
    inline_value = name.substr(equals + 1);
    name = name.substr(0, equals);
  }
  if (!invocation.found) {
    throw UsageError(invocation.command.empty()
                         ? "unknown option --" + std::string(name) + " before a command"
                         : invocation.command + " takes no options");
  }
  const ParamSpec* param = invocation.found->FindOption(name);
  if (!param) {
    throw UsageError(invocation.command + " has no option --" + std::string(name) + " (orvactl " +
                     invocation.command + " --help lists them)");
  }
  if (invocation.values.count(std::string(param->name)) != 0) {
    throw UsageError("--" + std::string(name) + " is given twice");
  }

  std::string_view text;
  if (inline_value) {
    text = *inline_value;
  } else if (param->type == ValueType::kBool && (at + 1 >= args.size() || IsOption(args[at + 1]))) {
    text = "true";
  } else if (at + 1 < args.size()) {
    text = args[++at];
  } else {
    throw UsageError("--" + std::string(name) + " needs a value");
  }
  invocation.values.emplace(std::string(param->name),
                            ParseValue(param->type, text, name, param->aliases));
}

}  // namespace

Invocation ParseInvocation(std::span<const std::string> args) {
  Invocation invocation;
  // "--help" first, so that it works even beside options that would not parse.
  for (const std::string& word : args) {
    if (word == "--help" || word == "-h") invocation.help = true;
  }

  for (size_t at = 0; at < args.size(); ++at) {
    const std::string& word = args[at];
    if (TakeGlobal(word, invocation)) continue;
    if (invocation.command.empty() && !IsOption(word)) {
      invocation.command = word;
      invocation.found = FindCommand(word);
      if (!invocation.found && word != kDemoCommand) {
        throw UsageError("unknown command \"" + word + "\" (orvactl --help lists them)");
      }
      continue;
    }
    if (invocation.help) continue;
    if (IsOption(word)) {
      TakeOption(args, at, invocation);
    } else {
      throw UsageError("unexpected word \"" + word + "\"");
    }
  }
  return invocation;
}

}  // namespace orvabridge::orvactl
