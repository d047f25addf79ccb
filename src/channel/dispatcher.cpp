#include "channel/dispatcher.h"

#include <string>

namespace orvabridge::channel {
namespace {

std::string Marker(bool has_record) { return has_record ? kRecordMarker : kNoneMarker; }

}  // namespace

bool ReplyDispatcher::Dispatch(const platform::CopyData& message) {
  const bool accepted = Unpack(message);
  if (accepted) holding_.last_reply_bytes = message.bytes.size();
  return accepted;
}

bool ReplyDispatcher::Unpack(const platform::CopyData& message) {
  const auto payload = message.bytes;
  switch (message.code) {
    case command::kAttach:
      UnpackAttach(payload);
      return true;
    case command::kFindPatient:
      UnpackFindPatient(payload);
      return true;
    case command::kGetImage:
      // Only a reply of exactly the record's size is taken; anything else is dropped and the
      // waiting operation runs into its time-out.
      if (payload.size() == image_query::kSize) {
        CopyPayload(holding_.image_file_reply, payload);
        holding_.image_reply_flag = true;
      }
      return true;
    case command::kSearchImage:
      if (payload.size() == image::kSize) {
        CopyPayload(holding_.image_record, payload);
        holding_.image_reply_flag = true;
      }
      return true;
    case command::kIgnoredReply:
      return true;
    case command::kCurrentPatient:
      UnpackCurrentPatient(payload);
      return true;
    case command::kSelectedImage:
      UnpackSelectedImage(payload);
      return true;
    case command::kSelectedImageCard:
      UnpackSelectedImageCard(payload);
      return true;
    case command::kUserLogin:
    case command::kUserLogout:
    case command::kUserGroupLogin:
      UnpackLogin(message.code, payload);
      return true;
    case command::kGeneric:
      UnpackGeneric(payload);
      return true;
    default:
      return false;
  }
}

void ReplyDispatcher::UnpackAttach(std::span<const std::byte> payload) {
  Record<attach_reply::kSize> record{};
  CopyPayload(record, payload);
  target_window_ = platform::WindowHandle(ReadU32(record, attach_reply::kControlWindow));
  holding_.reply_text[slot::attach::kName] = codec_.ReadText(record, attach_reply::kName);
  holding_.reply_text[slot::attach::kVersion] =
      std::to_string(ReadI32(record, attach_reply::kVersionMajor)) + "." +
      std::to_string(ReadI32(record, attach_reply::kVersionMinor)) + "." +
      std::to_string(ReadI32(record, attach_reply::kVersionBuild));
  holding_.reply_code = command::kAttach;
}

void ReplyDispatcher::UnpackFindPatient(std::span<const std::byte> payload) {
  Record<find_patient::kSize> record{};
  CopyPayload(record, payload);
  holding_.reply_text[slot::find::kFirstName] = codec_.ReadText(record, find_patient::kFirstName);
  holding_.reply_text[slot::find::kLastName] = codec_.ReadText(record, find_patient::kLastName);
  holding_.reply_text[slot::kMarker] = Marker(ReadI32(record, find_patient::kFound) != 0);
  holding_.reply_code = command::kFindPatient;
}

void ReplyDispatcher::UnpackCurrentPatient(std::span<const std::byte> payload) {
  Record<patient::kShortSize> record{};
  CopyPayload(record, payload);
  static constexpr Field kOrder[] = {
      patient::kId,     patient::kFirstName, patient::kLastName, patient::kBirthdate,
      patient::kSex,    patient::kAddress,   patient::kTelOne,   patient::kTelTwo,
      patient::kMobile, patient::kEmail,     patient::kComments,
  };
  static_assert(std::size(kOrder) == slot::current_patient::kComments);
  for (size_t i = 0; i < std::size(kOrder); ++i) {
    holding_.reply_text[slot::current_patient::kId + i] = codec_.ReadText(record, kOrder[i]);
  }
  holding_.reply_text[slot::kMarker] =
      Marker(!holding_.reply_text[slot::current_patient::kId].empty());
  holding_.reply_code = command::kCurrentPatient;
}

void ReplyDispatcher::UnpackSelectedImage(std::span<const std::byte> payload) {
  auto& record = holding_.image_record;
  CopyPayload(record, payload);
  static constexpr Field kOrder[] = {
      image::kPictureId, image::kPatientId,    image::kImageDate,
      image::kImageType, image::kOriginalPath, image::kToothGroupName,
      image::kComment,   image::kToothGroups,  image::kXrayData,
  };
  static_assert(std::size(kOrder) == slot::selected_image::kXrayData);
  for (size_t i = 0; i < std::size(kOrder); ++i) {
    holding_.reply_text[slot::selected_image::kPictureId + i] = codec_.ReadText(record, kOrder[i]);
  }
  holding_.reply_text[slot::kMarker] =
      Marker(!holding_.reply_text[slot::selected_image::kPictureId].empty());
  holding_.reply_code = command::kSelectedImage;
}

void ReplyDispatcher::UnpackSelectedImageCard(std::span<const std::byte> payload) {
  auto& record = holding_.image_card_reply;
  CopyPayload(record, payload);
  auto& text = holding_.reply_text;
  text[slot::image_card::kPatientId] = codec_.ReadText(record, image_card::kPatientId);
  text[slot::image_card::kImagePath] = codec_.ReadText(record, image_card::kImagePath);
  text[slot::image_card::kContent] = codec_.ReadText(record, image_card::kContent);
  text[slot::image_card::kCardId] = std::to_string(ReadI32(record, image_card::kCardId));
  text[slot::kMarker] = Marker(!text[slot::image_card::kPatientId].empty());
  holding_.reply_code = command::kSelectedImageCard;
}

void ReplyDispatcher::UnpackLogin(uint32_t code, std::span<const std::byte> payload) {
  auto& record = holding_.login_record;
  CopyPayload(record, payload);
  // A logout reply carries only the result.
  if (code != command::kUserLogout) {
    holding_.reply_text[slot::login::kPrefix] = codec_.ReadText(record, login::kUserPrefix);
    holding_.reply_text[slot::login::kFirstName] = codec_.ReadText(record, login::kUserFirstname);
    holding_.reply_text[slot::login::kLastName] = codec_.ReadText(record, login::kUserLastname);
  }
  holding_.reply_text[slot::login::kResult] =
      std::to_string(ReadI32(record, login::kChangeRightsOrResult));
  holding_.reply_code = code;
}

void ReplyDispatcher::UnpackGeneric(std::span<const std::byte> payload) {
  auto& record = holding_.generic_record;
  CopyPayload(record, payload);
  for (size_t n = 0; n < generic::kText.size(); ++n) {
    holding_.reply_text[n] = codec_.ReadText(record, generic::kText[n]);
  }
  holding_.reply_code = command::kGeneric;
}

}  // namespace orvabridge::channel
