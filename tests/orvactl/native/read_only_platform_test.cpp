// The read-only machine the doctor runs the library on: reads pass, and no write reaches the
// registry, the disk or the process list; what was refused is noted, message boxes collected,
// the trace off.
#include <gtest/gtest.h>

#include "doctor/read_only_platform.h"
#include "platform/desk/desktop.h"
#include "platform/runtime_failure.h"

namespace orvabridge::orvactl {
namespace {

constexpr auto kHklm = platform::RegistryRoot::kLocalMachine;

TEST(OrvactlReadOnlyPlatform, ReadsPassAndNoWriteReachesTheMachine) {
  const auto desktop = platform::desk::Desktop::Create();
  desktop->SetRegistryString(kHklm, "Software\\Orvaclass", "VendorKey", "Orvadent");
  ReadOnlyPlatform quiet(desktop);

  auto key = quiet.Reg().OpenKey(kHklm, "Software\\Orvaclass", platform::kKeyCreate);
  ASSERT_NE(key, nullptr);
  uint32_t type = 0, length = 0;
  EXPECT_EQ(key->QueryValue("VendorKey", type, nullptr, length), platform::RegStatus::kOk);
  const std::byte data[] = {std::byte{'x'}, std::byte{0}};
  EXPECT_EQ(key->SetValue("VendorKey", platform::kRegSz, data), platform::RegStatus::kAccessDenied);
  EXPECT_EQ(quiet.Reg().CreateKey(kHklm, "Software\\New", "", platform::kKeyCreate), nullptr);
  EXPECT_FALSE(desktop->RegistryKeyExists(kHklm, "Software\\New"));
  EXPECT_NE(quiet.Reg().CreateKey(kHklm, "Software\\Orvaclass", "", platform::kKeyCreate), nullptr)
      << "an existing key opens, for reading";

  quiet.Files().CreateFolder("C:\\Temp\\Made");
  EXPECT_FALSE(desktop->Files().FolderExists("C:\\Temp\\Made"));
  EXPECT_TRUE(quiet.Files().FolderExists("C:\\Temp"));
  EXPECT_THROW(quiet.Files().OpenAppend("C:\\Temp\\log.txt"), RuntimeFailure);
  EXPECT_FALSE(desktop->Files().FileSize("C:\\Temp\\log.txt").has_value());
  EXPECT_THROW(quiet.System().StartProcess("C:\\x.exe", platform::kSwShow), RuntimeFailure);
  EXPECT_TRUE(desktop->StartedCommandLines().empty());

  EXPECT_EQ(quiet.RefusedChanges(),
            (std::vector<std::string>{
                "set value \"VendorKey\" of HKEY_LOCAL_MACHINE\\Software\\Orvaclass",
                "create key HKEY_LOCAL_MACHINE\\Software\\New", "create folder C:\\Temp\\Made",
                "write file C:\\Temp\\log.txt", "start C:\\x.exe"}));

  // The library's calls leave no trace either: the variable that wins reads as set and empty.
  desktop->SetEnvironment("ORVABRIDGE_TRACE", "C:\\Temp\\trace.txt");
  EXPECT_EQ(quiet.System().Environment("Orvabridge_Trace"), "");
  EXPECT_EQ(quiet.System().Environment("TEMP"), "C:\\Temp");

  EXPECT_EQ(quiet.System().ShowMessageBox({"a box", "Orvabridge", platform::kMbOk}),
            platform::kIdOk);
  EXPECT_TRUE(desktop->MessageBoxes().empty()) << "no box was shown on the machine";
  const auto boxes = quiet.TakeMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "a box");
  EXPECT_TRUE(quiet.TakeMessageBoxes().empty());
}

}  // namespace
}  // namespace orvabridge::orvactl
