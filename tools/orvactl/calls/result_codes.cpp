#include "result_codes.h"

#include "interface/members.h"

namespace orvabridge::orvactl {
std::string ResultMeaning(std::string_view member_name, int32_t code) {
  std::string meaning;
  if (const api::Member* member = api::FindMemberByName(member_name)) {
    meaning = api::MeaningOf(*member, code);
  } else {
    for (const api::ResultMeaning& common : api::kCommonResults) {
      if (common.code == code) meaning = common.meaning;
    }
  }
  return meaning.empty() ? "unexpected result" : meaning;
}

std::vector<std::pair<int32_t, std::string>> DocumentedResults(std::string_view member_name) {
  std::vector<std::pair<int32_t, std::string>> documented;
  const api::Member* member = api::FindMemberByName(member_name);
  if (member == nullptr) return documented;
  for (const api::ResultMeaning& listed : member->results) {
    documented.emplace_back(listed.code, ResultMeaning(member_name, listed.code));
  }
  return documented;
}

bool IsSuccess(const CommandEntry& command, int32_t code) {
  switch (command.success) {
    case SuccessWhen::kOne:
      return code == result::kSuccess;
    case SuccessWhen::kZero:
      return code == result::kNothingFound;  // a request that awaits no answer
    case SuccessWhen::kPositive:
      return code >= result::kSuccess;
  }
  return false;
}

}  // namespace orvabridge::orvactl
