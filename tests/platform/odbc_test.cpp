// The ODBC database service against a real driver (SQLite): parameters are data, values and
// names come back as UTF-8 text, NULL stays distinguishable from empty, long values arrive
// whole, and every failure is a RuntimeFailure with the driver's own message.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/odbc_database.h"
#include "platform/odbc/utf16.h"
#include "platform/runtime_failure.h"
#include "platform/odbc_sqlite_file.h"

namespace orvabridge::platform::odbc {
namespace {

using orvabridge::testing::SqliteTestFile;
using Row = std::vector<std::optional<std::string>>;

class OdbcDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override { connection_ = database_.Connect(file_.ConnectionString()); }

  QueryResult Run(std::string_view sql, std::vector<std::string> parameters = {}) {
    return connection_->Query(sql, parameters);
  }

  SqliteTestFile file_;
  OdbcDatabase database_;
  std::unique_ptr<DbConnection> connection_;
};

TEST_F(OdbcDatabaseTest, ValuesAndColumnNamesRoundTrip) {
  Run("CREATE TABLE Person_T (Id INTEGER, Name TEXT, Note TEXT)");
  const std::string name = "Åsa Öberg 中文 \xF0\x9F\xA6\xB7";
  EXPECT_TRUE(Run("INSERT INTO Person_T VALUES (?, ?, NULL)", {"7", name}).columns.empty());
  Run("INSERT INTO Person_T VALUES (8, '', 'x')");

  const QueryResult result =
      Run("SELECT Id, Name, Note AS \"Bemerkung é\" FROM Person_T ORDER BY Id");
  EXPECT_EQ(result.columns, (std::vector<std::string>{"Id", "Name", "Bemerkung é"}));
  ASSERT_EQ(result.rows.size(), 2u);
  EXPECT_EQ(result.rows[0], (Row{"7", name, std::nullopt}));
  EXPECT_EQ(result.rows[1], (Row{"8", "", "x"}));  // empty text is not NULL
}

TEST_F(OdbcDatabaseTest, ParametersAreDataNeverSql) {
  Run("CREATE TABLE Id_T (Code TEXT)");
  for (const char* code : {"O'Brien", "P-1001", "P-1002", "P-10x1", "50%", "a_b"}) {
    Run("INSERT INTO Id_T VALUES (?)", {code});
  }
  auto codes = [&](std::string pattern) {
    std::vector<std::string> found;
    const auto rows = Run("SELECT Code FROM Id_T WHERE Code LIKE ? ORDER BY rowid", {pattern}).rows;
    for (const auto& row : rows) found.push_back(*row[0]);
    return found;
  };
  EXPECT_EQ(codes("O'Brien"), (std::vector<std::string>{"O'Brien"}));
  EXPECT_TRUE(codes("x' OR '1'='1").empty());
  EXPECT_TRUE(codes("'; DROP TABLE Id_T; --").empty());
  EXPECT_EQ(codes("P-100%"), (std::vector<std::string>{"P-1001", "P-1002"}));
  EXPECT_EQ(codes("P-10_1"), (std::vector<std::string>{"P-1001", "P-10x1"}));
  EXPECT_EQ(codes(""), std::vector<std::string>{});
  EXPECT_EQ(Run("SELECT count(*) FROM Id_T").rows[0][0], "6");  // the table survived
}

TEST_F(OdbcDatabaseTest, LongValuesArriveWhole) {
  // Long enough for several reads, with a surrogate pair at every possible piece boundary.
  std::string text;
  for (int i = 0; i < 1500; ++i) text += (i % 3 == 0) ? "\xF0\x9F\x98\x80" : "ab";
  Run("CREATE TABLE Text_T (Body TEXT)");
  Run("INSERT INTO Text_T VALUES (?)", {text});
  const QueryResult result = Run("SELECT Body, length(Body) FROM Text_T");
  ASSERT_EQ(result.rows.size(), 1u);
  EXPECT_EQ(result.rows[0][0], text);
  EXPECT_EQ(result.rows[0][1], "2500");
}

TEST_F(OdbcDatabaseTest, FailuresCarryTheDriversMessageAndLeaveTheConnectionUsable) {
  try {
    Run("SELECT * FROM Missing_T");
    FAIL() << "the query should fail";
  } catch (const RuntimeFailure& failure) {
    EXPECT_NE(failure.number(), 0);
    EXPECT_NE(failure.description().find("Missing_T"), std::string::npos) << failure.description();
  }
  EXPECT_THROW(Run("SELEC 1"), RuntimeFailure);
  EXPECT_EQ(Run("SELECT 1 + 1").rows, (std::vector<Row>{{"2"}}));
}

TEST(OdbcConnect, RefusedConnectionsThrow) {
  OdbcDatabase database;
  try {
    database.Connect("Driver={No Such Orvabridge Driver};Database=x");
    FAIL() << "Connect should throw";
  } catch (const RuntimeFailure& failure) {
    EXPECT_FALSE(failure.description().empty());
  }
  EXPECT_THROW(database.Connect(""), RuntimeFailure);
  EXPECT_THROW(database.Connect(std::string(40000, 'x')), RuntimeFailure);  // beyond ODBC's limit
}

TEST(Utf16Text, ConvertsEveryPlaneAndRepairsMalformedInput) {
  const std::string text = "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\xA6\xB7";  // A é 中 U+1F9B7
  EXPECT_EQ(Utf8ToUtf16(text), (std::u16string{u'A', 0x00E9, 0x4E2D, 0xD83E, 0xDDB7}));
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);

  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("a\xC3")), "a" + replacement);                    // cut short
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("\xC0\xAF")), replacement + replacement);         // overlong
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("\xED\xA0\x80")).substr(0, 3), replacement);      // surrogate
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("\xF4\x90\x80\x80")).substr(0, 3), replacement);  // > U+10FFFF
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83E, u'x'}), replacement + "x");  // unpaired half
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDDB7}), replacement);
}

}  // namespace
}  // namespace orvabridge::platform::odbc
