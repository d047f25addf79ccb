// How often a relay says that a trouble lasts: at its start, at the interval while it lasts, at
// once when what is wrong changes, and once at its end. Times are given, never waited for.
#include "lasting_trouble.h"

#include <gtest/gtest.h>

namespace orvabridge::relay {
namespace {

using namespace std::chrono_literals;

TEST(LastingTrouble, IsToldAtItsStartAtTheIntervalWhenItChangesAndOnceAtItsEnd) {
  LastingTrouble trouble(5min);
  const platform::Clock::time_point start{};
  EXPECT_FALSE(trouble.Over());  // nothing was told: nothing to end
  EXPECT_TRUE(trouble.StillThere(start, "share gone"));
  EXPECT_TRUE(trouble.lasting());
  EXPECT_FALSE(trouble.StillThere(start + 5s, "share gone"));
  EXPECT_FALSE(trouble.StillThere(start + 4min + 59s, "share gone"));
  EXPECT_TRUE(trouble.StillThere(start + 5min, "share gone"));
  // The interval counts from the last time it was told.
  EXPECT_FALSE(trouble.StillThere(start + 9min, "share gone"));
  EXPECT_TRUE(trouble.StillThere(start + 9min, "access denied"));  // another trouble
  EXPECT_FALSE(trouble.StillThere(start + 10min, "access denied"));

  EXPECT_TRUE(trouble.Over());
  EXPECT_FALSE(trouble.lasting());
  EXPECT_FALSE(trouble.Over());
  // The same trouble again later is a new one.
  EXPECT_TRUE(trouble.StillThere(start + 11min, "access denied"));
}

}  // namespace
}  // namespace orvabridge::relay
