// "Did you mean ...?": the known word nearest to a mistyped one, for the command lines of the
// programs (orvactl, orva-relay, orva-sim).
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace orvabridge::platform {

// A word the user might have meant, and what to suggest for it (a member name suggests its
// command).
struct KnownWord {
  std::string_view spelling;
  std::string_view suggestion;
};

// Insertions, deletions and substitutions that turn `a` into `b`, ignoring ASCII letter case.
size_t EditDistance(std::string_view a, std::string_view b);

// The suggestion of the known word nearest to `word`, when it is near enough to be a slip of the
// keyboard: one edit for words of up to four letters, two up to eight, three beyond. The first
// of equally near words wins. Failing that, a shortening: the word's letters, the first one
// first, in the order a known word has them ("--pat-id" of "--patient-id", "-v" of "--version");
// the shortest such word wins.
std::optional<std::string> Nearest(std::string_view word, std::span<const KnownWord> known);

}  // namespace orvabridge::platform
