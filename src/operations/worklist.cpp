#include "operations/worklist.h"

#include <optional>
#include <utility>

#include "channel/protocol.h"
#include "channel/codec.h"
#include "link/appl_core.h"
#include "link/failure_policy.h"
#include "link/number_text.h"
#include "operations/optional_args.h"
#include "operations/outcome.h"
#include "operations/guards.h"

namespace orvabridge::operations {
namespace {

namespace command = channel::command;
// Each member waits for its answer as long as the protocol gives its request.
static_assert(api::MemberNamed("MWLQuery").waits_seconds ==
              channel::ReplySeconds(command::kGeneric));
static_assert(api::MemberNamed("GetRespPerson").waits_seconds ==
              channel::ReplySeconds(command::kGeneric));
namespace generic = channel::generic;
using generic::kText;

// Sends GenericRecord as it stands, with its size and `sub_command`, and waits for reply 1500.
// Bytes the request does not set go out as the previous 1500 exchange left them.
std::optional<int32_t> ExchangeGeneric(link::ApplCore& core, int32_t sub_command) {
  auto& record = core.holding().generic_record;
  channel::WriteI32(record, channel::kSizeField, static_cast<int32_t>(record.size()));
  channel::WriteI32(record, generic::kSubCommand, sub_command);
  const auto reply = core.exchanger().Exchange(command::kGeneric, record);
  return MapUserOutcome(reply, command::kGeneric);
}

}  // namespace

int32_t GetRespPerson(link::ApplCore& core, int32_t* rpID, std::string* rpPrefix,
                      std::string* rpFirstname, std::string* rpLastname, std::string* rpGUID,
                      std::string* rpShortname, std::string* rpContactInfo, std::string* rpEMail,
                      std::string* rpLoginname, int32_t* rpType) {
  return link::RaiseMethodError("GetRespPerson", [&]() -> int32_t {
    if (auto failed = CheckGuards(core, api::MemberNamed("GetRespPerson"))) return *failed;
    if (auto failed = ExchangeGeneric(core, generic::kResponsiblePerson)) return *failed;

    const auto& person = core.holding().Last<channel::GenericReply>();
    Put(rpID, person.number[1]);
    Put(rpType, person.number[2]);
    Put(rpShortname, person.text[0]);
    Put(rpFirstname, person.text[1]);
    Put(rpLastname, person.text[2]);
    Put(rpPrefix, person.text[3]);
    Put(rpContactInfo, person.text[4]);
    Put(rpEMail, person.text[5]);
    Put(rpGUID, person.text[6]);
    Put(rpLoginname, person.text[7]);
    return person.number[0];
  });
}

int32_t MWLQuery(link::ApplCore& core, const std::string* PatID, const std::string* PatName,
                 const std::string* AccNo, const std::string* ProcID, const double* StartDate,
                 const std::string* StationAE, const std::string* Modality) {
  return link::RaiseMethodError("MWLQuery", [&]() -> int32_t {
    if (auto failed = CheckGuards(core, api::MemberNamed("MWLQuery"))) return *failed;

    auto& record = core.holding().generic_record;
    const auto& codec = core.codec();
    channel::WriteF64(record, generic::kDate, ValueOr0(StartDate));
    codec.WriteText(record, kText[0], TextOf(AccNo));
    codec.WriteText(record, kText[1], TextOf(Modality));
    codec.WriteText(record, kText[2], TextOf(PatID));
    codec.WriteText(record, kText[3], TextOf(PatName));
    codec.WriteText(record, kText[4], TextOf(ProcID));
    codec.WriteText(record, kText[5], TextOf(StationAE));
    if (auto failed = ExchangeGeneric(core, generic::kWorklistQuery)) return *failed;

    // The answer is a number in the first text field; its result field carries nothing here.
    return link::RoundToInt32(
        link::LeadingNumber(core.holding().Last<channel::GenericReply>().text[0]));
  });
}

}  // namespace orvabridge::operations
