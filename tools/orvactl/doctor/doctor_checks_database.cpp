// Check 8: the class library's connection string, opened for reading with a short login limit
// through the platform's database service, the way the database look-ups reach it.
#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "doctor_checks.h"
#include "platform/runtime_failure.h"

namespace orvabridge::orvactl {
std::string MaskPasswords(const std::string& connection_string) {
  std::string masked;
  size_t start = 0;
  while (start <= connection_string.size()) {
    size_t end = connection_string.find(';', start);
    if (end == std::string::npos) end = connection_string.size();
    std::string part = connection_string.substr(start, end - start);
    const size_t equals = part.find('=');
    std::string name = part.substr(0, equals);
    std::erase(name, ' ');
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (equals != std::string::npos && (name.starts_with("pwd") || name.starts_with("password"))) {
      part = part.substr(0, equals + 1) + "***";
    }
    masked += (start == 0 ? "" : ";") + part;
    start = end + 1;
  }
  return masked;
}

namespace {

// How the connection attempt ended.
struct Attempt {
  bool finished = false;
  std::optional<std::string> failure;  // the driver's message, with its number
};

// Opens the connection on a thread of its own and waits for it at most `limit`: a driver that
// ignores its login time-out (a server that does not answer) cannot hold the doctor. A thread
// given up on finishes by itself; it holds the platform and its result alive until then.
Attempt ConnectWithin(std::shared_ptr<platform::Platform> platform, std::string connection_string,
                      std::chrono::seconds login_limit, std::chrono::milliseconds limit) {
  struct Shared {
    std::mutex mutex;
    std::condition_variable done;
    Attempt attempt;
  };
  auto shared = std::make_shared<Shared>();
  std::thread([shared, platform, connection_string, login_limit] {
    Attempt attempt{true, std::nullopt};
    try {
      platform->Databases().ConnectToRead(connection_string, login_limit);
    } catch (const RuntimeFailure& failure) {
      attempt.failure = failure.description() + " (" + std::to_string(failure.number()) + ")";
    } catch (const std::exception& failure) {
      attempt.failure = failure.what();
    }
    std::lock_guard lock(shared->mutex);
    shared->attempt = std::move(attempt);
    shared->done.notify_all();
  }).detach();
  std::unique_lock lock(shared->mutex);
  shared->done.wait_for(lock, limit, [&] { return shared->attempt.finished; });
  return shared->attempt;
}

}  // namespace

CheckLine CheckDatabase(DoctorContext& context) {
  Findings findings;
  if (context.installation.class_library_missing) {
    findings.Add(CheckStatus::kWarn, "not checked: the class library is missing",
                 "install the class library first (line 2)");
    return std::move(findings).Line("database", "");
  }
  const std::string connection_string =
      context.survey
          .TextInView(platform::RegistryRoot::kLocalMachine, kClassLibraryKey, "ConnectionString",
                      context.process_view)
          .value_or("");
  if (connection_string.empty()) {
    findings.Add(CheckStatus::kWarn,
                 "no ConnectionString: GetGeneralInfo and GetCurrentPatientFolder cannot read "
                 "the imaging application's database",
                 "set ConnectionString under HKLM\\Software\\Orvaclass (an ODBC connection "
                 "string, e.g. Driver={SQLite3};Database=C:\\Data\\orva.db)");
    return std::move(findings).Line("database", "");
  }
  const std::string shown = MaskPasswords(connection_string);
  findings.Detail("ConnectionString " + shown);
  // The driver's own login time-out ends a connection to a silent server first, with its own
  // message; the doctor's wait is the bound for drivers that have none.
  const std::chrono::milliseconds limit = context.options.database_wait;
  const Attempt attempt =
      ConnectWithin(context.quiet, connection_string, context.options.database_limit, limit);
  const std::string check_driver =
      "check that the driver it names is installed for " +
      std::to_string(context.survey.ProcessBits()) +
      "-bit programs (the ODBC administrator of that bitness) and that the database it names "
      "exists";
  if (!attempt.finished) {
    findings.Add(
        CheckStatus::kFail,
        "opening " + shown + " gave no answer within " + std::to_string(limit.count()) + " ms",
        "check that the database server it names runs and can be reached from here; " +
            check_driver);
  } else if (attempt.failure) {
    findings.Add(CheckStatus::kFail, "cannot open " + shown + ": " + *attempt.failure,
                 check_driver);
  }
  return std::move(findings).Line("database", "opened read-only: " + shown);
}

}  // namespace orvabridge::orvactl
