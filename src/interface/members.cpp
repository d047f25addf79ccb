#include "interface/members.h"

namespace orvabridge::api {
const Member* FindMember(std::string_view name) {
  for (const Member& member : Members()) {
    if (member.name == name) return &member;
  }
  return nullptr;
}

const Member* FindMemberById(int32_t dispatch_id) {
  for (const Member& member : Members()) {
    if (member.dispatch_id == dispatch_id) return &member;
  }
  return nullptr;
}

const Member* FindCommand(std::string_view command) {
  for (const Member& member : Members()) {
    if (member.command == command) return &member;
  }
  return nullptr;
}

}  // namespace orvabridge::api
