// "Did you mean ...?": the nearest known word to a slip of the keyboard, and no guess for a word
// that is no slip.
#include <gtest/gtest.h>

#include <vector>

#include "platform/nearest_word.h"

namespace orvabridge::platform {
namespace {

TEST(NearestWord, DistanceCountsInsertionsDeletionsAndSubstitutionsWhateverTheCase) {
  EXPECT_EQ(EditDistance("find-patient", "find-patient"), 0u);
  EXPECT_EQ(EditDistance("fnd-patient", "find-patient"), 1u);    // a letter left out
  EXPECT_EQ(EditDistance("findd-patient", "find-patient"), 1u);  // one too many
  EXPECT_EQ(EditDistance("find-pateint", "find-patient"), 2u);   // two swapped: two edits
  EXPECT_EQ(EditDistance("FindPatient", "findpatient"), 0u);
  EXPECT_EQ(EditDistance("", "init"), 4u);
  EXPECT_EQ(EditDistance("session", ""), 7u);
}

TEST(NearestWord, TheNearestNearEnoughWordIsSuggestedAndItsOwnSuggestionGiven) {
  const std::vector<KnownWord> known = {{"find-patient", "find-patient"},
                                        {"find-images", "find-images"},
                                        {"FindPatient", "find-patient"},
                                        {"init", "init"},
                                        {"session", "session"}};
  EXPECT_EQ(Nearest("fnd-patient", known), "find-patient");
  EXPECT_EQ(Nearest("FINDPATIENT", known), "find-patient");  // a member's name: its command
  EXPECT_EQ(Nearest("sesion", known), "session");
  EXPECT_EQ(Nearest("int", known), "init");
  // Short words allow one slip, long ones up to three; further off is no slip.
  EXPECT_EQ(Nearest("xyz", known), std::nullopt);
  EXPECT_EQ(Nearest("ini", known), "init");
  EXPECT_EQ(Nearest("ex", known), std::nullopt);
  EXPECT_EQ(Nearest("shutdown-everything", known), std::nullopt);
  EXPECT_EQ(Nearest("anything", {}), std::nullopt);
}

TEST(NearestWord, AShorteningSuggestsTheShortestWordItShortens) {
  const std::vector<KnownWord> options = {{"--patient-id", "--patient-id"},
                                          {"--picture-id", "--picture-id"},
                                          {"--help", "--help"},
                                          {"--version", "--version"}};
  EXPECT_EQ(Nearest("--pat-id", options), "--patient-id");  // find-patient's, to find-images
  EXPECT_EQ(Nearest("-v", options), "--version");
  EXPECT_EQ(Nearest("--pic", options), "--picture-id");
  EXPECT_EQ(Nearest("--vh", options), std::nullopt) << "letters out of order";
  EXPECT_EQ(Nearest("--atient", options), std::nullopt) << "the first letter must match";
}

}  // namespace
}  // namespace orvabridge::platform
