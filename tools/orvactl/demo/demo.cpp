#include "appl/appl_access.h"
#include "demo.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "calls/call.h"
#include "demo_installation.h"
#include "output/report.h"
#include "output/text_layout.h"
#include "workbench/demo_data.h"

namespace orvabridge::orvactl {
namespace {

constexpr const char* kTextOutValue = "OrvabridgeTXTOUT";
constexpr size_t kCallWidth = 24;

using Values = std::map<std::string, Value>;

Value Text(const char* text) { return std::string(text); }

class DemoTable {
 public:
  explicit DemoTable(std::ostream& out) : out_(out) {}

  void Section(std::string_view title) {
    out_ << '\n'
         << title << "\n\n"
         << "  #  " << Cell("Call", kCallWidth) << "Result\n"
         << "  -  " << Cell("----", kCallWidth) << "------\n";
  }

  // The call's result, its outputs (or error) and what the step shows.
  void Row(const CallOutcome& outcome, std::string_view explanation) {
    ++number_;
    const std::string number = std::to_string(number_);
    out_ << std::string(3 - std::min<size_t>(3, number.size()), ' ') << number << "  "
         << Cell(outcome.command->member, kCallWidth) << ResultCell(outcome) << '\n';
    out_ << FillLines(DetailItems(outcome), kIndent, kWidth, "  ")
         << FillWords("-> " + std::string(explanation), kIndent, kWidth);
  }

  void Note(std::string_view text) {
    out_ << FillWords("** " + std::string(text), kIndent, kWidth);
  }

 private:
  static std::string Cell(std::string_view text, size_t width) {
    std::string cell(text);
    cell.append(cell.size() < width ? width - cell.size() : 1, ' ');
    return cell;
  }
  static constexpr size_t kIndent = 5 + kCallWidth;
  static constexpr size_t kWidth = 110;

  std::ostream& out_;
  int number_ = 0;
};

struct Tour {
  Workbench& workbench;
  DemoTable& table;
  StatusLine* status;

