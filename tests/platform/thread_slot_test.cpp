// Per-thread objects: one per thread, made on first use, destroyed on their own thread when it
// ends. Under Wine's heap checks this also shows that ending a thread frees nothing twice.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>

#include "platform/thread_slot.h"

namespace orvabridge::platform {
namespace {

std::atomic<int> made{0};
std::atomic<int> destroyed{0};
std::atomic<int> destroyed_elsewhere{0};

// Owns heap memory, like the library's real per-thread tables, and counts its life.
struct Tracked {
  Tracked() : owner(std::this_thread::get_id()) { ++made; }
  ~Tracked() {
    if (std::this_thread::get_id() != owner) ++destroyed_elsewhere;
    ++destroyed;
  }
  std::thread::id owner;
  std::string text = std::string(200, 'x');
  std::map<int, std::string> table;
};

ThreadSlot<Tracked>& Slot() {
  static auto* const slot = new ThreadSlot<Tracked>();
  return *slot;
}

TEST(ThreadSlotTest, EachThreadGetsItsOwnObjectUntilItEnds) {
  Tracked& mine = Slot().Get();
  mine.table[1] = "main";
  const int made_before = made.load();
  const int destroyed_before = destroyed.load();

  Tracked* theirs[3] = {};
  for (Tracked*& seen : theirs) {
    std::thread([&seen] {
      Tracked& first = Slot().Get();
      first.table[2] = std::string(300, 'y');
      EXPECT_EQ(&first, &Slot().Get());
      seen = &first;
    }).join();
  }
  // A thread that never asks makes nothing.
  std::thread([] {}).join();

  EXPECT_EQ(made.load() - made_before, 3);
  EXPECT_EQ(destroyed.load() - destroyed_before, 3);
  EXPECT_EQ(destroyed_elsewhere.load(), 0);
  // The calling thread's object is untouched by all of that.
  EXPECT_EQ(&mine, &Slot().Get());
  EXPECT_EQ(mine.table.at(1), "main");
  for (Tracked* seen : theirs) EXPECT_NE(seen, &mine);
}

}  // namespace
}  // namespace orvabridge::platform
