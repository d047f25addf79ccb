#include "interface/members.h"

namespace orvabridge::api {

const Member* FindMemberById(int32_t dispatch_id) {
  for (const Member& member : Members()) {
    if (member.dispatch_id == dispatch_id) return &member;
  }
  return nullptr;
}

}  // namespace orvabridge::api
