// Login in its two request forms (rights, group) and logout.
//
// The rules, kept simple on purpose:
// - a known login with the right password logs in (result 1); a wrong password gives 0 and
//   leaves the session as it was;
// - an unknown login gives 0, unless ChangeRightsMethod is 1 or 2 and the administrator named in
//   the request exists, gives the right password and holds the admin right: then the user is
//   created from the request (names, workstation, group) and logged in;
// - for a known user, ChangeRightsMethod 1 or 2 with valid administrator credentials updates
//   the rights (1: the defaults, 2: the request's right flags) or, for a group login, the group.
// The answer is the request itself with the result and the user's name parts filled in.
#include <array>
#include <utility>

#include "channel/records.h"
#include "sim/command_handlers.h"

namespace orvabridge::sim {

namespace {

namespace lg = channel::login;

constexpr int32_t kLeaveAsIs = 0;
constexpr int32_t kUseSpecifiedRights = 2;

constexpr std::array<std::pair<channel::Field, int32_t>, 9> kRightFlags{{
    {lg::kEditRights, rights::kEdit},
    {lg::kApproveRights, rights::kApprove},
    {lg::kDeleteRights, rights::kDelete},
    {lg::kAdminRights, rights::kAdmin},
    {lg::kCaptureAndNonDcmImportRights, rights::kCaptureAndNonDcmImport},
    {lg::kPrintPatientInfoRights, rights::kPrintPatientInfo},
    {lg::kExportDcmRights, rights::kExportDcm},
    {lg::kImportDcmRights, rights::kImportDcm},
    {lg::kNinthRight, rights::kNinth},
}};

int32_t RightsFromFlags(Request request) {
  int32_t mask = 0;
  for (const auto& [field, bit] : kRightFlags) {
    if (channel::ReadI16(request, field) != 0) mask |= bit;
  }
  return mask;
}

bool HoldsAdminRight(const SimUser& user) {
  return (static_cast<int32_t>(user.rights) & rights::kAdmin) != 0;
}

struct LoginRequest {
  std::string login, password, admin_login, admin_password, prefix, first_name, last_name,
      workstation, group;
  int32_t change_rights = 0;
  int32_t rights = 0;
};

LoginRequest ReadLoginRequest(const channel::FieldCodec& codec, Request request) {
  LoginRequest r;
  r.login = codec.ReadText(request, lg::kLoginName);
  r.password = codec.ReadText(request, lg::kPassword);
  r.admin_login = codec.ReadText(request, lg::kAdminLoginName);
  r.admin_password = codec.ReadText(request, lg::kAdminPassword);
  r.prefix = codec.ReadText(request, lg::kUserPrefix);
  r.first_name = codec.ReadText(request, lg::kUserFirstname);
  r.last_name = codec.ReadText(request, lg::kUserLastname);
  r.workstation = codec.ReadText(request, lg::kWorkstationName);
  r.group = codec.ReadText(request, lg::kUserGroup);
  r.change_rights = channel::ReadI32(request, lg::kChangeRightsOrResult);
  r.rights = RightsFromFlags(request);
  return r;
}

bool AdminCredentialsValid(SimModel& model, const LoginRequest& r) {
  const SimUser* admin = model.FindUser(r.admin_login);
  return admin && admin->password == r.admin_password && HoldsAdminRight(*admin);
}

bool AsksToChangeRights(const LoginRequest& r) { return r.change_rights != kLeaveAsIs; }

int32_t RightsAsked(const LoginRequest& r) {
  return r.change_rights == kUseSpecifiedRights ? r.rights : rights::kDefaults;
}

// Returns the logged-in user, or nullptr when the login fails.
SimUser* LogIn(SimModel& model, const LoginRequest& r, bool group_login) {
  const bool admin_ok = AsksToChangeRights(r) && AdminCredentialsValid(model, r);
  SimUser* user = model.FindUser(r.login);
  if (!user) {
    if (!admin_ok || r.login.empty()) return nullptr;
    SimUser created;
    created.id = model.NextUserId();
    created.login = r.login;
    created.password = r.password;
    created.prefix = r.prefix;
    created.first_name = r.first_name;
    created.last_name = r.last_name;
    created.group = group_login ? r.group : std::string();
    created.rights = group_login ? rights::kDefaults : RightsAsked(r);
    model.users.push_back(std::move(created));
    user = &model.users.back();
  } else if (user->password != r.password) {
    return nullptr;
  } else if (admin_ok) {
    if (group_login) {
      user->group = r.group;
    } else {
      user->rights = RightsAsked(r);
    }
  }
  if (!r.workstation.empty()) user->workstation = r.workstation;
  model.logged_in_login = user->login;
  return user;
}

}  // namespace

Reply Login(CommandContext& context, uint32_t code, Request request) {
  const LoginRequest r = ReadLoginRequest(context.codec, request);
  const bool group_login = code == channel::command::kUserGroupLogin;
  Reply reply{code, EchoRecord(request)};
  const SimUser* user = LogIn(context.model, r, group_login);
  channel::WriteI32(reply.bytes, lg::kChangeRightsOrResult, user ? 1 : 0);
  if (user) {
    context.codec.WriteText(reply.bytes, lg::kUserPrefix, user->prefix);
    context.codec.WriteText(reply.bytes, lg::kUserFirstname, user->first_name);
    context.codec.WriteText(reply.bytes, lg::kUserLastname, user->last_name);
  }
  return reply;
}

Reply Logout(CommandContext& context) {
  context.model.logged_in_login.reset();
  Reply reply{channel::command::kUserLogout, NewRecord(lg::kSize)};
  channel::WriteI32(reply.bytes, lg::kChangeRightsOrResult, 1);
  return reply;
}

}  // namespace orvabridge::sim