  CallOutcome Step(Appl& appl, std::string_view command, Values values,
                   std::string_view explanation) {
    const CommandEntry& called = *FindCommand(command);
    CallOutcome outcome;
    {
      std::optional<WaitProgress> progress;
      if (status != nullptr) progress.emplace(*status, std::string(called.member));
      outcome = Call(appl, called, std::move(values));
    }
    outcome.stub_mode = called.member == "InitApplication" && outcome.ResultCode() == 1 &&
                        ApplAccess::Core(appl).thread().stub_mode;
    table.Row(outcome, explanation);
    return outcome;
  }
};

Values NewPatient(const char* id, const char* first, const char* last) {
  return {{"PatID", Text(id)},
          {"FName", Text(first)},
          {"LName", Text(last)},
          {"Sex", Text("F")},
          {"Adress", Text("Quay Street 9, Northport")},
          {"TelOne", Text("+47 555 0101")},
          {"Birthdate", Text("04.07.1990")},
          {"Email", Text("demo.patient@example.org")},
          {"OtherIDs", Text("INS-778812")}};
}

void LinkedTour(Tour& tour, Appl& appl) {
  using namespace demo_data;
  const CallOutcome attached =
      tour.Step(appl, "init", {},
                "Finds the application's control window; nobody answers at first, so the "
                "library starts the installed executable and attaches to it.");
  if (attached.stub_mode) {
    tour.table.Note(
        "stub mode: no imaging application is installed (the class library names no "
        "executable), so the rows below show what the library answers without one");
  } else if (attached.ResultCode() == 1) {
    tour.workbench.SeedLaunchedApplication(false);
    tour.table.Note(std::string("demo data given to the application: ") + kSummary);
  }
  tour.Step(appl, "session", {}, "Who is logged in? Nobody yet: IsLoggedIn is false.");
  tour.Step(appl, "find-patient", {{"PatID", Text(kPatient)}},
            "Requests check the session first: with nobody logged in the answer is -12.");

  const CallOutcome login =
      tour.Step(appl, "login", {{"LoginName", Text(kUser)}, {"Password", Text(kPassword)}},
                "Logs the demo user in; the reply fills in the user's names.");
  if (!login.Succeeded() && tour.workbench.LogInFromApplication(kUser)) {
    tour.table.Note(
        "the login did not succeed, so the user logs in on the application's side "
        "and the tour goes on");
  }
  tour.Step(appl, "session", {}, "The session now names the logged-in user and their rights.");

  tour.Step(appl, "add-patient-ex", NewPatient(kNewPatient, "Maja", "Lind"),
            "Hands a new patient record to the application; no answer is awaited.");
  tour.Step(appl, "find-patient", {{"PatID", Text(kNewPatient)}},
            "Finds the new patient by id and returns the names.");
  tour.Step(appl, "show-patient", {{"PatID", Text(kNewPatient)}},
            "Opens the patient and waits until the application reports it as current.");
  tour.Step(appl, "current-patient", {}, "Reads the patient now open, with all fields.");

  tour.Step(appl, "search-image", {{"patientid", Text(kPatient)}},
            "Describes the first image of patient 1001 (any date).");
  tour.Step(appl, "get-image", {{"PictureID", Text(kPicture)}, {"templib", Text("C:\\Temp\\")}},
            "Has the image file delivered into a folder and returns its path.");
  tour.Step(appl, "selected-image", {}, "Describes the image selected on the screen.");
  tour.Step(appl, "selected-card", {}, "Reads the selected image card: number, patient, content.");
  tour.Step(appl, "worklist", {{"PatID", Text(kPatient)}},
            "Sends a worklist query; the answer is the application's count of entries.");
  tour.Step(appl, "resp-person", {}, "Reads the responsible person.");
  tour.Step(appl, "general-info", {{"ggiType", Value(int32_t{ggiLicName})}},
            "Reads the licence name straight from the application's database.");
  tour.Step(appl, "patient-folder", {},
            "Reads the current patient's folder straight from the database.");
  tour.Step(appl, "logout", {}, "Ends the session.");
}

// The folder text-out writes below: a fresh folder in the desktop's TEMP.
std::string TextOutFolder(platform::Platform& platform) {
  const std::string temp = platform.System().Environment("TEMP").value_or("C:\\Temp");
  const std::string folder = temp + (temp.ends_with('\\') ? "" : "\\") + "OrvactlTextOut";
  if (!platform.Files().FolderExists(folder)) platform.Files().CreateFolder(folder);
  return folder + "\\";
}

uintmax_t FileSize(const std::filesystem::path& path) {
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  return ec ? 0 : size;
}

void ShowTextOutFile(Workbench& workbench, const std::string& windows_path, uintmax_t skip,
                     std::ostream& out) {
  const std::filesystem::path host = workbench.HostPath(windows_path);
  out << "\nText-out file: " << windows_path << '\n';
  if (host.string() != windows_path) out << "  (on this machine: " << host.string() << ")\n";
  std::ifstream in(host, std::ios::binary);
  if (!in) {
    out << "  (not written)\n";
    return;
  }
  in.seekg(static_cast<std::streamoff>(skip));
  const std::string ansi((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string text = workbench.Platform()->AnsiCodePage().FromAnsi(ansi);
  std::string line;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      out << "  | " << line << '\n';
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) out << "  | " << line << '\n';
}

void TextOutTour(Tour& tour, std::ostream& out) {
  using namespace demo_data;
  const std::string folder = TextOutFolder(*tour.workbench.Platform());
  // The demo's own installation: the machine's settings are never touched.
  const auto installation = std::make_shared<DemoInstallation>(tour.workbench.Platform(), folder);
  tour.table.Section(
      "Text-out mode, in an installation of the demo's own (held in memory, "
      "never written): HKEY_LOCAL_MACHINE\\" +
      installation->SettingsKey() + " \"" + kTextOutValue + "\" = \"" + folder + "\"");
  std::string file;
  uintmax_t written_before = 0;
  {
    const auto made = ApplAccess::Make(installation);
    Appl& appl = *made;
    file = ApplAccess::Core(appl).text_out().FilePath();
    written_before = FileSize(tour.workbench.HostPath(file));
    const CallOutcome to_file =
        tour.Step(appl, "to-file", {},
                  "A new Appl reads the setting: calls are now written to a file, not sent.");
    if (to_file.returned != Returned(true)) {
      tour.table.Note("text-out mode is off: the text-out folder could not be used");
    }
    tour.Step(appl, "find-patient", {{"PatID", Text(kPatient)}},
              "Only logs the call; the result in text-out mode is 0.");
    tour.Step(appl, "add-patient-ex", NewPatient(kTextOutPatient, "Ola", "Nord"),
              "Logs the call with all twelve fields and returns 1.");
    tour.Step(appl, "show-patient-ex",
              {{"PatID", Text(kTextOutPatient)}, {"lOptions", Value(int32_t{1})}},
              "Logs the call with its options and returns 1.");
    tour.Step(appl, "logout", {}, "Logs the call and returns 1.");
  }  // the Appl writes what is still pending as it goes
  ShowTextOutFile(tour.workbench, file, written_before, out);
}

}  // namespace

int RunDemo(Workbench& workbench, std::ostream& out, std::ostream& err, StatusLine* status) {
  try {
    out << "Orvabridge guided session\n";
    DemoTable table(out);
    Tour tour{workbench, table, status};
    table.Section("Linked to the imaging application");
    {
      const auto made = ApplAccess::Make(workbench.Platform());
      Appl& appl = *made;
      LinkedTour(tour, appl);
    }
    TextOutTour(tour, out);
    out << "\nDone.\n";
    return 0;
  } catch (const AutomationError& error) {
    err << "orvactl demo: automation error " << error.number() << " (" << error.source()
        << "): " << error.description() << '\n';
  } catch (const std::exception& error) {
    err << "orvactl demo: " << error.what() << '\n';
  }
  return 4;
}

}  // namespace orvabridge::orvactl
