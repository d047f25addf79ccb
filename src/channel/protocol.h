// Every command code of the copy-data channel, described once: its name, the record a request
// of that code carries and the record its answer carries. The reply dispatcher's accepted codes,
// the simulator's request check and trace and the fuzz targets take codes, names and sizes from
// this table; the records themselves (offsets, widths) are channel/records.h's.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "channel/records.h"

namespace orvabridge::channel {

// The record layouts of channel/records.h.
enum class RecordKind {
  kNone,  // a message without a record (the logout request, the ignored reply)
  kAttachReply,
  kFindPatient,
  kShortPatient,
  kExtendedPatient,
  kImageQuery,
  kImage,
  kImageCard,
  kLogin,
  kGeneric,
};

constexpr size_t RecordSize(RecordKind kind) {
  switch (kind) {
    case RecordKind::kNone:
      return 0;
    case RecordKind::kAttachReply:
      return attach_reply::kSize;
    case RecordKind::kFindPatient:
      return find_patient::kSize;
    case RecordKind::kShortPatient:
      return patient::kShortSize;
    case RecordKind::kExtendedPatient:
      return patient::kExtendedSize;
    case RecordKind::kImageQuery:
      return image_query::kSize;
    case RecordKind::kImage:
      return image::kSize;
    case RecordKind::kImageCard:
      return image_card::kSize;
    case RecordKind::kLogin:
      return login::kSize;
    case RecordKind::kGeneric:
      return generic::kSize;
  }
  return 0;
}

struct CommandInfo {
  uint32_t code = 0;
  std::string_view name;              // "FindPatient", for traces
  std::optional<RecordKind> request;  // nothing: no request has this code
  std::optional<RecordKind> reply;    // nothing: never answered with this code
  // How long a request of this code waits for its answer (scaled by Timing); 0: the request
  // awaits no answer and is only handed over (Timing::unanswered_send_seconds). A member that
  // waits longer says so where it sends (ShowObject, the long GetImage); the search for the
  // application sets its own limits for the attach reply.
  double reply_seconds = 0;
  bool reply_counts_at_exact_size = false;  // the image replies: any other size is dropped

  constexpr bool awaits_reply() const { return reply_seconds > 0; }
};

inline constexpr std::array<CommandInfo, 18> kCommands{{
    {command::kAttach, "Attach", std::nullopt, RecordKind::kAttachReply},
    {command::kFindPatient, "FindPatient", RecordKind::kFindPatient, RecordKind::kFindPatient, 20},
    {command::kShowPatient, "ShowPatient", RecordKind::kFindPatient, std::nullopt},
    {command::kAddPatientShort, "AddPatientShort", RecordKind::kShortPatient, std::nullopt},
    {command::kChangePatientShort, "ChangePatientShort", RecordKind::kShortPatient, std::nullopt},
    {command::kAddPatientExtended, "AddPatientExtended", RecordKind::kExtendedPatient,
     std::nullopt},
    {command::kChangePatientExtended, "ChangePatientExtended", RecordKind::kExtendedPatient,
     std::nullopt},
    {command::kGetImage, "GetImage", RecordKind::kImageQuery, RecordKind::kImageQuery, 5, true},
    {command::kSearchImage, "SearchImage", RecordKind::kImageQuery, RecordKind::kImage, 15, true},
    {command::kIgnoredReply, "IgnoredReply", std::nullopt, RecordKind::kNone},
    {command::kFindImages, "FindImages", RecordKind::kImage, std::nullopt},
    {command::kCurrentPatient, "CurrentPatient", RecordKind::kShortPatient,
     RecordKind::kShortPatient, 10},
    {command::kSelectedImage, "SelectedImage", RecordKind::kImage, RecordKind::kImage, 20},
    {command::kSelectedImageCard, "SelectedImageCard", RecordKind::kImageCard,
     RecordKind::kImageCard, 60},
    {command::kUserLogin, "UserLogin", RecordKind::kLogin, RecordKind::kLogin, 20},
    {command::kUserLogout, "UserLogout", RecordKind::kNone, RecordKind::kLogin, 20},
    {command::kUserGroupLogin, "UserGroupLogin", RecordKind::kLogin, RecordKind::kLogin, 20},
    {command::kGeneric, "Generic", RecordKind::kGeneric, RecordKind::kGeneric, 20},
}};

// The entry of `code`; nullptr for a code the channel does not know.
constexpr const CommandInfo* FindCommandInfo(uint32_t code) {
  for (const CommandInfo& info : kCommands) {
    if (info.code == code) return &info;
  }
  return nullptr;
}

// The size of the record a request of `code` carries (0 for the logout request); nothing for a
// code that is no request.
constexpr std::optional<size_t> RequestSize(uint32_t code) {
  const CommandInfo* info = FindCommandInfo(code);
  if (info == nullptr || !info->request) return std::nullopt;
  return RecordSize(*info->request);
}

// The size of the record the answer of `code` carries; nothing for a code never answered.
constexpr std::optional<size_t> ReplySize(uint32_t code) {
  const CommandInfo* info = FindCommandInfo(code);
  if (info == nullptr || !info->reply) return std::nullopt;
  return RecordSize(*info->reply);
}

// How long a request of `code` waits for its answer; 0 for one that awaits none.
constexpr double ReplySeconds(uint32_t code) {
  for (const CommandInfo& info : kCommands) {
    if (info.code == code) return info.reply_seconds;
  }
  return 0;
}

}  // namespace orvabridge::channel
