#include "sim/request_layout.h"

#include "channel/codec.h"
#include "channel/records.h"

namespace orvabridge::sim {

namespace cmd = channel::command;

std::optional<size_t> RequestRecordSize(uint32_t code) {
  switch (code) {
    case cmd::kFindPatient:
    case cmd::kShowPatient:
      return channel::find_patient::kSize;
    case cmd::kAddPatientShort:
    case cmd::kChangePatientShort:
    case cmd::kCurrentPatient:
      return channel::patient::kShortSize;
    case cmd::kAddPatientExtended:
    case cmd::kChangePatientExtended:
      return channel::patient::kExtendedSize;
    case cmd::kGetImage:
    case cmd::kSearchImage:
      return channel::image_query::kSize;
    case cmd::kFindImages:
    case cmd::kSelectedImage:
      return channel::image::kSize;
    case cmd::kSelectedImageCard:
      return channel::image_card::kSize;
    case cmd::kUserLogin:
    case cmd::kUserGroupLogin:
      return channel::login::kSize;
    case cmd::kUserLogout:
      return 0;
    case cmd::kGeneric:
      return channel::generic::kSize;
    default:
      return std::nullopt;
  }
}

std::string CheckRequestLayout(uint32_t code, std::span<const std::byte> bytes) {
  const std::string prefix = "command " + std::to_string(code) + ": ";
  const std::optional<size_t> expected = RequestRecordSize(code);
  if (!expected) return prefix + "not a request code";
  if (bytes.size() != *expected) {
    return prefix + "byte count " + std::to_string(bytes.size()) + ", expected " +
           std::to_string(*expected);
  }
  if (*expected == 0) return {};
  const uint32_t size_field = channel::ReadU32(bytes, channel::kSizeField);
  if (size_field != *expected) {
    return prefix + "size field " + std::to_string(size_field) + ", expected " +
           std::to_string(*expected);
  }
  return {};
}

std::vector<std::byte> AsFullRecord(uint32_t code, std::span<const std::byte> bytes) {
  std::vector<std::byte> record(RequestRecordSize(code).value_or(bytes.size()));
  channel::CopyPayload(record, bytes);
  return record;
}

}  // namespace orvabridge::sim
