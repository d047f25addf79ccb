// The in-process desktop's registry: key paths as RegOpenKeyEx reads them, RegQueryValueExA's
// size query and MoreData, access rights, and the .reg loader.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

#include "platform/desk/desktop.h"

namespace orvabridge::platform::desk {
namespace {

using ::testing::HasSubstr;

constexpr auto kMachine = RegistryRoot::kLocalMachine;
constexpr auto kUser = RegistryRoot::kCurrentUser;

std::vector<std::byte> Bytes(std::string_view text) {
  const auto bytes = std::as_bytes(std::span(text));
  return {bytes.begin(), bytes.end()};
}
// A REG_SZ value as stored: the text and its terminating zero.
std::vector<std::byte> Sz(std::string text) { return Bytes(text + '\0'); }

class DeskRegistryKeys : public ::testing::Test {
 protected:
  Registry& reg() { return desktop_->Reg(); }
  std::shared_ptr<Desktop> desktop_ = Desktop::Create();
};

TEST_F(DeskRegistryKeys, OpenKeyFindsKeysCaseInsensitivelyByWindowsPathRules) {
  desktop_->SetRegistryString(kMachine, "Software\\Orvadent\\Orvanta", "Value", "x");
  EXPECT_NE(reg().OpenKey(kMachine, "SOFTWARE\\orvadent\\ORVANTA", kKeyRead), nullptr);
  EXPECT_EQ(reg().OpenKey(kUser, "Software\\Orvadent\\Orvanta", kKeyRead), nullptr);
  // A trailing backslash is ignored; a leading one or an empty component fails.
  EXPECT_NE(reg().OpenKey(kMachine, "Software\\Orvadent\\", kKeyRead), nullptr);
  EXPECT_EQ(reg().OpenKey(kMachine, "\\Software\\Orvadent", kKeyRead), nullptr);
  EXPECT_EQ(reg().OpenKey(kMachine, "Software\\\\Orvadent", kKeyRead), nullptr);
  EXPECT_EQ(reg().CreateKey(kMachine, "Software\\\\B", "1", kKeyCreate), nullptr);
}

TEST_F(DeskRegistryKeys, QueryValueFollowsRegQueryValueExA) {
  desktop_->SetRegistryString(kMachine, "Software\\A", "Text", "hello");  // 6 bytes with the zero
  auto key = reg().OpenKey(kMachine, "Software\\A", kKeyRead);
  ASSERT_NE(key, nullptr);

  uint32_t type = 0;
  uint32_t length = 20;
  EXPECT_EQ(key->QueryValue("Text", type, nullptr, length), RegStatus::kOk);  // size query
  EXPECT_EQ(length, 6u);
  EXPECT_EQ(type, kRegSz);

  std::byte small[3];
  length = sizeof(small);
  EXPECT_EQ(key->QueryValue("text", type, small, length), RegStatus::kMoreData);
  EXPECT_EQ(length, 6u);

  std::byte buffer[100];
  length = sizeof(buffer);
  EXPECT_EQ(key->QueryValue("TEXT", type, buffer, length), RegStatus::kOk);
  EXPECT_EQ(length, 6u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer)), "hello");

  length = sizeof(buffer);
  EXPECT_EQ(key->QueryValue("Missing", type, buffer, length), RegStatus::kNotFound);
}

TEST_F(DeskRegistryKeys, CreateKeyMakesMissingParentsAndWritesNeedTheRight) {
  auto created = reg().CreateKey(kUser, "Software\\Orvadent\\Orvanta", "1", kKeyCreate);
  ASSERT_NE(created, nullptr);
  EXPECT_TRUE(desktop_->RegistryKeyExists(kUser, "Software\\Orvadent"));
  EXPECT_EQ(created->SetValue("Name", kRegSz, Sz("abc")), RegStatus::kOk);
  auto read_only = reg().OpenKey(kUser, "Software\\Orvadent\\Orvanta", kKeyRead);
  ASSERT_NE(read_only, nullptr);
  EXPECT_EQ(read_only->SetValue("Other", kRegSz, Sz("abc")), RegStatus::kAccessDenied);
}

TEST_F(DeskRegistryKeys, DeniedOrDeletedKeysCannotBeReached) {
  desktop_->SetRegistryString(kMachine, "Software\\Locked", "V", "x");
  desktop_->DenyRegistryKey(kMachine, "Software\\Locked", true);
  EXPECT_EQ(reg().OpenKey(kMachine, "Software\\Locked", kKeyRead), nullptr);
  EXPECT_EQ(reg().CreateKey(kMachine, "Software\\Locked\\Below", "1", kKeyCreate), nullptr);

  // A deleted key fails through a handle opened before.
  desktop_->SetRegistryString(kMachine, "Software\\Gone\\Sub", "V", "x");
  auto key = reg().OpenKey(kMachine, "Software\\Gone\\Sub", kKeyRead);
  desktop_->DeleteRegistryKey(kMachine, "Software\\Gone");
  uint32_t type = 0;
  uint32_t length = 0;
  EXPECT_NE(key->QueryValue("V", type, nullptr, length), RegStatus::kOk);
}

