#include "result_codes.h"

#include "interface/members.h"

namespace orvabridge::orvactl {
namespace {

std::string_view CommonMeaning(int32_t code) {
  for (const api::ResultMeaning& common : api::kCommonResults) {
    if (common.code == code) return common.meaning;
  }
  return {};
}

}  // namespace

std::string ResultMeaning(std::string_view member_name, int32_t code) {
  if (const api::Member* member = api::FindMemberByName(member_name)) {
    for (const api::ResultMeaning& listed : member->results) {
      if (listed.code == code && !listed.meaning.empty()) return std::string(listed.meaning);
    }
    if (member->other_results == api::OtherResults::kErrorNumber) {
      return "failed with error number " + std::to_string(code);
    }
    // A member that succeeds with any positive result answers with a count.
    if (member->succeeds == api::Succeeds::kPositive && code > result::kSuccess) {
      return "the imaging application's answer (a count)";
    }
  }
  if (const std::string_view common = CommonMeaning(code); !common.empty()) {
    return std::string(common);
  }
  return "unexpected result";
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
