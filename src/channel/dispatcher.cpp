#include "channel/dispatcher.h"

#include <string>
#include <utility>

#include "channel/protocol.h"

namespace orvabridge::channel {

bool ReplyDispatcher::Dispatch(const platform::CopyData& message) {
  const bool accepted = Unpack(message);
  if (accepted) holding_.last_reply_bytes = message.bytes.size();
  return accepted;
}

bool ReplyDispatcher::Unpack(const platform::CopyData& message) {
  const CommandInfo* info = FindCommandInfo(message.code);
  if (info == nullptr || !info->reply) return false;  // no reply has this code
  const auto payload = message.bytes;
  if (info->reply_counts_at_exact_size) {
    // Only a reply of exactly the record's size is taken; anything else is dropped and the
    // waiting operation runs into its time-out.
    if (payload.size() == RecordSize(*info->reply)) TakeImageReply(message.code, payload);
    return true;
  }
  switch (message.code) {
    case command::kAttach:
      UnpackAttach(payload);
      break;
    case command::kFindPatient:
      UnpackFindPatient(payload);
      break;
    case command::kCurrentPatient:
      UnpackCurrentPatient(payload);
      break;
    case command::kSelectedImage:
      UnpackSelectedImage(payload);
      break;
    case command::kSelectedImageCard:
      UnpackSelectedImageCard(payload);
      break;
    case command::kUserLogin:
    case command::kUserLogout:
    case command::kUserGroupLogin:
      UnpackLogin(message.code, payload);
      break;
    case command::kGeneric:
      UnpackGeneric(payload);
      break;
    default:
      break;  // accepted and dropped (1013)
  }
  return true;
}

void ReplyDispatcher::TakeImageReply(uint32_t code, std::span<const std::byte> payload) {
  if (code == command::kGetImage) {
    CopyPayload(holding_.image_file_reply, payload);
  } else {
    CopyPayload(holding_.image_record, payload);
  }
  holding_.image_reply_flag = true;  // ReplyCode stays as it is: the image waits watch the flag
}

void ReplyDispatcher::Finish(uint32_t code, Reply reply) {
  holding_.last_reply = std::move(reply);
  holding_.reply_code = code;  // last: a waiting operation never sees half a reply
}

void ReplyDispatcher::UnpackAttach(std::span<const std::byte> payload) {
  Record<attach_reply::kSize> record{};
  CopyPayload(record, payload);
  AttachReply reply;
  reply.control_window = platform::WindowHandle(ReadU32(record, attach_reply::kControlWindow));
  reply.name = codec_.ReadText(record, attach_reply::kName);
  reply.version_major = ReadI32(record, attach_reply::kVersionMajor);
  reply.version_minor = ReadI32(record, attach_reply::kVersionMinor);
  reply.version_build = ReadI32(record, attach_reply::kVersionBuild);
  target_window_ = reply.control_window;
  Finish(command::kAttach, std::move(reply));
}

void ReplyDispatcher::UnpackFindPatient(std::span<const std::byte> payload) {
  Record<find_patient::kSize> record{};
  CopyPayload(record, payload);
  FoundPatientReply reply;
  reply.first_name = codec_.ReadText(record, find_patient::kFirstName);
  reply.last_name = codec_.ReadText(record, find_patient::kLastName);
  reply.found = ReadI32(record, find_patient::kFound) != 0;
  Finish(command::kFindPatient, std::move(reply));
}

void ReplyDispatcher::UnpackCurrentPatient(std::span<const std::byte> payload) {
  Record<patient::kShortSize> record{};
  CopyPayload(record, payload);
  CurrentPatientReply reply;
  reply.id = codec_.ReadText(record, patient::kId);
  reply.first_name = codec_.ReadText(record, patient::kFirstName);
  reply.last_name = codec_.ReadText(record, patient::kLastName);
  reply.birthdate = codec_.ReadText(record, patient::kBirthdate);
  reply.sex = codec_.ReadText(record, patient::kSex);
  reply.address = codec_.ReadText(record, patient::kAddress);
  reply.tel_one = codec_.ReadText(record, patient::kTelOne);
  reply.tel_two = codec_.ReadText(record, patient::kTelTwo);
  reply.mobile = codec_.ReadText(record, patient::kMobile);
  reply.email = codec_.ReadText(record, patient::kEmail);
  reply.comments = codec_.ReadText(record, patient::kComments);
  Finish(command::kCurrentPatient, std::move(reply));
}

void ReplyDispatcher::UnpackSelectedImage(std::span<const std::byte> payload) {
  auto& record = holding_.image_record;
  CopyPayload(record, payload);
  SelectedImageReply reply;
  reply.picture_id = codec_.ReadText(record, image::kPictureId);
  reply.patient_id = codec_.ReadText(record, image::kPatientId);
  reply.image_date = codec_.ReadText(record, image::kImageDate);
  reply.image_type = codec_.ReadText(record, image::kImageType);
  reply.original_path = codec_.ReadText(record, image::kOriginalPath);
  reply.tooth_group_name = codec_.ReadText(record, image::kToothGroupName);
  reply.comment = codec_.ReadText(record, image::kComment);
  reply.tooth_groups = codec_.ReadText(record, image::kToothGroups);
  reply.xray_data = codec_.ReadText(record, image::kXrayData);
  Finish(command::kSelectedImage, std::move(reply));
}

void ReplyDispatcher::UnpackSelectedImageCard(std::span<const std::byte> payload) {
  auto& record = holding_.image_card_reply;
  CopyPayload(record, payload);
  ImageCardReply reply;
  reply.card_id = ReadI32(record, image_card::kCardId);
  reply.patient_id = codec_.ReadText(record, image_card::kPatientId);
  reply.image_path = codec_.ReadText(record, image_card::kImagePath);
  reply.content = codec_.ReadText(record, image_card::kContent);
  Finish(command::kSelectedImageCard, std::move(reply));
}

void ReplyDispatcher::UnpackLogin(uint32_t code, std::span<const std::byte> payload) {
  auto& record = holding_.login_record;
  CopyPayload(record, payload);
  LoginReply reply;
  reply.result = ReadI32(record, login::kChangeRightsOrResult);
  reply.prefix = codec_.ReadText(record, login::kUserPrefix);
  reply.first_name = codec_.ReadText(record, login::kUserFirstname);
  reply.last_name = codec_.ReadText(record, login::kUserLastname);
  Finish(code, std::move(reply));
}

void ReplyDispatcher::UnpackGeneric(std::span<const std::byte> payload) {
  auto& record = holding_.generic_record;
  CopyPayload(record, payload);
  GenericReply reply;
  reply.number = {ReadI32(record, generic::kNumber0), ReadI32(record, generic::kNumber1),
                  ReadI32(record, generic::kNumber2), ReadI32(record, generic::kNumber3)};
  reply.real = ReadF64(record, generic::kDouble);
  for (size_t n = 0; n < generic::kText.size(); ++n) {
    reply.text[n] = codec_.ReadText(record, generic::kText[n]);
  }
  Finish(command::kGeneric, std::move(reply));
}

}  // namespace orvabridge::channel
