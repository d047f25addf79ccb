#include "platform/odbc/odbc_statement.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "platform/odbc/odbc_failure.h"
#include "platform/odbc/odbc_handle.h"
#include "platform/odbc/utf16.h"
#include "platform/runtime_failure.h"

namespace orvabridge::platform::odbc {
namespace {

// Values are read in pieces of this many UTF-16 units, terminator included; longer values take
// several SQLGetData calls.
constexpr size_t kChunkUnits = 512;
constexpr SQLLEN kUnitBytes = static_cast<SQLLEN>(sizeof(SQLWCHAR));

// A zero-terminated UTF-16 buffer for the driver.
std::vector<SQLWCHAR> ToSqlText(std::string_view utf8) {
  const std::u16string wide = Utf8ToUtf16(utf8);
  std::vector<SQLWCHAR> text(wide.begin(), wide.end());
  text.push_back(0);
  return text;
}

// Stops at a terminator inside `units` too: some driver managers (Wine's among them) report a
// length counted in bytes of another encoding, which can be longer than the text.
std::string FromSqlText(const SQLWCHAR* text, size_t units) {
  const SQLWCHAR* end = std::find(text, text + units, SQLWCHAR{0});
  return Utf16ToUtf8(std::u16string(text, end));
}

// A bound parameter's value and length must stay where they are until the statement has run.
struct BoundText {
  std::vector<SQLWCHAR> text;
  SQLLEN length_bytes = 0;
};

void BindParameters(SQLHSTMT statement, std::span<const std::string> parameters,
                    std::vector<BoundText>& bound) {
  if (parameters.size() > std::numeric_limits<SQLUSMALLINT>::max()) {
    throw RuntimeFailure(kUnspecifiedFailure, "Too many query parameters.");
  }
  bound.resize(parameters.size());  // sized once: the driver keeps pointers into it
  for (size_t i = 0; i < parameters.size(); ++i) {
    BoundText& value = bound[i];
    value.text = ToSqlText(parameters[i]);
    const size_t units = value.text.size() - 1;
    value.length_bytes = static_cast<SQLLEN>(units) * kUnitBytes;
    // Some drivers refuse a column size of 0, even for an empty text.
    const SQLULEN column_size = std::max<SQLULEN>(units, 1);
    Check(DriverManager().BindParameter(
              statement, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, SQL_C_WCHAR,
              SQL_WVARCHAR, column_size, 0, value.text.data(),
              static_cast<SQLLEN>(value.text.size()) * kUnitBytes, &value.length_bytes),
          SQL_HANDLE_STMT, statement, "SQLBindParameter");
  }
}

std::string ColumnName(SQLHSTMT statement, SQLUSMALLINT column) {
  std::vector<SQLWCHAR> name(128);
  for (;;) {
    SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    Check(DriverManager().DescribeColW(statement, column, name.data(),
                                       static_cast<SQLSMALLINT>(name.size()), &length, &type, &size,
                                       &digits, &nullable),
          SQL_HANDLE_STMT, statement, "SQLDescribeColW");
    if (length < static_cast<SQLSMALLINT>(name.size()) || name.size() >= 32767) {
      const size_t units =
          std::min(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), name.size() - 1);
      return FromSqlText(name.data(), units);
    }
    name.assign(std::min<size_t>(static_cast<size_t>(length) + 1, 32767), 0);
  }
}

// Reads one value of the current row as text, piece by piece.
std::optional<std::string> ReadValue(SQLHSTMT statement, SQLUSMALLINT column) {
  std::vector<SQLWCHAR> chunk(kChunkUnits);
  const SQLLEN chunk_bytes = static_cast<SQLLEN>(kChunkUnits) * kUnitBytes;
  std::u16string text;
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN rc = DriverManager().GetData(statement, column, SQL_C_WCHAR, chunk.data(),
                                                 chunk_bytes, &indicator);
    if (rc == SQL_NO_DATA) break;  // the previous piece was the last
    Check(rc, SQL_HANDLE_STMT, statement, "SQLGetData");
    if (indicator == SQL_NULL_DATA) return std::nullopt;

    // `indicator` is what was left before this call; when it fits beside the terminator this
    // is the last piece. A truncated piece fills the buffer up to its terminator.
    const bool last =
        rc == SQL_SUCCESS || (indicator != SQL_NO_TOTAL && indicator <= chunk_bytes - kUnitBytes);
    size_t units = 0;
    if (last && indicator >= 0) {
      units = std::min(static_cast<size_t>(indicator / kUnitBytes), kChunkUnits - 1);
    } else {
      units = static_cast<size_t>(std::find(chunk.begin(), chunk.end() - 1, SQLWCHAR{0}) -
                                  chunk.begin());
    }
    text.append(chunk.begin(), chunk.begin() + static_cast<ptrdiff_t>(units));
    if (last || units == 0) break;  // units == 0: a driver that makes no progress
  }
  return Utf16ToUtf8(text);
}

}  // namespace

QueryResult RunQuery(SQLHDBC connection, std::string_view sql,
                     std::span<const std::string> parameters) {
  OdbcHandle statement(SQL_HANDLE_STMT, connection);
  SQLHSTMT handle = statement.get();

  std::vector<SQLWCHAR> text = ToSqlText(sql);
  if (text.size() - 1 > static_cast<size_t>(std::numeric_limits<SQLINTEGER>::max())) {
    throw RuntimeFailure(kUnspecifiedFailure, "The query text is too long.");
  }
  Check(DriverManager().PrepareW(handle, text.data(), static_cast<SQLINTEGER>(text.size() - 1)),
        SQL_HANDLE_STMT, handle, "SQLPrepareW");
  std::vector<BoundText> bound;
  BindParameters(handle, parameters, bound);

  QueryResult result;
  const SQLRETURN executed = DriverManager().Execute(handle);
  if (executed == SQL_NO_DATA) return result;  // a statement that changed no rows
  Check(executed, SQL_HANDLE_STMT, handle, "SQLExecute");

  SQLSMALLINT columns = 0;
  Check(DriverManager().NumResultCols(handle, &columns), SQL_HANDLE_STMT, handle,
        "SQLNumResultCols");
  if (columns <= 0) return result;  // not a query: nothing to read

  const auto count = static_cast<SQLUSMALLINT>(columns);
  for (SQLUSMALLINT c = 1; c <= count; ++c) result.columns.push_back(ColumnName(handle, c));
  for (;;) {
    const SQLRETURN fetched = DriverManager().Fetch(handle);
    if (fetched == SQL_NO_DATA) break;
    Check(fetched, SQL_HANDLE_STMT, handle, "SQLFetch");
    auto& row = result.rows.emplace_back();
    row.reserve(count);
    for (SQLUSMALLINT c = 1; c <= count; ++c) row.push_back(ReadValue(handle, c));
  }
  return result;
}

}  // namespace orvabridge::platform::odbc
