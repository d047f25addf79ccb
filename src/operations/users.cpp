#include "operations/users.h"

#include <functional>
#include <initializer_list>
#include <span>

#include "link/call_log_line.h"
#include "channel/protocol.h"
#include "channel/codec.h"
#include "link/appl_core.h"
#include "link/failure_policy.h"
#include "operations/optional_args.h"
#include "operations/outcome.h"
#include "operations/guards.h"

namespace orvabridge::operations {
namespace {

namespace command = channel::command;
// Each member waits for its answer as long as the protocol gives its request.
static_assert(api::MemberNamed("UserLogin").waits_seconds ==
              channel::ReplySeconds(command::kUserLogin));
static_assert(api::MemberNamed("UserGroupLogin").waits_seconds ==
              channel::ReplySeconds(command::kUserGroupLogin));
static_assert(api::MemberNamed("UserLogout").waits_seconds ==
              channel::ReplySeconds(command::kUserLogout));
namespace login = channel::login;

constexpr int32_t kHighestChangeRightsMethod = UseSpecifiedRights;

// The arguments every login form shares.
struct LoginArguments {
  const std::string& LoginName;
  const std::string& Password;
  const std::string* AdminLoginName;
  const std::string* AdminPassword;
  std::string* UserPrefix;
  std::string* UserFirstname;
  std::string* UserLastname;
  const int32_t* ChangeRightsMethod;
  const std::string* WorkstationName;
};

struct LoginForm {
  const api::Member& member;
  uint32_t code;
  channel::WatchWindow watch;
  // Writes the form's own fields (rights, group) into the login record.
  std::function<void(std::span<std::byte>)> fill;
};

int16_t FlagOf(const bool* flag) { return flag != nullptr && *flag ? 1 : 0; }

// The call-log line: the method's name and its argument values, all joined by " ; ".
bool BlankName(const std::string& name) { return name.find_first_not_of(' ') == std::string::npos; }

int32_t Login(link::ApplCore& core, const LoginArguments& args, const LoginForm& form) {
  if (auto failed = CheckGuards(core, form.member)) return *failed;
  // Only the check ignores surrounding spaces; the name goes out as the caller wrote it.
  if (BlankName(args.LoginName)) return result::kEmptyArgument;
  const int32_t change_rights = ValueOr0(args.ChangeRightsMethod);
  if (change_rights < LeaveAsIsOrGetDefaults || change_rights > kHighestChangeRightsMethod) {
    return result::kTimeout;
  }

  // The object's own record: fields this form does not set go out as the last login left them.
  auto& record = core.holding().login_record;
  const auto& codec = core.codec();
  codec.WriteText(record, login::kLoginName, args.LoginName);
  codec.WriteText(record, login::kPassword, args.Password);
  codec.WriteText(record, login::kAdminLoginName, TextOf(args.AdminLoginName));
  codec.WriteText(record, login::kAdminPassword, TextOf(args.AdminPassword));
  codec.WriteText(record, login::kUserPrefix, TextOf(args.UserPrefix));
  codec.WriteText(record, login::kUserFirstname, TextOf(args.UserFirstname));
  codec.WriteText(record, login::kUserLastname, TextOf(args.UserLastname));
  codec.WriteText(record, login::kWorkstationName, TextOf(args.WorkstationName));
  channel::WriteI32(record, login::kChangeRightsOrResult, change_rights);
  form.fill(record);
  channel::WriteI32(record, channel::kSizeField, static_cast<int32_t>(record.size()));

  const auto reply = core.exchanger().Exchange(form.code, record, form.watch);
  if (auto failed = MapUserOutcome(reply, form.code)) return *failed;

  // The names come back whatever the result says.
  const auto& answer = core.holding().Last<channel::LoginReply>();
  if (args.UserPrefix != nullptr) *args.UserPrefix = answer.prefix;
  if (args.UserFirstname != nullptr) *args.UserFirstname = answer.first_name;
  if (args.UserLastname != nullptr) *args.UserLastname = answer.last_name;
  return answer.result;
}

// Bit values of lRights and the right flag each one grants.
struct RightBit {
  int32_t bit;
  channel::Field flag;
};
constexpr RightBit kRightBits[] = {
    {1, login::kEditRights},
    {2, login::kApproveRights},
    {4, login::kDeleteRights},
    {8, login::kAdminRights},
    {16, login::kCaptureAndNonDcmImportRights},
    {32, login::kPrintPatientInfoRights},
    {64, login::kExportDcmRights},
    {128, login::kImportDcmRights},
    {256, login::kNinthRight},
};

}  // namespace

int32_t UserLogin(link::ApplCore& core, const std::string& LoginName, const std::string& Password,
                  const std::string* AdminLoginName, const std::string* AdminPassword,
                  std::string* UserPrefix, std::string* UserFirstname, std::string* UserLastname,
                  const int32_t* ChangeRightsMethod, const bool* ApproveRights,
                  const bool* EditRights, const bool* DeleteRights,
                  const bool* PrintPatientInfoRights, const bool* ExportDCMRights,
                  const bool* ImportDCMRights, const bool* CaptureAndNonDCMImportRights,
                  const bool* AdminRights, const std::string* WorkstationName,
                  link::CallLog call_log) {
  return link::RaiseMethodError("UserLogin", [&]() -> int32_t {
    if (core.text_out().on()) {
      core.text_out().Append(call_log.Line());
      return result::kSuccess;
    }
    const LoginForm form{
        api::MemberNamed("UserLogin"), command::kUserLogin, channel::WatchWindow::kYes,
        [&](std::span<std::byte> record) {
          channel::WriteI16(record, login::kAdminRights, FlagOf(AdminRights));
          channel::WriteI16(record, login::kApproveRights, FlagOf(ApproveRights));
          channel::WriteI16(record, login::kDeleteRights, FlagOf(DeleteRights));
          channel::WriteI16(record, login::kEditRights, FlagOf(EditRights));
          channel::WriteI16(record, login::kPrintPatientInfoRights, FlagOf(PrintPatientInfoRights));
          channel::WriteI16(record, login::kExportDcmRights, FlagOf(ExportDCMRights));
          channel::WriteI16(record, login::kImportDcmRights, FlagOf(ImportDCMRights));
          channel::WriteI16(record, login::kCaptureAndNonDcmImportRights,
                            FlagOf(CaptureAndNonDCMImportRights));
        }};
    return Login(core,
                 {LoginName, Password, AdminLoginName, AdminPassword, UserPrefix, UserFirstname,
                  UserLastname, ChangeRightsMethod, WorkstationName},
                 form);
  });
}

int32_t UserLoginEx(link::ApplCore& core, const std::string& LoginName, const std::string& Password,
                    const std::string* AdminLoginName, const std::string* AdminPassword,
                    std::string* UserPrefix, std::string* UserFirstname, std::string* UserLastname,
                    const int32_t* ChangeRightsMethod, const int32_t* lRights,
                    const std::string* WorkstationName, link::CallLog call_log) {
  return link::RaiseMethodError("Userloginex", [&]() -> int32_t {
    const int32_t rights = ValueOr0(lRights);
    if (core.text_out().on()) {
      core.text_out().Append(call_log.Line());
      return result::kSuccess;
    }
    const LoginForm form{api::MemberNamed("UserLoginEx"), command::kUserLogin,
                         channel::WatchWindow::kYes, [rights](std::span<std::byte> record) {
                           for (const auto& right : kRightBits) {
                             channel::WriteI16(record, right.flag, (rights & right.bit) ? 1 : 0);
                           }
                           // Bits without a flag of their own still travel in the mask.
                           channel::WriteI32(record, login::kRights, rights);
                         }};
    return Login(core,
                 {LoginName, Password, AdminLoginName, AdminPassword, UserPrefix, UserFirstname,
                  UserLastname, ChangeRightsMethod, WorkstationName},
                 form);
  });
}

int32_t UserGroupLogin(link::ApplCore& core, const std::string& LoginName,
                       const std::string& Password, const std::string& UserGroup,
                       const std::string* AdminLoginName, const std::string* AdminPassword,
                       std::string* UserPrefix, std::string* UserFirstname,
                       std::string* UserLastname, const int32_t* ChangeRightsMethod,
                       const std::string* WorkstationName, link::CallLog call_log) {
  return link::RaiseMethodError("UserGroupLogin", [&]() -> int32_t {
    if (core.text_out().on()) {
      core.text_out().Append(call_log.Line());
      return result::kSuccess;
    }
    // A group login keeps waiting even when the application's window goes away meanwhile.
    const LoginForm form{api::MemberNamed("UserGroupLogin"), command::kUserGroupLogin,
                         channel::WatchWindow::kNo, [&](std::span<std::byte> record) {
                           core.codec().WriteText(record, login::kUserGroup, UserGroup);
                         }};
    return Login(core,
                 {LoginName, Password, AdminLoginName, AdminPassword, UserPrefix, UserFirstname,
                  UserLastname, ChangeRightsMethod, WorkstationName},
                 form);
  });
}

int32_t UserLogout(link::ApplCore& core, link::CallLog call_log) {
  if (core.text_out().on()) {
    core.text_out().Append(call_log.Line());
    return result::kSuccess;
  }
  if (auto failed = CheckGuards(core, api::MemberNamed("UserLogout"))) return *failed;

  auto& record = core.holding().login_record;
  // A reply too short to carry a result leaves 0 here.
  channel::WriteI32(record, login::kChangeRightsOrResult, 0);
  const auto reply = core.exchanger().Exchange(command::kUserLogout, {});
  if (auto failed = MapUserOutcome(reply, command::kUserLogout, result::kEmptyArgument)) {
    return *failed;
  }
  return core.holding().Last<channel::LoginReply>().result;
}

}  // namespace orvabridge::operations
