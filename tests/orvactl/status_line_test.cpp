// Standard error during a call: message lines, and on a terminal a progress line that messages
// and the end of the wait clear; away from a terminal no progress at all.
#include <gtest/gtest.h>

#include <sstream>

#include "output/status_line.h"

namespace orvabridge::orvactl {
namespace {

TEST(OrvactlStatusLine, OnATerminalProgressIsOverwrittenAndClearedBeforeAMessage) {
  std::ostringstream err;
  StatusLine line(err, true);
  line.Progress("waiting 10 s");
  line.Progress("waiting 9 s");  // shorter: the rest of the longer text is blanked
  line.Message("[message box] text");
  line.Progress("waiting 12 s");
  line.ClearProgress();
  line.ClearProgress();  // nothing shown: nothing to clear
  EXPECT_EQ(err.str(),
            "\rwaiting 10 s"
            "\rwaiting 9 s \rwaiting 9 s"
            "\r           \r[message box] text\n"
            "\rwaiting 12 s"
            "\r            \r");
}

TEST(OrvactlStatusLine, AwayFromATerminalOnlyMessagesAreWritten) {
  std::ostringstream err;
  StatusLine line(err, false);
  line.Progress("waiting 3 s");
  line.Message("orvactl: warning");
  line.ClearProgress();
  {
    WaitProgress progress(line, "FindPatient");  // starts no thread, writes nothing
  }
  EXPECT_EQ(err.str(), "orvactl: warning\n");
}

TEST(OrvactlStatusLine, TheProgressTextNamesTheCallAndTheSecondsWaited) {
  EXPECT_EQ(WaitText("GetSessionInfo", std::chrono::seconds(3)),
            "waiting for the imaging application (GetSessionInfo) ... 3 s");
}

}  // namespace
}  // namespace orvabridge::orvactl
