#include "suggestion.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace orvabridge::orvactl {
namespace {

char Folded(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

size_t Tolerance(std::string_view word) {
  if (word.size() <= 4) return 1;
  if (word.size() <= 8) return 2;
  return 3;
}

}  // namespace

size_t EditDistance(std::string_view a, std::string_view b) {
  // One row of the classic table at a time: row[j] is the distance of a[0..i) and b[0..j).
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      const size_t substitute = diagonal + (Folded(a[i - 1]) == Folded(b[j - 1]) ? 0 : 1);
      row[j] = std::min({above + 1, row[j - 1] + 1, substitute});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::optional<std::string> Nearest(std::string_view word, std::span<const KnownWord> known) {
  const KnownWord* best = nullptr;
  size_t best_distance = Tolerance(word) + 1;
  for (const KnownWord& candidate : known) {
    const size_t distance = EditDistance(word, candidate.spelling);
    if (distance < best_distance) {
      best = &candidate;
      best_distance = distance;
    }
  }
  if (best == nullptr) return std::nullopt;
  return std::string(best->suggestion);
}

}  // namespace orvabridge::orvactl
