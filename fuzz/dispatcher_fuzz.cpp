// The reply dispatcher and its unpackers: replies of any code and any size, one after the other,
// into one holding area. A model of the holding area says what each reply may change; after every
// reply the holding area must match it exactly:
// - a reply that replaces a record of the holding area covers its start and leaves the rest of
//   that record as it was; one that is read through a record of its own changes no record;
// - an image reply counts only at its record's exact size and then never touches ReplyCode;
// - the decoded reply holds each field as read from what the record holds (texts up to their
//   first zero byte, never anything beyond), and every text is UTF-8;
// - ReplyCode is left alone or becomes the code of the reply just unpacked (an accepted one).
//
// Script: code page (u8), then per reply: code (u8 picks one of kCodes, 0 = any code from a u32),
// size (u8 picks the record's size, a little less or more, or a u16 below size + 64 KiB), how the
// payload is filled (u8: from the input, from the input without zero bytes, or one repeated
// byte), the filling bytes, and whether a waiting operation takes ReplyCode back to 0 first.
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "channel/dispatcher.h"
#include "channel/protocol.h"
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

// Which holding record a reply replaces the start of; kOwnRecord: read through a record of its
// own. What record and size a reply has comes from the protocol table.
enum class Target { kOwnRecord, kImageFile, kImageRecord, kImageCard, kLogin, kGeneric };

Target TargetOf(uint32_t code) {
  switch (code) {
    case command::kGetImage:
      return Target::kImageFile;
    case command::kSearchImage:
    case command::kSelectedImage:
      return Target::kImageRecord;
    case command::kSelectedImageCard:
      return Target::kImageCard;
    case command::kUserLogin:
    case command::kUserLogout:
    case command::kUserGroupLogin:
      return Target::kLogin;
    case command::kGeneric:
      return Target::kGeneric;
    default:
      return Target::kOwnRecord;
  }
}

