#include "doctor.h"

#include <algorithm>

#include "doctor_checks.h"
#include "output/json.h"

namespace orvabridge::orvactl {
namespace {

constexpr size_t kTopicWidth = 15;

int Severity(CheckStatus status) { return static_cast<int>(status); }

std::string Padded(std::string_view text, size_t width) {
  std::string padded(text);
  padded.append(padded.size() < width ? width - padded.size() : 1, ' ');
  return padded;
}

size_t Count(const std::vector<CheckLine>& lines, CheckStatus status) {
  return static_cast<size_t>(std::count_if(
      lines.begin(), lines.end(), [&](const CheckLine& line) { return line.status == status; }));
}

bool NeedsRemedy(CheckStatus status) {
  return status == CheckStatus::kWarn || status == CheckStatus::kFail;
}

}  // namespace

void Findings::Add(CheckStatus status, std::string finding, std::string remedy) {
  items_.push_back({status, std::move(finding), std::move(remedy)});
}

CheckLine Findings::Line(std::string_view topic, std::string ok_finding) && {
  CheckLine line;
  line.topic = topic;
  line.details = std::move(details_);
  if (items_.empty()) {
    line.finding = std::move(ok_finding);
    return line;
  }
  const auto worst = std::max_element(
      items_.begin(), items_.end(),
      [](const Item& a, const Item& b) { return Severity(a.status) < Severity(b.status); });
  line.status = worst->status;
  line.remedy = worst->remedy;
  for (const Item& item : items_) {
    line.finding += (line.finding.empty() ? "" : "; ") + item.finding;
  }
  return line;
}

std::string ViewName(platform::RegistryView view) {
  return view == platform::RegistryView::k64Bit ? "64-bit view" : "32-bit view";
}

std::vector<platform::RegistryView> Views(const DoctorContext& context) {
  if (context.survey.SystemBits() != 64) return {platform::RegistryView::k32Bit};
  const auto other = context.process_view == platform::RegistryView::k64Bit
                         ? platform::RegistryView::k32Bit
                         : platform::RegistryView::k64Bit;
  return {context.process_view, other};
}

std::string SettingsKeyOf(const environment::Installation& installation) {
  return "HKLM\\Software\\" + installation.vendor_key + "\\" + installation.application_key +
         "\\Orvabridge";
}

std::vector<CheckLine> RunDoctor(std::shared_ptr<platform::Platform> machine,
                                 platform::MachineSurvey& survey, const DoctorOptions& options) {
  DoctorContext context(std::move(machine), survey, options);
  using Check = CheckLine (*)(DoctorContext&);
  constexpr Check kChecks[] = {CheckProcess, CheckClassLibrary, CheckSettings,        CheckWindows,
                               CheckAttach,  CheckSession,      CheckComRegistration, CheckDatabase,
                               CheckTrace,   CheckIncidents};
  std::vector<CheckLine> lines;
  for (Check check : kChecks) {
    lines.push_back(check(context));
    lines.back().number = static_cast<int>(lines.size());
  }
  return lines;
}

std::string_view StatusWord(CheckStatus status) {
  switch (status) {
    case CheckStatus::kOk:
      return "OK";
    case CheckStatus::kWarn:
      return "WARN";
    case CheckStatus::kFail:
      return "FAIL";
    case CheckStatus::kNotApplicable:
      return "N/A";
  }
  return "FAIL";
}

bool AnyFailed(const std::vector<CheckLine>& lines) { return Count(lines, CheckStatus::kFail) > 0; }

void PrintDoctorText(const std::vector<CheckLine>& lines, std::ostream& out,
                     bool simulated_desktop) {
  if (simulated_desktop) out << kSimulatedDesktopNote << "\n\n";
  for (const CheckLine& line : lines) {
    const std::string number = std::to_string(line.number);
    out << std::string(number.size() < 2 ? 2 - number.size() : 0, ' ') << number << "  "
        << Padded(StatusWord(line.status), 6) << Padded(line.topic, kTopicWidth) << line.finding
        << '\n';
    if (NeedsRemedy(line.status)) {
      out << std::string(10 + kTopicWidth, ' ') << "remedy: " << line.remedy << '\n';
    }
  }
  out << '\n'
      << Count(lines, CheckStatus::kOk) << " OK, " << Count(lines, CheckStatus::kWarn) << " WARN, "
      << Count(lines, CheckStatus::kFail) << " FAIL";
  if (const size_t not_applicable = Count(lines, CheckStatus::kNotApplicable)) {
    out << ", " << not_applicable << " N/A";
  }
  out << '\n';
}

void PrintDoctorJson(const std::vector<CheckLine>& lines, std::ostream& out,
                     bool simulated_desktop) {
  out << "{\"summary\":{\"ok\":" << Count(lines, CheckStatus::kOk)
      << ",\"warn\":" << Count(lines, CheckStatus::kWarn)
      << ",\"fail\":" << Count(lines, CheckStatus::kFail)
      << ",\"not_applicable\":" << Count(lines, CheckStatus::kNotApplicable)
      << "},\"simulated_desktop\":" << (simulated_desktop ? "true" : "false") << ",\"checks\":[";
  for (size_t i = 0; i < lines.size(); ++i) {
    const CheckLine& line = lines[i];
    out << (i == 0 ? "" : ",") << "{\"number\":" << line.number
        << ",\"check\":" << JsonString(line.topic)
        << ",\"status\":" << JsonString(StatusWord(line.status))
        << ",\"finding\":" << JsonString(line.finding)
        << ",\"remedy\":" << (NeedsRemedy(line.status) ? JsonString(line.remedy) : "null")
        << ",\"details\":[";
    for (size_t d = 0; d < line.details.size(); ++d) {
      out << (d == 0 ? "" : ",") << JsonString(line.details[d]);
    }
    out << "]}";
  }
  out << "]}\n";
}

}  // namespace orvabridge::orvactl
