#include "operations/session.h"

#include <cmath>
#include <vector>

#include "channel/protocol.h"
#include "channel/codec.h"
#include "interface/members.h"
#include "link/appl_core.h"
#include "link/failure_policy.h"
#include "link/number_text.h"
#include "operations/optional_args.h"
#include "operations/outcome.h"

namespace orvabridge::operations {

// Each member waits for its answer as long as the protocol gives its request.
static_assert(api::MemberNamed("GetSessionInfo").waits_seconds ==
              channel::ReplySeconds(channel::command::kGeneric));
namespace {

using channel::generic::kText;
namespace generic = channel::generic;

struct SessionReply {
  int32_t result = 0;
  int32_t user_id = 0;
  bool logged_in = false;
  int16_t login_method = 0;
  int16_t rights = 0;
  std::string prefix, first_name, last_name, login, group, workstation, extra;
};

// The session answer's meaning of GenericRecord's fields, taken whole first, so that a value
// that does not fit changes no argument.
SessionReply SessionOf(const channel::GenericReply& generic) {
  SessionReply reply;
  reply.result = generic.number[0];
  reply.user_id = generic.number[1];
  reply.logged_in = generic.number[2] != 0;
  reply.login_method = link::RoundToInt16(generic.number[3]);
  reply.rights = link::RoundToInt16(std::floor(generic.real));
  reply.prefix = generic.text[1];
  reply.first_name = generic.text[2];
  reply.last_name = generic.text[3];
  reply.login = generic.text[4];
  reply.group = generic.text[5];
  reply.workstation = generic.text[6];
  reply.extra = generic.text[7];
  return reply;
}

bool AtLeast(const std::array<int32_t, 3>& version, const std::array<int32_t, 3>& required) {
  if (version[0] != required[0]) return version[0] > required[0];
  if (version[1] != required[1]) return version[1] > required[1];
  return version[2] >= required[2];
}

}  // namespace

bool NewerVersionAvailable(link::ApplCore& core, const link::ApplicationVersion& version,
                           const std::string& required) {
  // A version whose numbers could not be read is read again, to report why as it always did.
  if (!version.numbers()) return NewerVersionAvailable(core, version.text(), required);
  return AtLeast(*version.numbers(), link::VersionParts(required));
}

bool NewerVersionAvailable(link::ApplCore& core, const std::string& version,
                           const std::string& required) {
  try {
    return AtLeast(link::VersionParts(version), link::VersionParts(required));
  } catch (const RuntimeFailure& failure) {
    link::ShowFailureBox(
        core.system(), std::to_string(failure.number()) + ":" + failure.description(),
        "basUpdates: NewerVersionAvailable", platform::kMbOk | platform::kMbIconStop);
    return false;
  }
}

namespace {

// GetSessionInfo; `confirmed`: the control window the guard sequence asking has just found still
// there, which this query then takes instead of asking the window manager again.
int32_t QuerySession(link::ApplCore& core, platform::WindowHandle confirmed, int32_t* UserID,
                     std::string* UserPrefix, std::string* UserFirstname, std::string* UserLastname,
                     std::string* UserLogin, std::string* UserGroup, std::string* WorkstationName,
                     bool* IsLoggedIn, int16_t* LoginMethod, int16_t* Rights, std::string* sextra) {
  return link::RaiseMethodError("GetSessionInfo", [&]() -> int32_t {
    if (!core.EnsureTarget()) return result::kNoTargetWindow;
    const bool just_confirmed = confirmed && confirmed == core.thread().target_window;
    if (!just_confirmed && !core.TargetStillWindow()) return result::kNoTargetWindow;
    // Applications older than the session query cannot answer it: let everyone through.
    if (!NewerVersionAvailable(core, core.application_version(), kSessionQueryVersion)) {
      Put(IsLoggedIn, true);
      return result::kSuccess;
    }
    if (auto failed = core.LinkChecks()) return *failed;

    auto& record = core.holding().generic_record;
    channel::WriteI32(record, channel::kSizeField, static_cast<int32_t>(generic::kSize));
    channel::WriteI32(record, generic::kSubCommand, generic::kSessionInfo);
    core.codec().WriteText(record, kText[5], TextOf(sextra));

    const auto reply = core.exchanger().Exchange(channel::command::kGeneric, record);
    if (auto failed = MapUserOutcome(reply, channel::command::kGeneric)) return *failed;

    SessionReply session = SessionOf(core.holding().Last<channel::GenericReply>());
    Put(UserID, session.user_id);
    Put(IsLoggedIn, session.logged_in);
    Put(LoginMethod, session.login_method);
    Put(Rights, session.rights);
    Put(UserPrefix, std::move(session.prefix));
    Put(UserFirstname, std::move(session.first_name));
    Put(UserLastname, std::move(session.last_name));
    Put(UserLogin, std::move(session.login));
    Put(UserGroup, std::move(session.group));
    Put(WorkstationName, std::move(session.workstation));
    Put(sextra, std::move(session.extra));
    return session.result;
  });
}

}  // namespace

int32_t GetSessionInfo(link::ApplCore& core, int32_t* UserID, std::string* UserPrefix,
                       std::string* UserFirstname, std::string* UserLastname,
                       std::string* UserLogin, std::string* UserGroup, std::string* WorkstationName,
                       bool* IsLoggedIn, int16_t* LoginMethod, int16_t* Rights,
                       std::string* sextra) {
  return QuerySession(core, platform::WindowHandle(), UserID, UserPrefix, UserFirstname,
                      UserLastname, UserLogin, UserGroup, WorkstationName, IsLoggedIn, LoginMethod,
                      Rights, sextra);
}

bool SessionCheck(link::ApplCore& core, platform::WindowHandle confirmed) {
  int32_t user_id = 0;
  std::string prefix, first_name, last_name, login, group, workstation, extra;
  bool logged_in = false;
  int16_t login_method = 0, rights = 0;
  QuerySession(core, confirmed, &user_id, &prefix, &first_name, &last_name, &login, &group,
               &workstation, &logged_in, &login_method, &rights, &extra);
  return logged_in;
}

}  // namespace orvabridge::operations
