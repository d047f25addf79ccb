#include "invocation.h"

#include <optional>
#include <string_view>
#include <vector>

#include "platform/nearest_word.h"

namespace orvabridge::orvactl {
namespace {

constexpr std::string_view kEndOfOptions = "--";
constexpr std::string_view kRequiredMark = "(required)";
constexpr std::string_view kGlobalOptions[] = {"--help", "--json", "--logged-out", "--version"};

bool IsOption(std::string_view word) { return word.size() > 2 && word.substr(0, 2) == "--"; }

// Sets a global switch; false when `word` is not one.
bool TakeGlobal(std::string_view word, Invocation& invocation) {
  if (word == "--help" || word == "-h") {
    invocation.help = true;
  } else if (word == "--json") {
    invocation.json = true;
  } else if (word == "--logged-out") {
    invocation.logged_out = true;
  } else if (word == "--version") {
    invocation.version = true;
  } else {
    return false;
  }
  return true;
}

std::optional<std::string> NearestCommand(std::string_view word) {
  std::vector<platform::KnownWord> known;
  for (const CommandEntry& command : Commands()) {
    known.push_back({command.name, command.name});
    known.push_back({command.member, command.name});
  }
  for (std::string_view own :
       {kDemoCommand, kDoctorCommand, kHelpCommand, kShellCommand, kSupportBundleCommand}) {
    known.push_back({own, own});
  }
  return platform::Nearest(word, known);
}

// The options that may follow the command: its own and the global switches.
std::optional<std::string> NearestOption(std::string_view option, const CommandEntry* command) {
  std::vector<std::string> spellings;
  if (command != nullptr) {
    for (const ParamEntry& param : command->params) {
      if (param.TakesOption()) spellings.push_back("--" + std::string(param.option));
    }
  }
  for (std::string_view global : kGlobalOptions) spellings.emplace_back(global);
  std::vector<platform::KnownWord> known;
  for (const std::string& spelling : spellings) known.push_back({spelling, spelling});
  return platform::Nearest(option, known);
}

void SetCommand(const std::string& word, Invocation& invocation) {
  invocation.command = word;
  invocation.found = FindCommand(word);
  if (invocation.found || word == kDemoCommand || word == kDoctorCommand || word == kShellCommand ||
      word == kSupportBundleCommand) {
    return;
  }
  if (word.size() > 1 && word[0] == '-') {
    throw UsageError("unknown option " + word + " (orvactl --help lists them)",
                     NearestOption(word, nullptr).value_or(""));
  }
  throw UsageError("unknown command \"" + word + "\" (orvactl --help lists them)",
                   NearestCommand(word).value_or(""));
}

void TakeOption(std::span<const std::string> args, size_t& at, Invocation& invocation) {
  std::string_view word = args[at];
  std::string_view name = word.substr(2);
  std::optional<std::string_view> inline_value;
  if (const size_t equals = name.find('='); equals != std::string_view::npos) {
    inline_value = name.substr(equals + 1);
    name = name.substr(0, equals);
  }
  const std::string spelled = "--" + std::string(name);
  if (!invocation.found) {
    throw UsageError(invocation.command.empty() ? "unknown option " + spelled + " before a command"
                                                : invocation.command + " takes no options",
                     NearestOption(spelled, nullptr).value_or(""));
  }
  const ParamEntry* param = invocation.found->FindOption(name);
  if (!param) {
    throw UsageError(invocation.command + " has no option " + spelled + " (orvactl " +
                         invocation.command + " --help lists them)",
                     NearestOption(spelled, invocation.found).value_or(""));
  }
  if (invocation.values.count(std::string(param->name)) != 0) {
    throw UsageError(spelled + " is given twice");
  }

  std::string_view text;
  if (inline_value) {
    text = *inline_value;
  } else if (param->type == ValueType::kBool && (at + 1 >= args.size() || IsOption(args[at + 1]))) {
    text = "true";
  } else if (at + 1 < args.size()) {
    text = args[++at];
  } else {
    throw UsageError(spelled + " needs a value");
  }
  invocation.values.emplace(std::string(param->name),
                            ParseValue(param->type, text, name, param->aliases));
}

// The first required parameter of the command that has no value yet.
const ParamEntry* NextRequired(const Invocation& invocation) {
  if (!invocation.found) return nullptr;
  for (const ParamEntry& param : invocation.found->params) {
    if (IsRequired(param) && invocation.values.count(std::string(param.name)) == 0) return &param;
  }
  return nullptr;
}

// A word that is no option: after "--", the value of the next required parameter.
void TakeWord(const std::string& word, bool after_end_of_options, Invocation& invocation) {
  const ParamEntry* param = NextRequired(invocation);
  if (after_end_of_options && param != nullptr) {
    invocation.values.emplace(std::string(param->name),
                              ParseValue(param->type, word, param->option, param->aliases));
    return;
  }
  std::string message = "unexpected word \"" + word + "\"";
  if (!after_end_of_options && param != nullptr) {
    message += " (values follow their option: --" + std::string(param->option) + " " + word + ")";
  }
  throw UsageError(message);
}

void CheckRequired(const Invocation& invocation) {
  if (const ParamEntry* missing = NextRequired(invocation)) {
    const std::string option = "--" + std::string(missing->option);
    throw UsageError(invocation.command + " needs " + option + " " +
                     std::string(TypePlaceholder(missing->type)) + " (" +
                     std::string(missing->name) + "; an empty value is passed on: " + option +
                     " \"\")");
  }
}

}  // namespace

bool IsRequired(const ParamEntry& param) {
  return param.TakesOption() && !param.optional && param.help.ends_with(kRequiredMark);
}

bool AsksForJson(std::span<const std::string> args) {
  for (const std::string& word : args) {
    if (word == kEndOfOptions) return false;
    if (word == "--json") return true;
  }
  return false;
}

Invocation ParseInvocation(std::span<const std::string> args) {
  Invocation invocation;
  // "--help" and "--version" first, so that they work even beside options that would not parse.
  for (const std::string& word : args) {
    if (word == kEndOfOptions) break;
    if (word == "--help" || word == "-h") invocation.help = true;
    if (word == "--version") invocation.version = true;
  }

  bool after_end_of_options = false;
  for (size_t at = 0; at < args.size(); ++at) {
    const std::string& word = args[at];
    if (!after_end_of_options && word == kEndOfOptions) {
      after_end_of_options = true;
      continue;
    }
    if (!after_end_of_options && TakeGlobal(word, invocation)) continue;
    if (invocation.command.empty()) {
      if (!after_end_of_options && IsOption(word)) {
        if (invocation.help || invocation.version) continue;
        TakeOption(args, at, invocation);  // throws: no command to take it
      }
      if (word == kHelpCommand && !after_end_of_options) {
        invocation.help = true;  // "help help" asks for the overview too
        continue;
      }
      SetCommand(word, invocation);
      continue;
    }
    if (invocation.help || invocation.version) continue;
    if (!after_end_of_options && invocation.command == kShellCommand && word == kStopOnError) {
      invocation.stop_on_error = true;
      continue;
    }
    if (invocation.command == kSupportBundleCommand && (after_end_of_options || !IsOption(word))) {
      if (!invocation.file.empty()) throw UsageError("support-bundle writes one file");
      invocation.file = word;
      continue;
    }
    if (!after_end_of_options && IsOption(word)) {
      TakeOption(args, at, invocation);
    } else {
      TakeWord(word, after_end_of_options, invocation);
    }
  }
  if (!invocation.help && !invocation.version) {
    if (invocation.command == kSupportBundleCommand && invocation.file.empty()) {
      throw UsageError("support-bundle needs the file to write: orvactl support-bundle FILE.zip");
    }
    CheckRequired(invocation);
  }
  return invocation;
}

}  // namespace orvabridge::orvactl
