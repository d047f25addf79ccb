#include "operations/session.h"

#include <cmath>
#include <vector>

#include "channel/codec.h"
#include "link/appl_core.h"
#include "link/failure_policy.h"
#include "link/number_text.h"
#include "operations/optional_args.h"
#include "operations/outcome.h"

namespace orvabridge::operations {
namespace {

using channel::generic::kText;
namespace generic = channel::generic;

constexpr double kSessionTimeoutSeconds = 20.0;

struct SessionReply {
  int32_t result = 0;
  int32_t user_id = 0;
  bool logged_in = false;
  int16_t login_method = 0;
  int16_t rights = 0;
  std::string prefix, first_name, last_name, login, group, workstation, extra;
};

// Decodes the whole reply first, so that a value that does not fit changes no argument.
SessionReply DecodeSessionReply(link::ApplCore& core) {
  const auto& record = core.holding().generic_record;
  SessionReply reply;
  reply.result = channel::ReadI32(record, generic::kNumber0);
  reply.user_id = channel::ReadI32(record, generic::kNumber1);
  reply.logged_in = channel::ReadI32(record, generic::kNumber2) != 0;
  reply.login_method = link::RoundToInt16(channel::ReadI32(record, generic::kNumber3));
  reply.rights = link::RoundToInt16(std::floor(channel::ReadF64(record, generic::kDouble)));
  // The texts as the dispatcher unpacked them: text field n of GenericRecord is ReplyText n.
  const auto& text = core.holding().reply_text;
  reply.prefix = text[channel::slot::session::kPrefix];
  reply.first_name = text[channel::slot::session::kFirstName];
  reply.last_name = text[channel::slot::session::kLastName];
  reply.login = text[channel::slot::session::kLogin];
  reply.group = text[channel::slot::session::kGroup];
  reply.workstation = text[channel::slot::session::kWorkstation];
  reply.extra = text[channel::slot::session::kExtra];
  return reply;
}

// The first three dotted parts of a version text; missing parts count 0.
std::vector<int32_t> VersionParts(const std::string& version) {
  std::vector<int32_t> parts;
  size_t start = 0;
  while (parts.size() < 3 && start <= version.size()) {
    const size_t dot = version.find('.', start);
    const size_t end = dot == std::string::npos ? version.size() : dot;
    parts.push_back(link::RoundToInt32(link::LeadingNumber(version.substr(start, end - start))));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  parts.resize(3, 0);
  return parts;
}

}  // namespace

bool NewerVersionAvailable(link::ApplCore& core, const std::string& version,
                           const std::string& required) {
  try {
    const auto a = VersionParts(version);
    const auto b = VersionParts(required);
    if (a[0] != b[0]) return a[0] > b[0];
    if (a[1] != b[1]) return a[1] > b[1];
    return a[2] >= b[2];
  } catch (const RuntimeFailure& failure) {
    link::ShowFailureBox(
        core.system(), std::to_string(failure.number()) + ":" + failure.description(),
        "basUpdates: NewerVersionAvailable", platform::kMbOk | platform::kMbIconStop);
    return false;
  }
}

int32_t GetSessionInfo(link::ApplCore& core, int32_t* UserID, std::string* UserPrefix,
                       std::string* UserFirstname, std::string* UserLastname,
                       std::string* UserLogin, std::string* UserGroup, std::string* WorkstationName,
                       bool* IsLoggedIn, int16_t* LoginMethod, int16_t* Rights,
                       std::string* sextra) {
  return link::RaiseMethodError("GetSessionInfo", [&]() -> int32_t {
    if (!core.EnsureTarget()) return result::kNoTargetWindow;
    if (!core.TargetStillWindow()) return result::kNoTargetWindow;
    // Applications older than the session query cannot answer it: let everyone through.
    if (!NewerVersionAvailable(core, core.application_version, kSessionQueryVersion)) {
      Put(IsLoggedIn, true);
      return result::kSuccess;
    }
    if (auto failed = core.LinkChecks()) return *failed;

    auto& record = core.holding().generic_record;
    channel::WriteI32(record, channel::kSizeField, static_cast<int32_t>(generic::kSize));
    channel::WriteI32(record, generic::kSubCommand, generic::kSessionInfo);
    core.codec().WriteText(record, kText[5], TextOf(sextra));

    const auto reply =
        core.exchanger().Exchange(channel::command::kGeneric, record, kSessionTimeoutSeconds);
    if (auto failed = MapUserOutcome(reply, channel::command::kGeneric)) return *failed;

    SessionReply session = DecodeSessionReply(core);
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

bool SessionCheck(link::ApplCore& core) {
  int32_t user_id = 0;
  std::string prefix, first_name, last_name, login, group, workstation, extra;
  bool logged_in = false;
  int16_t login_method = 0, rights = 0;
  GetSessionInfo(core, &user_id, &prefix, &first_name, &last_name, &login, &group, &workstation,
                 &logged_in, &login_method, &rights, &extra);
  return logged_in;
}

}  // namespace orvabridge::operations