std::span<std::byte> TargetRecord(channel::ReplyHolding& holding, Target target) {
  switch (target) {
    case Target::kImageFile:
      return holding.image_file_reply;
    case Target::kImageRecord:
      return holding.image_record;
    case Target::kImageCard:
      return holding.image_card_reply;
    case Target::kLogin:
      return holding.login_record;
    case Target::kGeneric:
      return holding.generic_record;
    case Target::kOwnRecord:
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

// The reply of `code` as the record now holds it, read field by field without the codec.
channel::Reply Decoded(platform::CodePage& page, uint32_t code, std::span<const std::byte> r) {
  namespace p = channel::patient;
  namespace im = channel::image;
  namespace ic = channel::image_card;
  namespace lg = channel::login;
  namespace gn = channel::generic;
  const auto text = [&](Field field) { return FieldText(page, r, field); };
  switch (code) {
    case command::kAttach:
      return channel::AttachReply{
          platform::WindowHandle(channel::ReadU32(r, channel::attach_reply::kControlWindow)),
          text(channel::attach_reply::kName),
          channel::ReadI32(r, channel::attach_reply::kVersionMajor),
          channel::ReadI32(r, channel::attach_reply::kVersionMinor),
          channel::ReadI32(r, channel::attach_reply::kVersionBuild)};
    case command::kFindPatient:
      return channel::FoundPatientReply{channel::ReadI32(r, channel::find_patient::kFound) != 0,
                                        text(channel::find_patient::kFirstName),
                                        text(channel::find_patient::kLastName)};
    case command::kCurrentPatient:
      return channel::CurrentPatientReply{
          text(p::kId),     text(p::kFirstName), text(p::kLastName), text(p::kBirthdate),
          text(p::kSex),    text(p::kAddress),   text(p::kTelOne),   text(p::kTelTwo),
          text(p::kMobile), text(p::kEmail),     text(p::kComments)};
    case command::kSelectedImage:
      return channel::SelectedImageReply{
          text(im::kPictureId), text(im::kPatientId),    text(im::kImageDate),
          text(im::kImageType), text(im::kOriginalPath), text(im::kToothGroupName),
          text(im::kComment),   text(im::kToothGroups),  text(im::kXrayData)};
    case command::kSelectedImageCard:
      return channel::ImageCardReply{channel::ReadI32(r, ic::kCardId), text(ic::kPatientId),
                                     text(ic::kImagePath), text(ic::kContent)};
    case command::kUserLogin:
    case command::kUserLogout:
    case command::kUserGroupLogin:
      return channel::LoginReply{channel::ReadI32(r, lg::kChangeRightsOrResult),
                                 text(lg::kUserPrefix), text(lg::kUserFirstname),
                                 text(lg::kUserLastname)};
    case command::kGeneric: {
      channel::GenericReply generic;
      generic.number = {channel::ReadI32(r, gn::kNumber0), channel::ReadI32(r, gn::kNumber1),
                        channel::ReadI32(r, gn::kNumber2), channel::ReadI32(r, gn::kNumber3)};
      generic.real = channel::ReadF64(r, gn::kDouble);
      for (size_t n = 0; n < gn::kText.size(); ++n) generic.text[n] = text(gn::kText[n]);
      return generic;
    }
    default:
      return {};
  }
}

// The texts of a decoded reply, to check that each is UTF-8.
std::vector<std::string> TextsOf(const channel::Reply& reply) {
  struct {
    std::vector<std::string> operator()(std::monostate) const { return {}; }
    std::vector<std::string> operator()(const channel::AttachReply& a) const { return {a.name}; }
    std::vector<std::string> operator()(const channel::FoundPatientReply& f) const {
      return {f.first_name, f.last_name};
    }
    std::vector<std::string> operator()(const channel::CurrentPatientReply& c) const {
      return {c.id,      c.first_name, c.last_name, c.birthdate, c.sex,     c.address,
              c.tel_one, c.tel_two,    c.mobile,    c.email,     c.comments};
    }
    std::vector<std::string> operator()(const channel::SelectedImageReply& i) const {
      return {i.picture_id,       i.patient_id, i.image_date,   i.image_type, i.original_path,
              i.tooth_group_name, i.comment,    i.tooth_groups, i.xray_data};
    }
    std::vector<std::string> operator()(const channel::ImageCardReply& c) const {
      return {c.patient_id, c.image_path, c.content};
    }
    std::vector<std::string> operator()(const channel::LoginReply& l) const {
      return {l.prefix, l.first_name, l.last_name};
    }
    std::vector<std::string> operator()(const channel::GenericReply& g) const {
      return {g.text.begin(), g.text.end()};
    }
  } texts;
  return std::visit(texts, reply);
}

// Whether two decoded replies agree, a real number by its bits (a reply may carry a NaN).
bool SameNumbers(const channel::Reply& a, const channel::Reply& b) {
  const auto* x = std::get_if<channel::GenericReply>(&a);
  const auto* y = std::get_if<channel::GenericReply>(&b);
  if (x == nullptr || y == nullptr) return a == b;
  return x->number == y->number && x->text == y->text &&
         std::bit_cast<uint64_t>(x->real) == std::bit_cast<uint64_t>(y->real);
}

// The model: what the holding area and the control window must be after `payload` of `code`.
void Apply(channel::ReplyHolding& model, platform::WindowHandle& target,
           platform::CodePage& code_page, uint32_t code, std::span<const std::byte> payload) {
  const channel::CommandInfo* info = channel::FindCommandInfo(code);
  if (info == nullptr || !info->reply || code == command::kIgnoredReply) return;
  const size_t record_size = channel::RecordSize(*info->reply);
  if (info->reply_counts_at_exact_size) {
    if (payload.size() != record_size) return;
    auto record = TargetRecord(model, TargetOf(code));
    std::memcpy(record.data(), payload.data(), record.size());
    model.image_reply_flag = true;
    return;
  }
  std::vector<std::byte> own;
  std::span<std::byte> record = TargetRecord(model, TargetOf(code));
  if (record.empty()) {
    own.assign(record_size, std::byte{0});
    record = own;
  }
  if (!payload.empty()) {
    std::memcpy(record.data(), payload.data(), std::min(payload.size(), record.size()));
  }
  model.last_reply = Decoded(code_page, code, record);
  if (code == command::kAttach) {
    target = model.Last<channel::AttachReply>().control_window;
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
  FUZZ_CHECK(actual.last_reply.index() == model.last_reply.index(),
             reply + "decoded as reply type " + std::to_string(actual.last_reply.index()) +
                 ", expected " + std::to_string(model.last_reply.index()));
  const std::vector<std::string> texts = TextsOf(actual.last_reply);
  const std::vector<std::string> expected = TextsOf(model.last_reply);
  for (size_t i = 0; i < texts.size() && i < expected.size(); ++i) {
    FUZZ_CHECK(texts[i] == expected[i], reply + "text " + std::to_string(i) + " \"" +
                                            Escaped(texts[i]) + "\", expected \"" +
                                            Escaped(expected[i]) + "\"");
    FUZZ_CHECK(IsValidUtf8(texts[i]),
               reply + "text " + std::to_string(i) + " is no UTF-8: " + Escaped(texts[i]));
  }
  FUZZ_CHECK(SameNumbers(actual.last_reply, model.last_reply), reply + "a decoded number differs");
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
  const size_t record = channel::ReplySize(code).value_or(64);
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
    FUZZ_CHECK(accepted == channel::ReplySize(code).has_value(),
               "Dispatch said " + std::to_string(accepted) + " for code " + std::to_string(code));
    Apply(*model, model_target, page.code_page(), code, payload);
    CheckSame(*holding, *model, code, payload.size());
    FUZZ_CHECK(target == model_target, "control window changed by reply " + std::to_string(code));
  }
  return 0;
}
