#include "sim/command_line.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "platform/nearest_word.h"

namespace orvabridge::sim {
namespace {

// Bounds that keep a mistyped number from asking for something absurd.
constexpr uint64_t kMaxMilliseconds = 24ull * 60 * 60 * 1000;  // a day
constexpr uint64_t kMaxReplySize = 16ull * 1024 * 1024;        // far above the largest record

struct Option {
  std::string_view name;
  std::string_view value_name;  // empty: a switch without a value
  std::string_view help;
  std::function<void(SimCommandLine&, std::string_view)> apply;
};

[[noreturn]] void Fail(std::string_view option, std::string_view why) {
  throw CommandLineError(std::string(option) + ": " + std::string(why));
}

uint64_t ParseNumber(std::string_view option, std::string_view text, uint64_t max) {
  uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) {
    Fail(option, "'" + std::string(text) + "' is not a whole number");
  }
  if (value > max) Fail(option, std::string(text) + " is larger than " + std::to_string(max));
  return value;
}

std::chrono::milliseconds ParseMilliseconds(std::string_view option, std::string_view text) {
  return std::chrono::milliseconds(ParseNumber(option, text, kMaxMilliseconds));
}

uint32_t ParseCode(std::string_view option, std::string_view text) {
  return static_cast<uint32_t>(ParseNumber(option, text, std::numeric_limits<uint32_t>::max()));
}

std::string NonEmpty(std::string_view option, std::string_view text) {
  if (text.empty()) Fail(option, "needs a text that is not empty");
  return std::string(text);
}

// "3.1.1199": exactly three parts, as the attach reply carries them.
void ParseVersion(std::string_view option, std::string_view text, SimOptions& options) {
  int32_t* parts[] = {&options.version_major, &options.version_minor, &options.version_build};
  std::string_view rest = text;
  for (size_t i = 0; i < std::size(parts); ++i) {
    const size_t dot = rest.find('.');
    const bool last = i + 1 == std::size(parts);
    if (last != (dot == std::string_view::npos)) {
      Fail(option, "'" + std::string(text) + "' is not a version like 3.1.1199");
    }
    const std::string_view part = last ? rest : rest.substr(0, dot);
    *parts[i] =
        static_cast<int32_t>(ParseNumber(option, part, std::numeric_limits<int32_t>::max()));
    if (!last) rest.remove_prefix(dot + 1);
  }
}

const std::vector<Option>& Options() {
  static const std::vector<Option> options = {
      {"--app-key", "KEY", "application key; the main window's title starts with it (Orvanta)",
       [](SimCommandLine& line, std::string_view v) {
         line.options.application_key = NonEmpty("--app-key", v);
       }},
      {"--title", "TEXT", "the main window's whole title (KEY - Dental Imaging)",
       [](SimCommandLine& line, std::string_view v) {
         line.options.window_title = std::string(v);
       }},
      {"--class", "NAME", "the main window's class (ThunderRT6MDIForm)",
       [](SimCommandLine& line, std::string_view v) {
         line.options.main_window_class = NonEmpty("--class", v);
       }},
      {"--name", "NAME", "the name the attach reply reports (Orvanta)",
       [](SimCommandLine& line, std::string_view v) { line.options.name = std::string(v); }},
      {"--report-version", "A.B.C", "the version the attach reply reports (3.1.1199)",
       [](SimCommandLine& line, std::string_view v) {
         ParseVersion("--report-version", v, line.options);
       }},
      {"--demo-data", "", "start with the demo data set (the one --data-template writes)",
       [](SimCommandLine& line, std::string_view) { line.demo_data = true; }},
      {"--data", "FILE", "start with the users, patients, images... of a JSON data file",
       [](SimCommandLine& line, std::string_view v) { line.data_file = NonEmpty("--data", v); }},
      {"--data-template", "", "write a commented data file (the demo data set) and end",
       [](SimCommandLine& line, std::string_view) { line.data_template = true; }},
      {"--trace", "FILE", "write every request and reply, field by field, to FILE (-: stdout)",
       [](SimCommandLine& line, std::string_view v) { line.trace_file = NonEmpty("--trace", v); }},
      {"--logged-in", "LOGIN", "start with this user logged in (made if not known)",
       [](SimCommandLine& line, std::string_view v) {
         line.logged_in = NonEmpty("--logged-in", v);
       }},
      {"--no-reply", "", "answer nothing",
       [](SimCommandLine& line, std::string_view) { line.faults.no_reply = true; }},
      {"--reply-delay-ms", "N", "answer N ms after the request, from the message loop",
       [](SimCommandLine& line, std::string_view v) {
         line.faults.reply_delay = ParseMilliseconds("--reply-delay-ms", v);
       }},
      {"--reply-code", "N", "answer with command code N instead of the right one",
       [](SimCommandLine& line, std::string_view v) {
         line.faults.reply_code = ParseCode("--reply-code", v);
       }},
      {"--reply-size", "N", "answer with N bytes, cut or zero-padded",
       [](SimCommandLine& line, std::string_view v) {
         line.faults.reply_size =
             static_cast<size_t>(ParseNumber("--reply-size", v, kMaxReplySize));
       }},
      {"--destroy-on-request", "", "destroy the control window on a request, answer nothing",
       [](SimCommandLine& line, std::string_view) {
         line.faults.destroy_control_window_on_request = true;
       }},
      {"--ignore-attach", "", "do not answer the attach broadcast",
       [](SimCommandLine& line, std::string_view) { line.faults.ignore_attach = true; }},
      {"--reply-from-pump", "", "answer after the request's send has returned",
       [](SimCommandLine& line, std::string_view) { line.faults.timing = ReplyTiming::kFromPump; }},
      {"--busy-ms", "N", "work N ms on a request before answering, looking at no message",
       [](SimCommandLine& line, std::string_view v) {
         line.faults.busy = ParseMilliseconds("--busy-ms", v);
       }},
      {"--duplicate-reply", "", "answer every request twice",
       [](SimCommandLine& line, std::string_view) { line.faults.duplicate_reply = true; }},
      {"--look-every-ms", "N",
       "look at messages only every N ms, busy in between (below 5000: slow, not hung)",
       [](SimCommandLine& line, std::string_view v) {
         line.options.look_interval = ParseMilliseconds("--look-every-ms", v);
       }},
      {"--freeze-ms", "N", "right after starting, look at no message for N ms (a hung program)",
       [](SimCommandLine& line, std::string_view v) {
         line.freeze = ParseMilliseconds("--freeze-ms", v);
       }},
      {"--only-for", "CODE", "the faults apply only to this request code (1002: attach)",
       [](SimCommandLine& line, std::string_view v) {
         line.faults.only_for_command = ParseCode("--only-for", v);
       }},
      {"--exit-after-ms", "N", "end by itself after N ms (default: when its window closes)",
       [](SimCommandLine& line, std::string_view v) {
         line.exit_after = ParseMilliseconds("--exit-after-ms", v);
       }},
      {"--verbose", "", "report the start and the end on standard output",
       [](SimCommandLine& line, std::string_view) { line.verbose = true; }},
      {"--version", "", "show orva-sim's own version and end",
       [](SimCommandLine& line, std::string_view) { line.version = true; }},
      {"--help", "", "show this text",
       [](SimCommandLine& line, std::string_view) { line.help = true; }},
  };
  return options;
}

const Option* FindOption(std::string_view name) {
  for (const Option& option : Options()) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

// Reads `arguments` into `line`; a value may follow its option as the next argument or after
// '=' in the same one.
void Apply(std::span<const std::string> arguments, SimCommandLine& line) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.size() > 1 && argument[0] == '/') {
      line.launch_switches.push_back(argument);
      continue;
    }
    if (argument.rfind("--", 0) != 0) {
      throw CommandLineError("unexpected argument '" + argument + "'");
    }
    const size_t equals = argument.find('=');
    const std::string_view name = std::string_view(argument).substr(0, equals);
    const Option* option = FindOption(name);
    if (option == nullptr) {
      std::vector<platform::KnownWord> known;
      for (const Option& candidate : Options()) known.push_back({candidate.name, candidate.name});
      const std::optional<std::string> meant = platform::Nearest(name, known);
      throw CommandLineError("unknown option '" + std::string(name) + "'" +
                             (meant ? "; did you mean " + *meant + "?" : ""));
    }

