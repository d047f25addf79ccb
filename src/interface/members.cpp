#include "interface/members.h"

namespace orvabridge::api {
namespace {

// A listed result without a text of its own reads as the common meaning of its code, so that
// code must have one.
consteval bool EveryListedResultHasAMeaning() {
  for (const Member& member : table::kMembers) {
    for (const ResultMeaning& listed : member.results) {
      if (!listed.meaning.empty()) continue;
      bool common = false;
      for (const ResultMeaning& shared : kCommonResults)
        common = common || shared.code == listed.code;
      if (!common) return false;
    }
  }
  return true;
}
static_assert(EveryListedResultHasAMeaning());

}  // namespace

const Member* FindMemberById(int32_t dispatch_id) {
  for (const Member& member : Members()) {
    if (member.dispatch_id == dispatch_id) return &member;
  }
  return nullptr;
}

std::string MeaningOf(const Member& member, int32_t code) {
  for (const ResultMeaning& listed : member.results) {
    if (listed.code == code && !listed.meaning.empty()) return std::string(listed.meaning);
  }
  if (member.other_results == OtherResults::kErrorNumber) {
    return "failed with error number " + std::to_string(code);
  }
  // A member that succeeds with any positive result answers with a count.
  if (member.succeeds == Succeeds::kPositive && code > result::kSuccess) {
    return "the imaging application's answer (a count)";
  }
  for (const ResultMeaning& common : kCommonResults) {
    if (common.code == code) return std::string(common.meaning);
  }
  return {};
}

const Member* FindMemberByName(std::string_view name) {
  for (const Member& member : Members()) {
    if (member.name == name) return &member;
  }
  return nullptr;
}

}  // namespace orvabridge::api
