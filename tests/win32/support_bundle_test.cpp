// `orvactl support-bundle` on Windows: the zip holds the incident files and the trace of this
// machine's user, and reads back entry by entry with matching checksums.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "doctor/support_bundle.h"
#include "output/zip_archive.h"
#include "platform/win32/windows_include.h"
#include "workbench/workbench.h"

namespace orvabridge::orvactl {
namespace {

uint32_t Read32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}
uint16_t Read16(const std::string& bytes, size_t at) {
  uint16_t value = 0;
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

// The names of a stored zip's entries, each checked against its local header and checksum.
std::set<std::string> CheckedEntries(const std::string& zip) {
  std::set<std::string> names;
  const size_t end = zip.size() - 22;
  EXPECT_EQ(Read32(zip, end), 0x06054B50u);
  size_t at = Read32(zip, end + 16);
  for (uint16_t i = 0; i < Read16(zip, end + 10); ++i) {
    EXPECT_EQ(Read32(zip, at), 0x02014B50u);
    const uint32_t crc = Read32(zip, at + 16), size = Read32(zip, at + 24);
    const uint16_t name_size = Read16(zip, at + 28);
    const std::string name = zip.substr(at + 46, name_size);
    const size_t local = Read32(zip, at + 42);
    EXPECT_EQ(Read32(zip, local), 0x04034B50u) << name;
    EXPECT_EQ(zip.substr(local + 30, name_size), name);
    EXPECT_EQ(Crc32(zip.substr(local + 30 + name_size, size)), crc) << name;
    names.insert(name);
    at += 46 + name_size;
  }
  return names;
}

TEST(SupportBundle, HoldsIncidentsAndTracesOfThisMachineAndReadsBack) {
  const std::string folder = "C:\\bundle-" + std::to_string(std::random_device{}());
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  ::CreateDirectoryA((folder + "\\Orvabridge").c_str(), nullptr);
  ::CreateDirectoryA((folder + "\\Orvabridge\\incidents").c_str(), nullptr);
  for (const char* name : {"20261201-101010-5.txt", "20261202-101010-5.txt"}) {
    std::ofstream(folder + "\\Orvabridge\\incidents\\" + name) << "Orvabridge incident\r\n";
  }
  std::ofstream(folder + "\\trace-12.txt") << "call GetSessionInfo()\r\n";
  char saved[MAX_PATH] = {};
  const bool had_local = ::GetEnvironmentVariableA("LOCALAPPDATA", saved, MAX_PATH) > 0;
  ::SetEnvironmentVariableA("LOCALAPPDATA", folder.c_str());
  ::SetEnvironmentVariableA("ORVABRIDGE_TRACE", (folder + "\\trace-%p.txt").c_str());
  ::SetEnvironmentVariableA("ORVABRIDGE_FLIGHT_RECORDER_VALUES", "1");

  auto workbench = MakeWorkbench();
  DoctorOptions options;
  options.probe_limit = std::chrono::milliseconds(200);
  const std::string zip_path = folder + "\\bundle.zip";
  const BundleReport report =
      WriteSupportBundle(workbench->Platform(), workbench->Survey(), options, zip_path);
  ::SetEnvironmentVariableA("ORVABRIDGE_TRACE", nullptr);
  ::SetEnvironmentVariableA("ORVABRIDGE_FLIGHT_RECORDER_VALUES", nullptr);
  ::SetEnvironmentVariableA("LOCALAPPDATA", had_local ? saved : nullptr);

  std::ifstream file(zip_path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  const std::set<std::string> expected = {
      "README.txt",         "doctor.json",  "incidents/20261201-101010-5.txt",
      "settings.txt",       "versions.txt", "incidents/20261202-101010-5.txt",
      "traces/trace-12.txt"};
  EXPECT_EQ(CheckedEntries(bytes.str()), expected);
  EXPECT_EQ(report.included.size(), expected.size());
  EXPECT_TRUE(report.left_out.empty());
}

}  // namespace
}  // namespace orvabridge::orvactl
