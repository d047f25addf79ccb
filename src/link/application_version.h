// The imaging application's version: the text InitApplication hands out and its first three
// numbers, read once when the version becomes known rather than on every guarded call.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orvabridge::link {

// The first three dotted parts of a version text, each read as far as it is a number (missing
// parts and parts without digits count 0). Throws RuntimeFailure 6 "Overflow" for a part too
// large for its number.
std::array<int32_t, 3> VersionParts(const std::string& version);

class ApplicationVersion {
 public:
  // Not known yet: no text, 0.0.0.
  ApplicationVersion() = default;
  // As the attach reply carries it.
  ApplicationVersion(int32_t major, int32_t minor, int32_t build);
  // As an installation writes it ("3.1.1199"); a part too large leaves the numbers unknown.
  explicit ApplicationVersion(std::string text);

  const std::string& text() const { return text_; }
  // Nothing when the text has a part too large for its number.
  const std::optional<std::array<int32_t, 3>>& numbers() const { return numbers_; }

 private:
  std::string text_;
  std::optional<std::array<int32_t, 3>> numbers_ = std::array<int32_t, 3>{};
};

}  // namespace orvabridge::link
