// The reply holding area of one Appl object: what the last replies left behind. It belongs to the
// object, not to one request, so a nested request inside a wait shares it with the outer one.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "channel/records.h"

namespace orvabridge::channel {

struct ReplyHolding {
  // Command code of the last reply an unpacker finished; 0 while a request waits.
  uint32_t reply_code = 0;
  // Text values of the last reply; slot 0 is the "-"/"NONE" marker for most replies.
  std::array<std::string, 12> reply_text;
  // Set by the image replies 1010 and 1012 of the exact size.
  bool image_reply_flag = false;

  Record<image_query::kSize> image_file_reply{};
  Record<image::kSize> image_record{};
  Record<image_card::kSize> image_card_reply{};
  Record<login::kSize> login_record{};
  Record<generic::kSize> generic_record{};
};

inline constexpr const char* kNoneMarker = "NONE";
inline constexpr const char* kRecordMarker = "-";

}  // namespace orvabridge::channel
