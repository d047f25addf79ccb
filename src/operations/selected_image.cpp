#include "operations/selected_image.h"

#include <iterator>
#include <memory>

#include "channel/protocol.h"
#include "channel/codec.h"
#include "link/appl_core.h"
#include "link/failure_policy.h"
#include "link/number_text.h"
#include "operations/images.h"
#include "operations/outcome.h"
#include "operations/guards.h"

namespace orvabridge::operations {
namespace {

namespace command = channel::command;
// Each member waits for its answer as long as the protocol gives its request.
static_assert(api::MemberNamed("GetSelectedImageInfo").waits_seconds ==
              channel::ReplySeconds(command::kSelectedImage));
static_assert(api::MemberNamed("GetSelectedImageCard").waits_seconds ==
              channel::ReplySeconds(command::kSelectedImageCard));
namespace image = channel::image;
namespace image_card = channel::image_card;

int16_t FlagValue(bool value) { return value ? 1 : 0; }

}  // namespace

int32_t GetSelectedImageInfo(link::ApplCore& core, std::string& PictureID, std::string& patientid,
                             std::string& ImageDate, std::string& imagetype, std::string& OrgPath,
                             std::string& ToothGroupname, std::string& comment,
                             std::string& toothgroups, std::string& Xraydata) {
  return link::ShowBoxAndReturn(
      core.system(), {"GetSelectedImageInfo: "}, result::kNothingFound, [&]() -> int32_t {
        if (auto failed = CheckGuards(core, api::MemberNamed("GetSelectedImageInfo")))
          return *failed;

        auto& record = core.holding().image_record;
        const auto& codec = core.codec();
        codec.WriteText(record, image::kImageDate, ImageDate);
        codec.WriteText(record, image::kComment, comment);
        codec.WriteText(record, image::kImageType, imagetype);
        codec.WriteText(record, image::kPatientId, patientid);
        codec.WriteText(record, image::kPictureId, PictureID);
        codec.WriteText(record, image::kToothGroups, toothgroups);
        codec.WriteText(record, image::kToothGroupName, ToothGroupname);
        codec.WriteText(record, image::kXrayData, Xraydata);
        codec.WriteText(record, image::kOriginalPath, OrgPath);
        channel::WriteI32(record, channel::kSizeField, static_cast<int32_t>(record.size()));

        const auto reply = core.exchanger().Exchange(command::kSelectedImage, record);
        if (auto failed = MapReadOutcome(reply, command::kSelectedImage)) return *failed;

        const auto& selected = core.holding().Last<channel::SelectedImageReply>();
        if (!selected.found()) return result::kNothingFound;
        PictureID = selected.picture_id;
        patientid = selected.patient_id;
        ImageDate = selected.image_date;
        imagetype = selected.image_type;
        OrgPath = selected.original_path;
        ToothGroupname = selected.tooth_group_name;
        comment = selected.comment;
        toothgroups = selected.tooth_groups;
        Xraydata = selected.xray_data;
        return result::kSuccess;
      });
}

int32_t GetSelectedImageCard(link::ApplCore& core, int32_t& ImageCardID, std::string& patientid,
                             std::string& ICXML, std::string& ImagePath, bool bGetImages,
                             bool bGetOriginals) {
  return link::RaiseMethodError(
      "GetSelectedImageCard",
      [&]() -> int32_t {
        if (auto failed = CheckGuards(core, api::MemberNamed("GetSelectedImageCard")))
          return *failed;

        // Twenty kilobytes: kept off the stack.
        auto request = std::make_unique<channel::Record<image_card::kSize>>();
        auto& record = *request;
        record.fill(std::byte{0});
        const auto& codec = core.codec();
        channel::WriteI32(record, channel::kSizeField, static_cast<int32_t>(record.size()));
        channel::WriteI32(record, image_card::kCardId, ImageCardID);
        codec.WriteText(record, image_card::kPatientId, patientid);
        codec.WriteText(record, image_card::kContent, ICXML);
        codec.WriteText(record, image_card::kImagePath, ImagePath);
        channel::WriteI16(record, image_card::kGetImages, FlagValue(bGetImages));
        channel::WriteI16(record, image_card::kGetOriginals, FlagValue(bGetOriginals));

        const auto reply = core.exchanger().Exchange(command::kSelectedImageCard, record);
        if (auto failed = MapReadOutcome(reply, command::kSelectedImageCard)) return *failed;

        const auto& card = core.holding().Last<channel::ImageCardReply>();
        if (!card.found()) return result::kNothingFound;
        patientid = card.patient_id;
        ImagePath = card.image_path;
        ICXML = card.content;
        ImageCardID = card.card_id;
        return result::kSuccess;
      },
      " error: ");
}

}  // namespace orvabridge::operations
