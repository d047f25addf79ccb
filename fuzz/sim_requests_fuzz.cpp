// The simulator's side of the protocol on hostile requests: any code, any size, any content, one
// after the other against one model, as its control window hands them on (layout check, the
// request as a full record of its code, the command handlers, the fault switches). Nothing may
// crash; every answer has its command's code and the size of its record, and its texts read as
// well-formed UTF-8.
//
// Script: code page (u8), then per request: code (u8 picks one of kCodes, 0 = any code from a
// u32), size (u8 picks the record's size, a little less or more, or a u16), the bytes (u8 picks
// zeros, the input, or a well-formed record with fields from the input: a u8 field count, then
// per field a u8 position and a text), then fault switches (u8 flags, u16 size, u32 code).
#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "channel/records.h"
#include "code_pages.h"
#include "fuzz_support.h"
#include "sim/commands.h"
#include "sim/faults.h"
#include "sim/request_layout.h"

namespace orvabridge::fuzz {
namespace {

namespace command = channel::command;

constexpr uint32_t kCodes[] = {0,
                               command::kAttach,
                               command::kFindPatient,
                               command::kShowPatient,
                               command::kAddPatientShort,
                               command::kChangePatientShort,
                               command::kAddPatientExtended,
                               command::kChangePatientExtended,
                               command::kGetImage,
                               command::kSearchImage,
                               command::kIgnoredReply,
                               command::kFindImages,
                               command::kCurrentPatient,
                               command::kSelectedImage,
                               command::kSelectedImageCard,
                               command::kUserLogin,
                               command::kUserLogout,
                               command::kUserGroupLogin,
                               command::kGeneric};

// The size of each answer's record.
std::optional<size_t> AnswerSize(uint32_t code) {
  switch (code) {
    case command::kFindPatient:
      return channel::find_patient::kSize;
    case command::kCurrentPatient:
      return channel::patient::kShortSize;
    case command::kGetImage:
      return channel::image_query::kSize;
    case command::kSearchImage:
    case command::kSelectedImage:
      return channel::image::kSize;
    case command::kSelectedImageCard:
      return channel::image_card::kSize;
    case command::kUserLogin:
    case command::kUserLogout:
    case command::kUserGroupLogin:
      return channel::login::kSize;
    case command::kGeneric:
      return channel::generic::kSize;
    default:
      return std::nullopt;
  }
}

sim::SimModel SeededModel() {
  sim::SimModel model;
  sim::SimUser admin;
  admin.id = 1;
  admin.login = "admin";
  admin.password = "admin";
  admin.rights = sim::rights::kAdmin | sim::rights::kEdit;
  model.PutUser(admin);
  sim::SimUser user;
  user.id = 2;
  user.login = "demo";
  user.password = "demo";
  user.first_name = "Dora";
  model.PutUser(user);
  for (int i = 1; i <= 3; ++i) {
    sim::SimPatient patient;
    patient.id = std::to_string(1000 + i);
    patient.first_name = "Anna";
    patient.last_name = "M\xC3\xBCller";
    patient.db_id = i;
    model.PutPatient(patient);
    sim::SimImage image;
    image.patient_id = patient.id;
    image.picture_id = std::to_string(5000 + i);
    image.date = "12.03.2024";
    model.images.push_back(image);
  }
  model.current_patient_id = "1001";
  model.selected_picture_id = "5001";
  model.selected_card = sim::SimImageCard{7, "1001", "<card/>", "C:\\Images\\5001.jpg"};
  model.logged_in_login = "demo";
  return model;
}

std::vector<std::byte> RequestBytes(ScriptReader& script, const channel::FieldCodec& codec,
                                    uint32_t code, size_t size) {
  std::vector<std::byte> bytes(size);
  switch (script.U8() % 3) {
    case 0:
      break;
    case 1: {
      const std::string_view run = script.Take(std::min<size_t>(size, script.U16()));
      std::copy(run.begin(), run.end(), reinterpret_cast<char*>(bytes.data()));
      break;
    }
    default: {
      // A record as the library sends it: its size in front, texts at 4-byte positions.
      if (size >= 4) channel::WriteU32(bytes, channel::kSizeField, static_cast<uint32_t>(size));
      for (size_t fields = script.U8() % 8; fields > 0; --fields) {
        const size_t offset = 4 + 4 * size_t{script.U16()};
        const std::string text = script.Text();
        if (offset < size)
          codec.WriteText(bytes, {offset, std::min<size_t>(256, size - offset)}, text);
      }
      if (code == command::kGeneric && size >= 8) {
        channel::WriteI32(bytes, channel::generic::kSubCommand, script.U8() % 6);
      }
      break;
    }
  }
  return bytes;
}

sim::FaultSwitches Faults(ScriptReader& script) {
  const uint8_t flags = script.U8();
  sim::FaultSwitches faults;
  faults.no_reply = flags & 1;
  faults.destroy_control_window_on_request = flags & 2;
  faults.ignore_attach = flags & 4;
  faults.timing = (flags & 8) ? sim::ReplyTiming::kFromPump : sim::ReplyTiming::kInsideSend;
  if (flags & 16) faults.reply_size = script.U16();
  if (flags & 32) faults.reply_code = script.U32();
  if (flags & 64) faults.only_for_command = kCodes[script.Below(std::size(kCodes))];
  if (flags & 128) faults.reply_delay = std::chrono::milliseconds(script.U8());
  return faults;
}

void CheckAnswer(const channel::FieldCodec& codec, uint32_t code, const sim::Reply& reply) {
  const auto size = AnswerSize(code);
  FUZZ_CHECK(size.has_value(), "an answer to " + std::to_string(code));
  FUZZ_CHECK(reply.code == code,
             "answer code " + std::to_string(reply.code) + " to " + std::to_string(code));
  FUZZ_CHECK(reply.bytes.size() == *size, "answer to " + std::to_string(code) + " has " +
                                              std::to_string(reply.bytes.size()) + " bytes");
  for (size_t offset = 4; offset + 64 <= reply.bytes.size(); offset += 60) {
    const std::string text = codec.ReadText(reply.bytes, {offset, 64});
    FUZZ_CHECK(IsValidUtf8(text),
               "answer text at " + std::to_string(offset) + ": " + Escaped(text));
  }
}

}  // namespace
}  // namespace orvabridge::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvabridge;
  using namespace orvabridge::fuzz;
  ScriptReader script(data, size);
  CodePageUnderTest& page = CodePageAt(script.U8());
  const channel::FieldCodec codec(page.code_page());
  sim::SimModel model = SeededModel();

  for (int requests = 0; requests < 12 && !script.empty(); ++requests) {
    uint32_t code = kCodes[script.Below(std::size(kCodes))];
    if (code == 0) code = script.U32();
    const size_t record = sim::RequestRecordSize(code).value_or(64);
    size_t length = record;
    switch (script.U8() % 4) {
      case 0:
        break;
      case 1:
        length = record - std::min<size_t>(record, 1 + script.U8());
        break;
      case 2:
        length = record + 1 + script.U8();
        break;
      default:
        length = script.U16();
        break;
    }
    const std::vector<std::byte> bytes = RequestBytes(script, codec, code, length);

    const std::string layout_error = sim::CheckRequestLayout(code, bytes);
    const bool well_formed =
        sim::RequestRecordSize(code) == bytes.size() &&
        (bytes.empty() || channel::ReadU32(bytes, channel::kSizeField) == bytes.size());
    FUZZ_CHECK(layout_error.empty() == well_formed, "layout check of " + std::to_string(code) +
                                                        " with " + std::to_string(bytes.size()) +
                                                        " bytes: \"" + layout_error + "\"");
    const std::vector<std::byte> full = sim::AsFullRecord(code, bytes);
    FUZZ_CHECK(full.size() == sim::RequestRecordSize(code).value_or(bytes.size()),
               "full record of " + std::to_string(code) + " has " + std::to_string(full.size()) +
                   " bytes");

    std::optional<sim::Reply> reply = sim::ProcessCommand(codec, model, code, full);
    if (reply) CheckAnswer(codec, code, *reply);
    const bool answered = reply.has_value();
    const sim::FaultSwitches faults = Faults(script);
    const sim::ReplyPlan plan = sim::PlanReply(faults, code, std::move(reply));
    FUZZ_CHECK(!plan.reply || answered, "the fault switches invented an answer");
    if (plan.reply && faults.reply_size &&
        (!faults.only_for_command || *faults.only_for_command == code)) {
      FUZZ_CHECK(plan.reply->bytes.size() == *faults.reply_size, "reply_size not applied");
    }
  }
  return 0;
}
