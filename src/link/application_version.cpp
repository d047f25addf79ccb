#include "link/application_version.h"

#include <utility>

#include "link/number_text.h"
#include "platform/runtime_failure.h"

namespace orvabridge::link {

std::array<int32_t, 3> VersionParts(const std::string& version) {
  std::array<int32_t, 3> parts{};
  size_t start = 0;
  for (size_t n = 0; n < parts.size() && start <= version.size(); ++n) {
    const size_t dot = version.find('.', start);
    const size_t end = dot == std::string::npos ? version.size() : dot;
    parts[n] = RoundToInt32(LeadingNumber(version.substr(start, end - start)));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return parts;
}

ApplicationVersion::ApplicationVersion(int32_t major, int32_t minor, int32_t build)
    : text_(std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build)),
      numbers_(std::array<int32_t, 3>{major, minor, build}) {}

ApplicationVersion::ApplicationVersion(std::string text) : text_(std::move(text)) {
  try {
    numbers_ = VersionParts(text_);
  } catch (const RuntimeFailure&) {
    numbers_.reset();  // the guard reads the text again and reports the overflow there
  }
}

}  // namespace orvabridge::link
