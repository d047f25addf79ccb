// The reply holding area of one Appl object: what the last replies left behind. It belongs to the
// object, not to one request, so a nested request inside a wait shares it with the outer one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <variant>

#include "channel/records.h"
#include "channel/replies.h"

namespace orvabridge::channel {

struct ReplyHolding {
  // Command code of the last reply an unpacker finished; 0 while a request waits.
  uint32_t reply_code = 0;
  // The last reply decoded, of the type of `reply_code`.
  Reply last_reply;
  // The byte count of the last reply with an accepted code (for the trace).
  size_t last_reply_bytes = 0;
  // Set by the image replies 1010 and 1012 of the exact size.
  bool image_reply_flag = false;

  // The object's records: a reply is copied over the start of the one of its layout, and the
  // requests that share a layout with their reply are written into it too.
  Record<image_query::kSize> image_file_reply{};
  Record<image::kSize> image_record{};
  Record<image_card::kSize> image_card_reply{};
  Record<login::kSize> login_record{};
  Record<generic::kSize> generic_record{};

  // The last reply, which the caller knows to be of type `Decoded` (its code was awaited).
  template <class Decoded>
  const Decoded& Last() const {
    return std::get<Decoded>(last_reply);
  }
};

}  // namespace orvabridge::channel
