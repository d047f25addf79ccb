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
      {1, "success"},
      {0, "nothing found"},
      {-1, "hidden reply window not loaded"},
      {-2, "no reply window"},
      {-3, "attach message not registered"},
      {-4, "no target window: imaging application not attached or gone"},
      {-5, "a required argument is empty"},
      {-6, "no reply in time"},
      {-7, "unexpected reply, or no reply in time"},
      {-10, "image operation failed"},
      {-12, "nobody is logged in"},
  };
  return meanings;
}

constexpr Entry kLinkChecks[] = {{-1, ""}, {-2, ""}, {-3, ""}};

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
    m["InitApplication"] = {{1, "attached (also: text-out mode, or stub mode)"},
                            {-1, "no reply window"},
                            {-2, "attach message not registered"},
                            {-3, "no imaging application answered"},
                            {-5, "class library not installed"}};
    m["CloseApplication"] = {{1, "done; the imaging application stays open"},
                             {-1, "hidden form not loaded: the link was dropped"}};
    m["GetCurrentPatient"] = Join({{1, "patient read"}, {0, "no patient open"}}, true,
                                  {{-4, ""}, {-6, ""}, {-7, "unexpected reply"}});
    m["FindPatient"] =
        Join({{1, "patient found"}, {0, "no such patient (or text-out mode)"}}, true,
             {{-4, ""}, {-5, "patient id empty"}, {-6, ""}, {-7, "unexpected reply"}, {-12, ""}});
    const auto show = Join({{1, "patient is now current (or text-out mode)"},
                            {0, "patient did not become current within 20 seconds"}},
                           true, {{-4, ""}, {-12, ""}});
    m["ShowPatient"] = show;
    m["ShowPatientEx"] = show;
    const auto write = Join({{1, "record delivered (or text-out mode); storing is not confirmed"}},
                            true, {{-4, ""}, {-5, "patient id empty"}, {-12, ""}});
    m["AddPatient"] = m["ChangePatient"] = m["AddPatientEx"] = m["ChangePatientEx"] = write;
    m["SearchImage"] =
        Join({{1, "an image was found"}, {0, "no image, or no reply in time"}}, true,
             {{-4, ""}, {-5, "patient id empty"}, {-10, "run-time failure"}, {-12, ""}});
    m["GetImage"] = Join({{1, "the file's path came back"}, {0, "no path, or no reply in time"}},
                         true, {{-4, ""}, {-10, "run-time failure"}, {-12, ""}});
    m["FindImages"] =
        Join({{0, "request sent (no answer is awaited)"}}, true, {{-4, ""}, {-12, ""}});
    m["GetSelectedImageInfo"] =
        Join({{1, "selected image read"}, {0, "no image selected"}}, true,
             {{-4, ""}, {-6, "no reply within 20 seconds"}, {-7, "unexpected reply"}, {-12, ""}});
    m["GetSelectedImageCard"] =
        Join({{1, "selected image card read"}, {0, "no image card selected"}}, true,
             {{-4, ""}, {-6, "no reply within 60 seconds"}, {-7, "unexpected reply"}, {-12, ""}});
    m["UserLogout"] =
        Join({{1, "logged out (or text-out mode)"}, {0, "another reply ended the wait"}}, true,
             {{-4, ""}, {-5, "no reply within 20 seconds"}});
    const auto login = Join({{1, "logged in (or text-out mode)"},
                             {0, "login refused, or another reply ended the wait"}},
                            true,
                            {{-4, ""},
                             {-5, "login name empty"},
                             {-6, "change-rights method outside 0 to 2"},
                             {-7, "no reply within 20 seconds"}});
    m["UserLogin"] = m["UserLoginEx"] = m["UserGroupLogin"] = login;
    m["MWLQuery"] = Join({{1, "the imaging application's answer (a count: 1 or more)"},
                          {0, "nothing answered, or another reply ended the wait"}},
                         true, {{-4, ""}, {-7, "no reply within 20 seconds"}, {-12, ""}});
    m["GetRespPerson"] =
        Join({{1, "responsible person read"}, {0, "none, or another reply ended the wait"}}, true,
             {{-4, ""}, {-7, "no reply within 20 seconds"}, {-12, ""}});
    m["ShowObject"] =
        Join({{1, "object shown"}, {0, "object not shown"}}, true,
             {{-4, ""}, {-6, "no reply within 30 seconds"}, {-7, "unexpected reply"}, {-12, ""}});
    m["GetSessionInfo"] = Join({{1, "session read"}, {0, "another reply ended the wait"}}, true,
                               {{-4, ""}, {-7, "no reply within 20 seconds"}});
    m["SetWindowState"] = {{1, "done"}};
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
  if (member == "MWLQuery" && code > 1) return "the imaging application's answer (a count)";
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

bool IsSuccess(const CommandSpec& command, int32_t code) {
  switch (command.success) {
    case SuccessWhen::kOne:
      return code == 1;
    case SuccessWhen::kZero:
      return code == 0;
    case SuccessWhen::kPositive:
      return code >= 1;
  }
  return false;
}

}  // namespace orvabridge::orvactl
