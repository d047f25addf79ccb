#include "operations/database_lookups.h"

#include <charconv>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "environment/class_library.h"
#include "link/appl_core.h"
#include "link/number_text.h"
#include "operations/patients.h"
#include "platform/database.h"
#include "platform/runtime_failure.h"

namespace orvabridge::operations {
namespace {

using platform::DbConnection;
using platform::QueryResult;

constexpr int32_t kInvalidUseOfNull = 94;
constexpr int32_t kItemNotFound = 3265;
constexpr int32_t kConnectionUnusable = 3709;

constexpr std::string_view kLicenceQuery = "SELECT * from License_T order by DateInserted desc";
constexpr std::string_view kRootQuery = "SELECT * FROM Root_T WHERE Status =1;";
// The patient id travels as a parameter: a quote in it cannot end a literal or change the
// query, while the LIKE wildcards in it keep matching.
constexpr std::string_view kPatientQuery = "SELECT * FROM Patient_T WHERE PersonNr_CH like ?;";

constexpr int64_t kFolderBucketSize = 500;

std::unique_ptr<DbConnection> ConnectThroughClassLibrary(link::ApplCore& core,
                                                         std::string_view vendor_key,
                                                         std::string_view application_key) {
  platform::Platform& platform = core.platform();
  const auto library = environment::CreateClassLibrary(platform.Reg(), platform.AnsiCodePage(),
                                                       platform.Databases());
  return library->GetDatabaseConnection(vendor_key, application_key);
}

// A query needs a connection; without one it fails the way opening a recordset does.
QueryResult Open(DbConnection* connection, std::string_view sql,
                 std::span<const std::string> parameters = {}) {
  if (!connection) {
    throw RuntimeFailure(kConnectionUnusable,
                         "The connection cannot be used to perform this operation. It is either "
                         "closed or invalid in this context.");
  }
  return connection->Query(sql, parameters);
}

// The value of `column` in the first row; the caller has made sure there is one.
const std::optional<std::string>& FirstRowValue(const QueryResult& result,
                                                std::string_view column) {
  const std::optional<size_t> index = result.Column(column);
  if (!index) {
    throw RuntimeFailure(kItemNotFound,
                         "Item cannot be found in the collection corresponding to the requested "
                         "name or ordinal.");
  }
  return result.rows.front()[*index];
}

const std::string& AsText(const std::optional<std::string>& value) {
  if (!value) throw RuntimeFailure(kInvalidUseOfNull, "Invalid use of Null");
  return *value;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A database value as a signed 32-bit key: a decimal number (the driver hands every value over
// as text), rounded half to even; anything else is a type mismatch, too large a number an
// overflow.
int32_t AsKey(const std::optional<std::string>& value) {
  std::string_view text = AsText(value);
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);  // from_chars takes no '+'
  // Digits must lead (after a sign): from_chars would also read "inf" and "nan".
  const std::string_view body = !text.empty() && text.front() == '-' ? text.substr(1) : text;
  const bool numeric_start = !body.empty() && (IsDigit(body.front()) || body.front() == '.');
  double number = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), number, std::chars_format::general);
  const bool number_read = error == std::errc() || error == std::errc::result_out_of_range;
  if (!numeric_start || !number_read || end != text.data() + text.size()) {
    throw RuntimeFailure(failure::kTypeMismatch, "Type mismatch");
  }
  if (error == std::errc::result_out_of_range) throw RuntimeFailure(failure::kOverflow, "Overflow");
  return link::RoundToInt32(number);
}

// The folder name of the key's group of 500: the largest multiple of 500 not above the key,
// then "_". Worked in 64 bits, so the keys at the top of the 32-bit range have a bucket too.
std::string BucketName(int32_t key) {
  const int64_t wide = key;
  const int64_t bucket = wide < 0 ? 0 : wide - wide % kFolderBucketSize;
  return std::to_string(bucket) + "_";
}

}  // namespace

std::string GetGeneralInfo(link::ApplCore& core, ggis ggiType) {
  if (ggiType != ggiLicName) return {};
  const std::unique_ptr<DbConnection> connection = ConnectThroughClassLibrary(core, {}, {});
  const QueryResult licences = Open(connection.get(), kLicenceQuery);
  if (licences.rows.empty()) return {};
  return AsText(FirstRowValue(licences, "Name"));
}

std::string GetCurrentPatientFolder(link::ApplCore& core) {
  if (core.thread().stub_mode) return core.system().Environment("TEMP").value_or(std::string());

  const environment::Installation& installation = core.thread().installation;
  const std::unique_ptr<DbConnection> connection =
      ConnectThroughClassLibrary(core, installation.vendor_key, installation.application_key);
  std::string root;  // stays empty without a connection or an active root
  if (connection) {
    const QueryResult roots = Open(connection.get(), kRootQuery);
    if (!roots.rows.empty()) root = AsText(FirstRowValue(roots, "RootDirectory"));
  }

  std::string patient_id, unused[10];
  GetCurrentPatient(core, patient_id, unused[0], unused[1], unused[2], unused[3], unused[4],
                    unused[5], unused[6], unused[7], unused[8], unused[9]);
  if (patient_id.empty()) return {};  // no patient open, or the imaging application did not say

  const std::string parameters[] = {patient_id};
  const QueryResult patients = Open(connection.get(), kPatientQuery, parameters);
  const int32_t key = patients.rows.empty() ? 0 : AsKey(FirstRowValue(patients, "PatientID"));
  if (key == 0) return {};
  // The parts are joined as they are: a root that ends in "\" gives a doubled separator.
  return root + "\\" + BucketName(key) + "\\" + std::to_string(key);
}

}  // namespace orvabridge::operations
