// GetGeneralInfo and GetCurrentPatientFolder end to end: a SQLite database behind the class
// library's connection string, and a scripted imaging application that says which patient is
// open.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "operations/attached_fixture.h"
#include "platform/odbc_sqlite_file.h"
#include "support/test_platform.h"

namespace orvabridge::testing {
namespace {

namespace command = channel::command;

class DatabaseLookupTest : public AttachedTest {
 protected:
  void SetUp() override {
    AttachedTest::SetUp();
    UseConnectionString(file_.ConnectionString());
    db_ = platform_->Databases().Connect(file_.ConnectionString());
    Exec("CREATE TABLE License_T (LicenseID INTEGER PRIMARY KEY, Name TEXT, DateInserted TEXT)");
    Exec("CREATE TABLE Root_T (RootID INTEGER PRIMARY KEY, RootDirectory TEXT, Status INTEGER)");
    // No declared type: some tests store keys that are not integers.
    Exec("CREATE TABLE Patient_T (PatientID, PersonNr_CH TEXT)");

    serve_ = [this](const Request& request) {
      if (request.code != command::kCurrentPatient || !answer_) return;
      std::vector<std::byte> record(channel::patient::kShortSize);
      codec().WriteText(record, channel::patient::kId, open_patient_);
      peer_->Reply(request.reply_to, command::kCurrentPatient, record);
    };
  }
  void TearDown() override {
    db_.reset();
    AttachedTest::TearDown();
  }

  void UseConnectionString(const std::string& text) {
    WriteRegistryString(*platform_, platform::RegistryRoot::kLocalMachine, "Software\\Orvaclass",
                        "ConnectionString", text);
  }
  void Exec(const std::string& sql, std::vector<std::string> parameters = {}) {
    db_->Query(sql, parameters);
  }
  void AddRoot(const std::string& directory, int status = 1) {
    Exec("INSERT INTO Root_T (RootDirectory, Status) VALUES (?, " + std::to_string(status) + ")",
         {directory});
  }
  void AddPatient(const std::string& key_sql, const std::string& patient_id) {
    Exec("INSERT INTO Patient_T (PatientID, PersonNr_CH) VALUES (" + key_sql + ", ?)",
         {patient_id});
  }
  std::string Folder() { return appl_->GetCurrentPatientFolder(); }
  std::string LicenceName() {
    ggis type = ggiLicName;
    return appl_->GetGeneralInfo(type);
  }

