#include "sim/commands.h"

#include <cctype>
#include <charconv>
#include <string_view>

#include "channel/records.h"
#include "sim/command_handlers.h"

namespace orvabridge::sim {

namespace cmd = channel::command;

std::vector<std::byte> NewRecord(size_t size) {
  std::vector<std::byte> record(size);
  channel::WriteU32(record, channel::kSizeField, static_cast<uint32_t>(size));
  return record;
}

std::vector<std::byte> EchoRecord(Request request) {
  return std::vector<std::byte>(request.begin(), request.end());
}

int32_t LeadingNumber(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
  int32_t value = 0;
  std::from_chars(text.data() + start, text.data() + text.size(), value);
  return value;
}

std::optional<Reply> ProcessCommand(const channel::FieldCodec& codec, SimModel& model,
                                    uint32_t code, std::span<const std::byte> record) {
  CommandContext context{codec, model};
  switch (code) {
    case cmd::kFindPatient:
      return FindPatient(context, record);
    case cmd::kShowPatient:
      ShowPatient(context, record);
      return std::nullopt;
    case cmd::kAddPatientShort:
    case cmd::kAddPatientExtended:
      AddPatient(context, record, code == cmd::kAddPatientExtended);
      return std::nullopt;
    case cmd::kChangePatientShort:
    case cmd::kChangePatientExtended:
      ChangePatient(context, record, code == cmd::kChangePatientExtended);
      return std::nullopt;
    case cmd::kCurrentPatient:
      return CurrentPatient(context);
    case cmd::kGetImage:
      return GetImage(context, record);
    case cmd::kSearchImage:
      return SearchImage(context, record);
    case cmd::kFindImages:
      FindImages(context, record);
      return std::nullopt;
    case cmd::kSelectedImage:
      return SelectedImage(context);
    case cmd::kSelectedImageCard:
      return SelectedImageCard(context, record);
    case cmd::kUserLogin:
    case cmd::kUserGroupLogin:
      return Login(context, code, record);
    case cmd::kUserLogout:
      return Logout(context);
    case cmd::kGeneric:
      return Generic(context, record);
    default:
      return std::nullopt;  // 1013 and unknown codes: the application ignores them
  }
}

}  // namespace orvabridge::sim
