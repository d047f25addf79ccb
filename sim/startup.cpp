#include "sim/startup.h"

#include <filesystem>
#include <fstream>
#include <utility>

#include "sim/data_file.h"
#include "sim/demo_seed.h"

#ifndef ORVABRIDGE_VERSION
#error "ORVABRIDGE_VERSION (the project's version) must be defined by the build"
#endif

namespace orvabridge::sim {

namespace {

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

Startup Ending(int exit_code) {
  Startup startup;
  startup.exit_code = exit_code;
  return startup;
}

std::shared_ptr<std::ostream> OpenTrace(const std::string& name, std::ostream& out) {
  // Standard output belongs to the caller: shared without being owned.
  if (name == "-") return std::shared_ptr<std::ostream>(&out, [](std::ostream*) {});
  auto file = std::make_shared<std::ofstream>(PathOf(name), std::ios::out | std::ios::trunc);
  return *file ? file : nullptr;
}

}  // namespace

std::string_view ProgramVersion() { return ORVABRIDGE_VERSION; }

Startup PrepareStartup(std::string_view environment_arguments,
                       const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err, platform::CodePage& code_page) {
  Startup startup;
  try {
    startup.line = ParseCommandLine(SplitArguments(environment_arguments), arguments);
  } catch (const CommandLineError& error) {
    err << "orva-sim: " << error.what() << " (see --help)" << std::endl;
    return Ending(kExitUsage);
  }
  const SimCommandLine& line = startup.line;
  if (line.help) {
    out << Usage() << std::flush;
    return Ending(kExitNormal);
  }
  if (line.version) {
    out << "orva-sim " << ProgramVersion() << std::endl;
    return Ending(kExitNormal);
  }
  if (line.data_template) {
    out << DemoDataText() << std::flush;
    return Ending(kExitNormal);
  }

  if (line.demo_data) startup.data = DemoModel();
  if (line.data_file) {
    try {
      const std::string text = ReadDataFileText(PathOf(*line.data_file));
      startup.data = ParseSimData(text, *line.data_file);
      for (const std::string& warning : LostCharacterWarnings(text, *line.data_file, code_page)) {
        err << "orva-sim: --data: warning: " << warning << '\n';
      }
      err << std::flush;
    } catch (const DataFileError& error) {
      err << "orva-sim: --data: " << error.what() << std::endl;
      return Ending(kExitUsage);
    }
  }
  if (line.trace_file) {
    startup.trace = OpenTrace(*line.trace_file, out);
    if (!startup.trace) {
      err << "orva-sim: --trace: cannot write to " << *line.trace_file << std::endl;
      return Ending(kExitUsage);
    }
  }
  return startup;
}

}  // namespace orvabridge::sim
