// The reply dispatcher and its unpackers: replies of any code and any size, one after the other,
// into one holding area. A model of the holding area says what each reply may change; after every
// reply the holding area must match it exactly:
// - a reply that replaces a record of the holding area covers its start and leaves the rest of
//   that record as it was; one that is read through a record of its own changes no record;
// - an image reply counts only at its record's exact size and then never touches ReplyCode;
// - each reply text is its field's text read from what the record holds, never anything beyond;
// - ReplyCode is left alone or becomes the code of the reply just unpacked (an accepted one).
//
// Script: code page (u8), then per reply: code (u8 picks one of kCodes, 0 = any code from a u32),
// size (u8 picks the record's size, a little less or more, or a u16 below size + 64 KiB), how the
// payload is filled (u8: from the input, from the input without zero bytes, or one repeated
// byte), the filling bytes, and whether a waiting operation takes ReplyCode back to 0 first.
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "channel/dispatcher.h"
#include "code_pages.h"
#include "fuzz_support.h"

namespace orvabridge::fuzz {
namespace {

namespace command = channel::command;
using channel::Field;

constexpr uint32_t kCodes[] = {0,
                               command::kAttach,
                               command::kFindPatient,
                               command::kShowPatient,
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
                               command::kGeneric,
                               1001,
                               1014,
                               1022,
                               1499,
                               1501};

constexpr size_t kMaxExtra = 64 * 1024;

// What each accepted code does, as the design describes it.
struct ReplyRule {
  uint32_t code;
  size_t record_size;
  // Which holding record the reply replaces the start of; -1: read through a record of its own.
  enum Target { kOwnRecord, kImageFile, kImageRecord, kImageCard, kLogin, kGeneric } target;
  bool exact_size_only;      // the image replies
  std::vector<Field> texts;  // reply_text[first_text + i] = text of texts[i]
  size_t first_text;
};

const std::vector<ReplyRule>& Rules() {
  namespace p = channel::patient;
  namespace im = channel::image;
  namespace ic = channel::image_card;
  namespace lg = channel::login;
  static const std::vector<ReplyRule> rules = {
      {command::kAttach,
       channel::attach_reply::kSize,
       ReplyRule::kOwnRecord,
       false,
       {channel::attach_reply::kName},
       0},
      {command::kFindPatient,
       channel::find_patient::kSize,
       ReplyRule::kOwnRecord,
       false,
       {channel::find_patient::kFirstName, channel::find_patient::kLastName},
       1},
      {command::kGetImage, channel::image_query::kSize, ReplyRule::kImageFile, true, {}, 0},
      {command::kSearchImage, im::kSize, ReplyRule::kImageRecord, true, {}, 0},
      {command::kIgnoredReply, 0, ReplyRule::kOwnRecord, false, {}, 0},
      {command::kCurrentPatient,
       p::kShortSize,
       ReplyRule::kOwnRecord,
       false,
       {p::kId, p::kFirstName, p::kLastName, p::kBirthdate, p::kSex, p::kAddress, p::kTelOne,
        p::kTelTwo, p::kMobile, p::kEmail, p::kComments},
       1},
      {command::kSelectedImage,
       im::kSize,
       ReplyRule::kImageRecord,
       false,
       {im::kPictureId, im::kPatientId, im::kImageDate, im::kImageType, im::kOriginalPath,
        im::kToothGroupName, im::kComment, im::kToothGroups, im::kXrayData},
       1},
      {command::kSelectedImageCard,
       ic::kSize,
       ReplyRule::kImageCard,
       false,
       {ic::kPatientId, ic::kImagePath, ic::kContent},
       1},
      {command::kUserLogin,
       lg::kSize,
       ReplyRule::kLogin,
       false,
       {lg::kUserPrefix, lg::kUserFirstname, lg::kUserLastname},
       1},
      {command::kUserLogout, lg::kSize, ReplyRule::kLogin, false, {}, 1},
      {command::kUserGroupLogin,
       lg::kSize,
       ReplyRule::kLogin,
       false,
       {lg::kUserPrefix, lg::kUserFirstname, lg::kUserLastname},
       1},
      {command::kGeneric,
       channel::generic::kSize,
       ReplyRule::kGeneric,
       false,
       {channel::generic::kText.begin(), channel::generic::kText.end()},
       0},
  };
  return rules;
}

const ReplyRule* RuleOf(uint32_t code) {
  for (const auto& rule : Rules()) {
    if (rule.code == code) return &rule;
  }
  return nullptr;
}

std::span<std::byte> TargetRecord(channel::ReplyHolding& holding, ReplyRule::Target target) {
  switch (target) {
    case ReplyRule::kImageFile:
      return holding.image_file_reply;
    case ReplyRule::kImageRecord:
      return holding.image_record;
    case ReplyRule::kImageCard:
      return holding.image_card_reply;
    case ReplyRule::kLogin:
      return holding.login_record;
    case ReplyRule::kGeneric:
      return holding.generic_record;
    case ReplyRule::kOwnRecord:
      break;
  }
  return {};
}

// A field's text read straight from the record's bytes: up to its first zero byte, within the
// field. The codec is not asked, so a codec that read past a field would show here.
std::string FieldText(platform::CodePage& code_page, std::span<const std::byte> record,
                      Field field) {
  const std::string_view bytes(reinterpret_cast<const char*>(record.data()) + field.offset,
                               field.width);
  return code_page.FromAnsi(bytes.substr(0, bytes.find('\0')));
}

std::string Marker(bool has_record) {
  return has_record ? channel::kRecordMarker : channel::kNoneMarker;
}

// The model: what the holding area and the control window must be after `payload` of `code`.
void Apply(channel::ReplyHolding& model, platform::WindowHandle& target,
           platform::CodePage& code_page, uint32_t code, std::span<const std::byte> payload) {
  const ReplyRule* rule = RuleOf(code);
  if (rule == nullptr || code == command::kIgnoredReply) return;
  if (rule->exact_size_only) {
    if (payload.size() != rule->record_size) return;
    auto record = TargetRecord(model, rule->target);
    std::memcpy(record.data(), payload.data(), record.size());
    model.image_reply_flag = true;
    return;
  }
  std::vector<std::byte> own;
  std::span<std::byte> record = TargetRecord(model, rule->target);
  if (record.empty()) {
    own.assign(rule->record_size, std::byte{0});
    record = own;
  }
  if (!payload.empty()) {
    std::memcpy(record.data(), payload.data(), std::min(payload.size(), record.size()));
  }
  for (size_t i = 0; i < rule->texts.size(); ++i) {
    model.reply_text[rule->first_text + i] = FieldText(code_page, record, rule->texts[i]);
  }
  switch (code) {
    case command::kAttach:
      target =
          platform::WindowHandle(channel::ReadU32(record, channel::attach_reply::kControlWindow));
      model.reply_text[1] =
          std::to_string(channel::ReadI32(record, channel::attach_reply::kVersionMajor)) + "." +
          std::to_string(channel::ReadI32(record, channel::attach_reply::kVersionMinor)) + "." +
          std::to_string(channel::ReadI32(record, channel::attach_reply::kVersionBuild));
      break;
    case command::kFindPatient:
      model.reply_text[0] = Marker(channel::ReadI32(record, channel::find_patient::kFound) != 0);
      break;
    case command::kSelectedImageCard:
      model.reply_text[4] = std::to_string(channel::ReadI32(record, channel::image_card::kCardId));
      model.reply_text[0] = Marker(!model.reply_text[1].empty());
      break;
    case command::kCurrentPatient:
    case command::kSelectedImage:
      model.reply_text[0] = Marker(!model.reply_text[1].empty());
      break;
    case command::kUserLogin:
    case command::kUserLogout:
    case command::kUserGroupLogin:
      model.reply_text[0] =
          std::to_string(channel::ReadI32(record, channel::login::kChangeRightsOrResult));
      break;
    default:
      break;
  }
  model.reply_code = code;
}

void CheckSame(const channel::ReplyHolding& actual, const channel::ReplyHolding& model,
               uint32_t code, size_t size) {
  const std::string reply =
      "reply " + std::to_string(code) + " of " + std::to_string(size) + " bytes: ";
  FUZZ_CHECK(actual.reply_code == model.reply_code,
             reply + "ReplyCode " + std::to_string(actual.reply_code) + ", expected " +
                 std::to_string(model.reply_code));
  for (size_t i = 0; i < actual.reply_text.size(); ++i) {
    FUZZ_CHECK(actual.reply_text[i] == model.reply_text[i],
               reply + "text " + std::to_string(i) + " \"" + Escaped(actual.reply_text[i]) +
                   "\", expected \"" + Escaped(model.reply_text[i]) + "\"");
    FUZZ_CHECK(
        IsValidUtf8(actual.reply_text[i]),
        reply + "text " + std::to_string(i) + " is no UTF-8: " + Escaped(actual.reply_text[i]));
  }
  FUZZ_CHECK(actual.image_reply_flag == model.image_reply_flag, reply + "image reply flag");
  FUZZ_CHECK(actual.image_file_reply == model.image_file_reply, reply + "image file reply changed");
  FUZZ_CHECK(actual.image_record == model.image_record, reply + "image record changed");
  FUZZ_CHECK(actual.image_card_reply == model.image_card_reply, reply + "image card changed");
  FUZZ_CHECK(actual.login_record == model.login_record, reply + "login record changed");
  FUZZ_CHECK(actual.generic_record == model.generic_record, reply + "generic record changed");
}

std::vector<std::byte> Payload(ScriptReader& script, size_t size) {
  std::vector<std::byte> payload(size);
  const uint8_t fill = script.U8();
  if (fill % 3 == 2) {
    // One repeated byte, never zero: no field of the reply has a terminator.
    std::fill(payload.begin(), payload.end(), static_cast<std::byte>(1 + script.U8() % 255));
    return payload;
  }
  const std::string_view bytes = script.Take(std::min<size_t>(size, script.U16()));
  if (!bytes.empty()) std::memcpy(payload.data(), bytes.data(), bytes.size());
  if (fill % 3 == 1) {
    for (auto& b : payload) {
      if (b == std::byte{0}) b = std::byte{'x'};
    }
  }
  return payload;
}

size_t PayloadSize(ScriptReader& script, uint32_t code) {
  const ReplyRule* rule = RuleOf(code);
  const size_t record = rule ? rule->record_size : 64;
  switch (script.U8() % 5) {
    case 0:
      return record;
    case 1:
      return record - std::min<size_t>(record, 1 + script.U8());
    case 2:
      return record + 1 + script.U8();
    case 3:
      return 0;
    default:
      return (script.U16() | (size_t{script.U8()} << 16)) % (record + kMaxExtra + 1);
  }
}

}  // namespace
}  // namespace orvabridge::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvabridge;
  using namespace orvabridge::fuzz;
  ScriptReader script(data, size);
  CodePageUnderTest& page = CodePageAt(script.U8());
  channel::FieldCodec codec(page.code_page());

  auto holding = std::make_unique<channel::ReplyHolding>();
  auto model = std::make_unique<channel::ReplyHolding>();
  platform::WindowHandle target, model_target;
  channel::ReplyDispatcher dispatcher(*holding, codec, target);

  for (int replies = 0; replies < 16 && !script.empty(); ++replies) {
    uint32_t code = kCodes[script.Below(std::size(kCodes))];
    if (code == 0) code = script.U32();
    const std::vector<std::byte> payload = Payload(script, PayloadSize(script, code));
    if (script.Flag()) holding->reply_code = model->reply_code = 0;  // a new wait begins

    const bool accepted = dispatcher.Dispatch(platform::CopyData{code, payload});
    FUZZ_CHECK(accepted == (RuleOf(code) != nullptr),
               "Dispatch said " + std::to_string(accepted) + " for code " + std::to_string(code));
    Apply(*model, model_target, page.code_page(), code, payload);
    CheckSame(*holding, *model, code, payload.size());
    FUZZ_CHECK(target == model_target, "control window changed by reply " + std::to_string(code));
  }
  return 0;
}
