// The reply holding area of one Appl object: what the last replies left behind. It belongs to the
// object, not to one request, so a nested request inside a wait shares it with the outer one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "channel/records.h"

namespace orvabridge::channel {

struct ReplyHolding {
  // Command code of the last reply an unpacker finished; 0 while a request waits.
  uint32_t reply_code = 0;
  // Text values of the last reply; slot 0 is the "-"/"NONE" marker for most replies.
  std::array<std::string, 12> reply_text;
  // The byte count of the last reply with an accepted code (for the trace).
  size_t last_reply_bytes = 0;
  // Set by the image replies 1010 and 1012 of the exact size.
  bool image_reply_flag = false;

  Record<image_query::kSize> image_file_reply{};
  Record<image::kSize> image_record{};
  Record<image_card::kSize> image_card_reply{};
  Record<login::kSize> login_record{};
  Record<generic::kSize> generic_record{};
};

// Which ReplyText slot each reply fills. Slot 0 is the marker of the 1003, 1016, 1017 and 1018
// replies ("-" with a record, "NONE" without), the result of the login replies, the name of the
// attach reply and text field 0 of GenericRecord.
namespace slot {
inline constexpr size_t kMarker = 0;
namespace attach {
inline constexpr size_t kName = 0;
inline constexpr size_t kVersion = 1;
}  // namespace attach
namespace find {
inline constexpr size_t kFirstName = 1;
inline constexpr size_t kLastName = 2;
}  // namespace find
// 1016: the patient's fields from slot 1 on, in the order GetCurrentPatient hands them out.
namespace current_patient {
inline constexpr size_t kId = 1;
inline constexpr size_t kComments = 11;
}  // namespace current_patient
// 1017: the image's fields from slot 1 on, in the order GetSelectedImageInfo hands them out.
namespace selected_image {
inline constexpr size_t kPictureId = 1;
inline constexpr size_t kXrayData = 9;
}  // namespace selected_image
namespace image_card {
inline constexpr size_t kPatientId = 1;
inline constexpr size_t kImagePath = 2;
inline constexpr size_t kContent = 3;
inline constexpr size_t kCardId = 4;  // as decimal text; the number itself is in the record
}  // namespace image_card
namespace login {
inline constexpr size_t kResult = 0;
inline constexpr size_t kPrefix = 1;
inline constexpr size_t kFirstName = 2;
inline constexpr size_t kLastName = 3;
}  // namespace login
// 1500: text field n of GenericRecord is slot n. The session answer's texts:
namespace session {
inline constexpr size_t kPrefix = 1;
inline constexpr size_t kFirstName = 2;
inline constexpr size_t kLastName = 3;
inline constexpr size_t kLogin = 4;
inline constexpr size_t kGroup = 5;
inline constexpr size_t kWorkstation = 6;
inline constexpr size_t kExtra = 7;
}  // namespace session
}  // namespace slot

inline constexpr const char* kNoneMarker = "NONE";
inline constexpr const char* kRecordMarker = "-";

}  // namespace orvabridge::channel