    if (option->value_name.empty()) {
      if (equals != std::string::npos) Fail(name, "takes no value");
      option->apply(line, {});
    } else if (equals != std::string::npos) {
      option->apply(line, std::string_view(argument).substr(equals + 1));
    } else if (i + 1 < arguments.size()) {
      option->apply(line, arguments[++i]);
    } else {
      Fail(name, "needs a value (" + std::string(option->value_name) + ")");
    }
  }
}

}  // namespace

std::vector<std::string> SplitArguments(std::string_view text) {
  std::vector<std::string> arguments;
  std::string current;
  bool in_argument = false;
  bool quoted = false;
  for (const char c : text) {
    if (c == '"') {
      quoted = !quoted;
      in_argument = true;  // "" is an empty argument
    } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
      if (in_argument) arguments.push_back(std::move(current));
      current.clear();
      in_argument = false;
    } else {
      current += c;
      in_argument = true;
    }
  }
  if (quoted) throw CommandLineError(std::string(kArgumentsVariable) + ": a quote is not closed");
  if (in_argument) arguments.push_back(std::move(current));
  return arguments;
}

SimCommandLine ParseCommandLine(const std::vector<std::string>& from_environment,
                                const std::vector<std::string>& from_command_line) {
  SimCommandLine line;
  try {
    Apply(from_environment, line);
  } catch (const CommandLineError& error) {
    throw CommandLineError(std::string(kArgumentsVariable) + ": " + error.what());
  }
  Apply(from_command_line, line);
  if (line.demo_data && line.data_file) {
    throw CommandLineError(
        "--data and --demo-data exclude each other; to change the demo data, load an edited copy "
        "of what --data-template writes");
  }
  for (const std::string& argument : from_command_line) {
    if (!line.options.launch_arguments.empty()) line.options.launch_arguments += ' ';
    line.options.launch_arguments += argument;
  }
  return line;
}

std::string Usage() {
  std::string text =
      "usage: orva-sim [options] [/LAUNCH-SWITCH...]\n"
      "\n"
      "A simulated imaging application: it answers the attach broadcast and the copy-data\n"
      "requests of Orvabridge until its main window is closed. Options are read from the\n"
      "ORVA_SIM_ARGS environment variable first, then from the command line. Launch switches\n"
      "such as /NOFP and /NOLOGIN are accepted and ignored.\n"
      "\n";
  for (const Option& option : Options()) {
    std::string head = "  " + std::string(option.name);
    if (!option.value_name.empty()) head += " " + std::string(option.value_name);
    head.resize(std::max<size_t>(head.size() + 2, 26), ' ');
    text += head + std::string(option.help) + "\n";
  }
  return text;
}

}  // namespace orvabridge::sim