  SqliteTestFile file_;
  std::unique_ptr<platform::DbConnection> db_;
  std::string open_patient_;  // empty: no patient open
  bool answer_ = true;
};

TEST_F(DatabaseLookupTest, LicenceNameComesFromTheNewestRowAndFailuresKeepTheirNumber) {
  EXPECT_EQ(LicenceName(), "");  // an empty table
  Exec(
      "INSERT INTO License_T (Name, DateInserted) VALUES "
      "('Praxis Alt', '2019-03-01 08:00:00'), ('Clinique Émile', '2023-11-20 09:30:00'), "
      "('Middle', '2021-06-15 12:00:00')");
  EXPECT_EQ(LicenceName(), "Clinique Émile");

  Exec("INSERT INTO License_T (Name, DateInserted) VALUES (NULL, '2024-01-01')");
  AutomationError error = ErrorOf([&] { LicenceName(); });
  EXPECT_EQ(error.number(), 94);
  EXPECT_EQ(error.description(), "Invalid use of Null");

  UseConnectionString("");  // no connection: any query would fail
  ggis other = static_cast<ggis>(1);
  EXPECT_EQ(appl_->GetGeneralInfo(other), "");  // other info types touch no database
  error = ErrorOf([&] { LicenceName(); });
  EXPECT_EQ(error.number(), 3709);
  EXPECT_EQ(error.description(),
            "The connection cannot be used to perform this operation. It is either closed or "
            "invalid in this context.");
}

TEST_F(DatabaseLookupTest, FolderGroupsKeysIntoBucketsOf500) {
  AddRoot("D:\\Images");
  AddRoot("E:\\Inactive", 0);
  const struct {
    const char *key, *folder;
  } cases[] = {
      {"499", "D:\\Images\\0_\\499"},
      {"500", "D:\\Images\\500_\\500"},
      {"1000", "D:\\Images\\1000_\\1000"},
      {"2147483499", "D:\\Images\\2147483000_\\2147483499"},
      // The top of the key range has a bucket of its own, without overflow.
      {"2147483500", "D:\\Images\\2147483500_\\2147483500"},
      {"2147483647", "D:\\Images\\2147483500_\\2147483647"},
      {"-2147483648", "D:\\Images\\0_\\-2147483648"},
      {"12.0", "D:\\Images\\0_\\12"},  // a real-typed key that holds a whole number
  };
  for (const auto& c : cases) {
    const std::string id = std::string("K") + c.key;
    AddPatient(c.key, id);
    open_patient_ = id;
    EXPECT_EQ(Folder(), c.folder) << c.key;
  }
}

TEST_F(DatabaseLookupTest, RootIsJoinedAsItIsAndAMissingKeyGivesNoFolder) {
  AddPatient("7", "P-7");
  AddPatient("0", "P-0");
  open_patient_ = "P-7";
  EXPECT_EQ(Folder(), "\\0_\\7");  // no active root
  AddRoot("D:\\Images\\");
  EXPECT_EQ(Folder(), "D:\\Images\\\\0_\\7");
  open_patient_ = "P-0";
  EXPECT_EQ(Folder(), "");
  open_patient_ = "P-unknown";
  EXPECT_EQ(Folder(), "");
}

TEST_F(DatabaseLookupTest, PatientIdIsMatchedAsAPatternNeverAsSql) {
  AddRoot("D:\\Images");
  AddPatient("1001", "P-1001");
  AddPatient("1002", "P-1002");
  AddPatient("42", "O'Brien");

  open_patient_ = "O'Brien";
  EXPECT_EQ(Folder(), "D:\\Images\\0_\\42");
  open_patient_ = "x' OR '1'='1";
  EXPECT_EQ(Folder(), "");
  // LIKE wildcards keep their meaning; the first matching row wins.
  open_patient_ = "P-100%";
  EXPECT_EQ(Folder(), "D:\\Images\\1000_\\1001");
  open_patient_ = "P-1_02";
  EXPECT_EQ(Folder(), "D:\\Images\\1000_\\1002");
}

TEST_F(DatabaseLookupTest, NoOpenPatientMeansNoPatientQuery) {
  AddRoot("D:\\Images");
  Exec("DROP TABLE Patient_T");  // a patient query would fail now
  EXPECT_EQ(Folder(), "");
  EXPECT_EQ(Sent(command::kCurrentPatient).size(), 1u);
  answer_ = false;  // GetCurrentPatient times out: no patient either
  EXPECT_EQ(Folder(), "");
  UseConnectionString("");  // nothing to look up, so no connection is needed
  answer_ = true;
  EXPECT_EQ(Folder(), "");
  open_patient_ = "P-7";
  EXPECT_EQ(ErrorOf([&] { Folder(); }).number(), 3709);
}

TEST_F(DatabaseLookupTest, UnconvertibleValuesReachTheCallerWithTheirOwnNumber) {
  AddRoot("D:\\Images");
  const struct {
    const char *key, *id;
    int32_t number;
    const char* description;
  } cases[] = {{"NULL", "P-null", 94, "Invalid use of Null"},
               {"'abc'", "P-text", 13, "Type mismatch"},
               {"'inf'", "P-inf", 13, "Type mismatch"},
               {"3000000000", "P-big", 6, "Overflow"}};
  for (const auto& c : cases) {
    AddPatient(c.key, c.id);
    open_patient_ = c.id;
    const AutomationError error = ErrorOf([&] { Folder(); });
    EXPECT_EQ(error.number(), c.number) << c.id;
    EXPECT_EQ(error.description(), c.description) << c.id;
  }

  Exec("UPDATE Root_T SET RootDirectory = NULL");
  AddPatient("7", "P-7");
  open_patient_ = "P-7";
  EXPECT_EQ(ErrorOf([&] { Folder(); }).number(), 94);
}

TEST_F(DatabaseLookupTest, StubModeAnswersTheTemporaryFolder) {
  UseConnectionString("Driver={No Such Orvabridge Driver};Database=nowhere");
  link::ThisThread().stub_mode = true;
  const std::string temp = platform_->System().Environment("TEMP").value_or("");
  EXPECT_FALSE(temp.empty());
  EXPECT_EQ(Folder(), temp);
  EXPECT_EQ(Sent(command::kCurrentPatient).size(), 0u);
}

}  // namespace
}  // namespace orvabridge::testing
