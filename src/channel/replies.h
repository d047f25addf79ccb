// The imaging application's replies, decoded once: one type per reply record, filled by the
// dispatcher from the object's record of that layout after the reply was copied over its start
// (a short reply leaves the rest of the record as it was). The operations read these fields;
// none of them reads a reply's bytes again or tells "found" from a marker text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>

#include "channel/records.h"
#include "platform/window_system.h"

namespace orvabridge::channel {

// 1002, the answer to the registered attach message.
struct AttachReply {
  platform::WindowHandle control_window;
  std::string name;
  int32_t version_major = 0;
  int32_t version_minor = 0;
  int32_t version_build = 0;

  // "3.1.1199", as InitApplication hands the version out.
  std::string VersionText() const;
  bool operator==(const AttachReply&) const = default;
};

// 1003: the patient's names when the application knows the id.
struct FoundPatientReply {
  bool found = false;
  std::string first_name;
  std::string last_name;
  bool operator==(const FoundPatientReply&) const = default;
};

// 1016: the patient open in the application; none when the id comes back empty.
struct CurrentPatientReply {
  std::string id, first_name, last_name, birthdate, sex, address, tel_one, tel_two, mobile, email,
      comments;
  bool found() const { return !id.empty(); }
  bool operator==(const CurrentPatientReply&) const = default;
};

// 1017: the image selected in the application; none when the picture id comes back empty.
struct SelectedImageReply {
  std::string picture_id, patient_id, image_date, image_type, original_path, tooth_group_name,
      comment, tooth_groups, xray_data;
  bool found() const { return !picture_id.empty(); }
  bool operator==(const SelectedImageReply&) const = default;
};

// 1018: the selected image card; none when the patient id comes back empty.
struct ImageCardReply {
  int32_t card_id = 0;
  std::string patient_id, image_path, content;
  bool found() const { return !patient_id.empty(); }
  bool operator==(const ImageCardReply&) const = default;
};

// 1019, 1020 and 1021: the result and the user's names as the login record holds them.
struct LoginReply {
  int32_t result = 0;
  std::string prefix, first_name, last_name;
  bool operator==(const LoginReply&) const = default;
};

// 1500: GenericRecord's numbers and texts; what they mean depends on the sub-command.
struct GenericReply {
  std::array<int32_t, 4> number{};  // generic::kNumber0 .. kNumber3
  double real = 0;                  // generic::kDouble
  std::array<std::string, generic::kText.size()> text;
  bool operator==(const GenericReply&) const = default;
};

using Reply = std::variant<std::monostate, AttachReply, FoundPatientReply, CurrentPatientReply,
                           SelectedImageReply, ImageCardReply, LoginReply, GenericReply>;

}  // namespace orvabridge::channel
