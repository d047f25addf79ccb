#include "platform/nearest_word.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace orvabridge::platform {
namespace {

char Folded(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

size_t Tolerance(std::string_view word) {
  if (word.size() <= 4) return 1;
  if (word.size() <= 8) return 2;
  return 3;
}

// The letters and digits of a word, folded: "--pat-id" is "patid".
std::string Letters(std::string_view word) {
  std::string letters;
  for (char c : word) {
    if (std::isalnum(static_cast<unsigned char>(c))) letters += Folded(c);
  }
  return letters;
}

// Whether `word` is a shortening of `candidate`: the same first letter, then its other letters
// in the same order ("pat-id" of "patient-id", "-v" of "--version").
bool Shortens(std::string_view word, std::string_view candidate) {
  const std::string short_form = Letters(word), long_form = Letters(candidate);
  if (short_form.empty() || long_form.empty() || short_form[0] != long_form[0]) return false;
  size_t at = 0;
  for (char c : long_form) {
    if (at < short_form.size() && short_form[at] == c) ++at;
  }
  return at == short_form.size();
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
  if (best != nullptr) return std::string(best->suggestion);
  // No slip of the keyboard: perhaps a shortening, of the shortest known word it shortens.
  for (const KnownWord& candidate : known) {
    if (Shortens(word, candidate.spelling) &&
        (best == nullptr || candidate.spelling.size() < best->spelling.size())) {
      best = &candidate;
    }
  }
  if (best == nullptr) return std::nullopt;
  return std::string(best->suggestion);
}

}  // namespace orvabridge::platform
