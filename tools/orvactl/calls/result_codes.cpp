#include "result_codes.h"

#include <map>

namespace orvabridge::orvactl {
namespace {

struct Entry {
  int32_t code;
  std::string_view meaning;  // empty: the common meaning below
};

// Meanings shared by the request members.
const std::map<int32_t, std::string_view>& CommonMeanings() {
  static const std::map<int32_t, std::string_view> meanings{
      {result::kSuccess, "success"},
      {result::kNothingFound, "nothing found"},
      {result::kFormNotLoaded, "hidden reply window not loaded"},
      {result::kNoReplyWindow, "no reply window"},
      {result::kNoControlMessage, "attach message not registered"},
      {result::kNoTargetWindow, "no target window: imaging application not attached or gone"},
      {result::kEmptyArgument, "a required argument is empty"},
      {result::kTimeout, "no reply in time"},
      {result::kUnexpectedReply, "unexpected reply, or no reply in time"},
      {result::kImageFailure, "image operation failed"},
      {result::kNotLoggedIn, "nobody is logged in"},
  };
  return meanings;
}

constexpr Entry kLinkChecks[] = {
    {result::kFormNotLoaded, ""}, {result::kNoReplyWindow, ""}, {result::kNoControlMessage, ""}};

std::vector<Entry> Join(std::initializer_list<Entry> head, bool link_checks,
                        std::initializer_list<Entry> tail) {
  std::vector<Entry> entries(head);
  if (link_checks) entries.insert(entries.end(), std::begin(kLinkChecks), std::end(kLinkChecks));
  entries.insert(entries.end(), tail);
  return entries;
}

const std::map<std::string_view, std::vector<Entry>>& MemberResults() {
  static const auto table = [] {
    std::map<std::string_view, std::vector<Entry>> m;
    m["InitApplication"] = {{result::kSuccess, "attached (also: text-out mode, or stub mode)"},
                            {result::kInitNoReplyWindow, "no reply window"},
                            {result::kInitNoControlMessage, "attach message not registered"},
                            {result::kInitNoAnswer, "no imaging application answered"},
                            {result::kInitClassLibraryMissing, "class library not installed"}};
    m["CloseApplication"] = {
        {result::kSuccess, "done; the imaging application stays open"},
        {result::kFormNotLoaded, "hidden form not loaded: the link was dropped"}};
    // The current patient is read without the link checks of the guard sequence.
    m["GetCurrentPatient"] = Join(
        {{result::kSuccess, "patient read"}, {result::kNothingFound, "no patient open"}}, false,
        {{result::kNoTargetWindow, ""},
         {result::kTimeout, ""},
         {result::kUnexpectedReply, "unexpected reply"}});
    m["FindPatient"] = Join({{result::kSuccess, "patient found"},
                             {result::kNothingFound, "no such patient (or text-out mode)"}},
                            true,
                            {{result::kNoTargetWindow, ""},
                             {result::kEmptyArgument, "patient id empty"},
                             {result::kTimeout, ""},
                             {result::kUnexpectedReply, "unexpected reply"},
                             {result::kNotLoggedIn, ""}});
    const auto show =
        Join({{result::kSuccess, "patient is now current (or text-out mode)"},
              {result::kNothingFound, "patient did not become current within 20 seconds"}},
             true, {{result::kNoTargetWindow, ""}, {result::kNotLoggedIn, ""}});
    m["ShowPatient"] = show;
    m["ShowPatientEx"] = show;
    const auto write = Join(
        {{result::kSuccess, "record delivered (or text-out mode); storing is not confirmed"}}, true,
        {{result::kNoTargetWindow, ""},
         {result::kEmptyArgument, "patient id empty"},
         {result::kNotLoggedIn, ""}});
    m["AddPatient"] = m["ChangePatient"] = m["AddPatientEx"] = m["ChangePatientEx"] = write;
    m["SearchImage"] = Join({{result::kSuccess, "an image was found"},
                             {result::kNothingFound, "no image, or no reply in time"}},
                            true,
                            {{result::kNoTargetWindow, ""},
                             {result::kEmptyArgument, "patient id empty"},
                             {result::kImageFailure, "run-time failure"},
                             {result::kNotLoggedIn, ""}});
    m["GetImage"] = Join({{result::kSuccess, "the file's path came back"},
                          {result::kNothingFound, "no path, or no reply in time"}},
                         true,
                         {{result::kNoTargetWindow, ""},
                          {result::kImageFailure, "run-time failure"},
                          {result::kNotLoggedIn, ""}});
    m["FindImages"] = Join({{result::kNothingFound, "request sent (no answer is awaited)"}}, true,
                           {{result::kNoTargetWindow, ""}, {result::kNotLoggedIn, ""}});
    m["GetSelectedImageInfo"] = Join(
        {{result::kSuccess, "selected image read"}, {result::kNothingFound, "no image selected"}},
        true,
        {{result::kNoTargetWindow, ""},
         {result::kTimeout, "no reply within 20 seconds"},
         {result::kUnexpectedReply, "unexpected reply"},
         {result::kNotLoggedIn, ""}});
    m["GetSelectedImageCard"] = Join({{result::kSuccess, "selected image card read"},
                                      {result::kNothingFound, "no image card selected"}},
                                     true,
                                     {{result::kNoTargetWindow, ""},
                                      {result::kTimeout, "no reply within 60 seconds"},
                                      {result::kUnexpectedReply, "unexpected reply"},
                                      {result::kNotLoggedIn, ""}});
    m["UserLogout"] = Join(
        {{result::kSuccess, "logged out (or text-out mode)"},
         {result::kNothingFound, "another reply ended the wait"}},
        true,
        {{result::kNoTargetWindow, ""}, {result::kEmptyArgument, "no reply within 20 seconds"}});
    const auto login =
        Join({{result::kSuccess, "logged in (or text-out mode)"},
              {result::kNothingFound, "login refused, or another reply ended the wait"}},
             true,
             {{result::kNoTargetWindow, ""},
              {result::kEmptyArgument, "login name empty"},
              {result::kTimeout, "change-rights method outside 0 to 2"},
              {result::kUnexpectedReply, "no reply within 20 seconds"}});
    m["UserLogin"] = m["UserLoginEx"] = m["UserGroupLogin"] = login;
    m["MWLQuery"] =
        Join({{result::kSuccess, "the imaging application's answer (a count: 1 or more)"},
              {result::kNothingFound, "nothing answered, or another reply ended the wait"}},
             true,
             {{result::kNoTargetWindow, ""},
              {result::kUnexpectedReply, "no reply within 20 seconds"},
              {result::kNotLoggedIn, ""}});
    m["GetRespPerson"] = Join({{result::kSuccess, "responsible person read"},
                               {result::kNothingFound, "none, or another reply ended the wait"}},
                              true,
                              {{result::kNoTargetWindow, ""},
                               {result::kUnexpectedReply, "no reply within 20 seconds"},
                               {result::kNotLoggedIn, ""}});
    m["ShowObject"] = Join(
        {{result::kSuccess, "object shown"}, {result::kNothingFound, "object not shown"}}, true,
        {{result::kNoTargetWindow, ""},
         {result::kTimeout, "no reply within 30 seconds"},
         {result::kUnexpectedReply, "unexpected reply"},
         {result::kNotLoggedIn, ""}});
    m["GetSessionInfo"] = Join(
        {{result::kSuccess, "session read"},
         {result::kNothingFound, "another reply ended the wait"}},
        true,
        {{result::kNoTargetWindow, ""}, {result::kUnexpectedReply, "no reply within 20 seconds"}});
    m["SetWindowState"] = {{result::kSuccess, "done"}};
    return m;
  }();
  return table;
}

}  // namespace

std::string ResultMeaning(std::string_view member, int32_t code) {
  const auto& members = MemberResults();
  if (auto it = members.find(member); it != members.end()) {
    for (const Entry& entry : it->second) {
      if (entry.code == code && !entry.meaning.empty()) return std::string(entry.meaning);
    }
  }
  // Any other result of SetWindowState is the number of the failure that stopped it.
  if (member == "SetWindowState") return "failed with error number " + std::to_string(code);
  if (member == "MWLQuery" && code > result::kSuccess)
    return "the imaging application's answer (a count)";
  const auto& common = CommonMeanings();
  if (auto it = common.find(code); it != common.end()) return std::string(it->second);
  return "unexpected result";
}

std::vector<std::pair<int32_t, std::string>> DocumentedResults(std::string_view member) {
  std::vector<std::pair<int32_t, std::string>> documented;
  const auto& members = MemberResults();
  auto it = members.find(member);
  if (it == members.end()) return documented;
  for (const Entry& entry : it->second) {
    documented.emplace_back(entry.code, ResultMeaning(member, entry.code));
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