TEST_F(DeskRegistryKeys, RegFileLoaderReadsRegedit4Text) {
  desktop_->LoadRegText(R"(REGEDIT4

; the class library's key
[HKEY_LOCAL_MACHINE\Software\Orvaclass]
"ExecutablePath"="C:\\Program Files\\Orvanta\\Orvanta.exe"
"Quoted"="say \"hi\""
@="default text"
"Count"=dword:0000000a
"Blob"=hex:01,ff,\
  10
"Exceptions"=hex(7):41,00,42,00,00
)");
  const std::string key = "Software\\Orvaclass";
  EXPECT_EQ(desktop_->RegistryValue(kMachine, key, "ExecutablePath"),
            Sz("C:\\Program Files\\Orvanta\\Orvanta.exe"));
  EXPECT_EQ(desktop_->RegistryValue(kMachine, key, "Quoted"), Sz("say \"hi\""));
  EXPECT_EQ(desktop_->RegistryValue(kMachine, key, ""), Sz("default text"));
  uint32_t type = 0;
  EXPECT_EQ(desktop_->RegistryValue(kMachine, key, "Count", &type),
            (std::vector<std::byte>{std::byte{10}, std::byte{0}, std::byte{0}, std::byte{0}}));
  EXPECT_EQ(type, kRegDword);
  EXPECT_EQ(desktop_->RegistryValue(kMachine, key, "Blob", &type),
            (std::vector<std::byte>{std::byte{1}, std::byte{0xFF}, std::byte{0x10}}));
  EXPECT_EQ(type, kRegBinary);
  EXPECT_EQ(desktop_->RegistryValue(kMachine, key, "Exceptions", &type),
            Bytes(std::string_view("A\0B\0\0", 5)));
  EXPECT_EQ(type, kRegMultiSz);
}

TEST_F(DeskRegistryKeys, RegTextIsStoredInTheAnsiCodePageAndVersion5MultiStringsAreUtf16) {
  desktop_->LoadRegText(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\A]\n\"City\"=\"Z\xC3\xBCrich\"\n");
  EXPECT_EQ(desktop_->RegistryValue(kMachine, "Software\\A", "City"), Sz("Z\xFCrich"));
  desktop_->LoadRegText(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\A]\r\n"
      "\"List\"=hex(7):57,00,53,00,31,00,00,00,fc,00,00,00,00,00\r\n");
  EXPECT_EQ(desktop_->RegistryValue(kMachine, "Software\\A", "List"),
            Bytes(std::string("WS1\0\xFC\0\0", 7)));
}

TEST_F(DeskRegistryKeys, RegFileDeletesKeysAndValues) {
  desktop_->SetRegistryString(kMachine, "Software\\Old\\Deep", "V", "x");
  desktop_->SetRegistryString(kMachine, "Software\\Keep", "Gone", "x");
  desktop_->SetRegistryString(kMachine, "Software\\Keep", "Stays", "x");
  desktop_->LoadRegText(
      "REGEDIT4\n[-HKEY_LOCAL_MACHINE\\Software\\Old]\n[HKEY_LOCAL_MACHINE\\Software\\Keep]\n"
      "\"Gone\"=-\n");
  EXPECT_FALSE(desktop_->RegistryKeyExists(kMachine, "Software\\Old"));
  EXPECT_FALSE(desktop_->RegistryValue(kMachine, "Software\\Keep", "Gone"));
  EXPECT_TRUE(desktop_->RegistryValue(kMachine, "Software\\Keep", "Stays"));
}

TEST_F(DeskRegistryKeys, MalformedRegTextIsRefused) {
  EXPECT_THROW(desktop_->LoadRegText("[HKEY_LOCAL_MACHINE\\A]\n"), std::invalid_argument);
  EXPECT_THROW(desktop_->LoadRegText("REGEDIT4\n\"v\"=\"outside a key\"\n"), std::invalid_argument);
  EXPECT_THROW(desktop_->LoadRegText("REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n"), std::invalid_argument);
  EXPECT_THROW(desktop_->LoadRegText("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:1g\n"),
               std::invalid_argument);
  EXPECT_THROW(desktop_->LoadRegText("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"open\n"),
               std::invalid_argument);
}

TEST_F(DeskRegistryKeys, RegTextErrorsNameTheirLine) {
  const auto error_of = [this](std::string_view text) -> std::string {
    try {
      desktop_->LoadRegText(text);
    } catch (const std::invalid_argument& error) {
      return error.what();
    }
    return "loaded";
  };
  EXPECT_THAT(error_of("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\n\"v\"=hex:1g\n"),
              HasSubstr("line 4: "));
  // A root cannot be deleted, however it is written.
  EXPECT_THAT(error_of("REGEDIT4\n\n[-HKEY_LOCAL_MACHINE\\]\n"), HasSubstr("line 3: "));
  EXPECT_THAT(error_of("REGEDIT4\n[-HKEY_CURRENT_USER\\\\]\n"), HasSubstr("line 2: "));
  EXPECT_THAT(error_of("REGEDIT4\n[-HKLM]\n"), HasSubstr("line 2: "));
}

TEST_F(DeskRegistryKeys, RegFileMayBeUtf16AsRegeditWritesIt) {
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\Software\\U]\r\n"
      "\"Name\"=\"value\"\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : text) {
    utf16 += c;
    utf16 += '\0';
  }
  const auto file = desktop_->HostPath("C:\\Temp\\settings.reg");
  std::ofstream(file, std::ios::binary) << utf16;
  desktop_->LoadRegFile(file);
  EXPECT_EQ(desktop_->RegistryValue(kUser, "Software\\U", "Name"), Sz("value"));
}

}  // namespace
}  // namespace orvabridge::platform::desk
