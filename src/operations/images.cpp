#include "operations/images.h"

#include "link/failure_policy.h"

#include <span>

#include "channel/protocol.h"
#include "channel/codec.h"
#include "link/appl_core.h"
#include "link/number_text.h"
#include "operations/guards.h"

namespace orvabridge::operations {
namespace {

namespace command = channel::command;
namespace image = channel::image;
namespace image_query = channel::image_query;

constexpr double kSearchImageTimeoutSeconds = channel::ReplySeconds(command::kSearchImage);
static_assert(api::MemberNamed("SearchImage").waits_seconds == kSearchImageTimeoutSeconds);
constexpr double kGetImageTimeoutSeconds = channel::ReplySeconds(command::kGetImage);
// Picture -1 is given the long wait.
constexpr double kGetImageLongTimeoutSeconds = api::MemberNamed("GetImage").waits_seconds;
constexpr double kLongWaitPicture = -1.0;

// The destination folder always ends in one backslash.
std::string FolderText(const std::string& templib) {
  if (!templib.empty() && templib.back() == '\\') return templib;
  return templib + '\\';
}

// A flag left over from a request that gave up earlier is cleared before sending, so that a
// stale reply is never taken as this request's answer. False when the request did not get
// through within `timeout_seconds` (an application that is busy or hung), which ends the request
// as its time-out.
bool SendImageRequest(link::ApplCore& core, uint32_t code, std::span<const std::byte> request,
                      double timeout_seconds) {
  core.holding().image_reply_flag = false;
  const auto sent = core.exchanger().SendWithin(code, request, timeout_seconds);
  return sent != platform::SendStatus::kTimedOut && sent != platform::SendStatus::kHung;
}

// Waits until an image reply of the right size has been stored; the flag is taken down again
// whether it came or the time ran out.
channel::Outcome AwaitImageReply(link::ApplCore& core, double timeout_seconds) {
  auto& holding = core.holding();
  auto& exchanger = core.exchanger();
  const auto outcome =
      exchanger.WaitFor([&holding] { return holding.image_reply_flag; },
                        exchanger.DeadlineIn(timeout_seconds), channel::WatchWindow::kYes);
  if (outcome != channel::Outcome::kWindowGone) holding.image_reply_flag = false;
  return outcome;
}

}  // namespace

std::string ImageDateCriteria(link::ApplCore& core, const std::string& FromDate,
                              const std::string& ToDate) {
  std::string criteria = core.system().IsDate(FromDate) ? FromDate : " ";
  if (core.system().IsDate(ToDate)) criteria += "#" + ToDate;
  return criteria;
}

int32_t SearchImage(link::ApplCore& core, const std::string& patientid, const std::string& indate,
                    std::string& PictureID, std::string& captureDate, std::string& imagetype,
                    std::string& ToothGroupname, std::string& comment, std::string& toothgroups,
                    std::string& Xraydata) {
  return link::ResultOnFailure(result::kImageFailure, [&]() -> int32_t {
    if (auto failed = CheckGuards(core, api::MemberNamed("SearchImage"), &patientid))
      return *failed;
    const std::string date = core.system().IsDate(indate) ? indate : " ";

    // The reply lands in ImageRecord; its size and original path stay as they were.
    auto& reply = core.holding().image_record;
    for (const auto field :
         {image::kPatientId, image::kPictureId, image::kImageDate, image::kToothGroups,
          image::kImageType, image::kComment, image::kToothGroupName, image::kXrayData}) {
      channel::ZeroField(reply, field);
    }

    channel::Record<image_query::kSize> request{};
    channel::WriteI32(request, channel::kSizeField, static_cast<int32_t>(request.size()));
    core.codec().WriteText(request, image_query::kPictureOrPatientId, patientid);
    core.codec().WriteText(request, image_query::kPathOrDate, date);
    const auto outcome =
        SendImageRequest(core, command::kSearchImage, request, kSearchImageTimeoutSeconds)
            ? AwaitImageReply(core, kSearchImageTimeoutSeconds)
            : channel::Outcome::kTimeout;
    if (outcome == channel::Outcome::kWindowGone) return result::kNoTargetWindow;
    if (outcome == channel::Outcome::kTimeout) return result::kNothingFound;

    const auto& codec = core.codec();
    PictureID = codec.ReadText(reply, image::kPictureId);
    captureDate = codec.ReadText(reply, image::kImageDate);
    comment = codec.ReadText(reply, image::kComment);
    imagetype = codec.ReadText(reply, image::kImageType);
    toothgroups = codec.ReadText(reply, image::kToothGroups);
    ToothGroupname = codec.ReadText(reply, image::kToothGroupName);
    Xraydata = codec.ReadText(reply, image::kXrayData);
    return PictureID.empty() ? result::kNothingFound : result::kSuccess;
  });
}

int32_t GetImage(link::ApplCore& core, const std::string& PictureID, const std::string& templib,
                 std::string& PicturePath) {
  return link::ResultOnFailure(result::kImageFailure, [&]() -> int32_t {
    const std::string folder = FolderText(templib);
    if (auto failed = CheckGuards(core, api::MemberNamed("GetImage"))) return *failed;

    channel::Record<image_query::kSize> request{};
    channel::WriteI32(request, channel::kSizeField, static_cast<int32_t>(request.size()));
    core.codec().WriteText(request, image_query::kPictureOrPatientId, PictureID);
    core.codec().WriteText(request, image_query::kPathOrDate, PicturePath);
    core.codec().WriteText(request, image_query::kFolderOrResult, folder);
    // The send may take as long as the longest wait; which wait applies is known only once
    // the request is out, as the picture id is read as a number then: a text that is no
    // number fails the call after sending, without waiting.
    const bool sent =
        SendImageRequest(core, command::kGetImage, request, kGetImageLongTimeoutSeconds);
    const double limit = link::TextAsNumber(PictureID) == kLongWaitPicture
                             ? kGetImageLongTimeoutSeconds
                             : kGetImageTimeoutSeconds;
    const auto outcome = sent ? AwaitImageReply(core, limit) : channel::Outcome::kTimeout;
    if (outcome == channel::Outcome::kWindowGone) return result::kNoTargetWindow;
    if (outcome == channel::Outcome::kTimeout) {
      core.system().ShowMessageBox(
          {"GetImage timed out after " + std::to_string(static_cast<int>(limit)) + " seconds.", "",
           platform::kMbOk});
      return result::kNothingFound;
    }

    PicturePath =
        core.codec().ReadText(core.holding().image_file_reply, image_query::kFolderOrResult);
    return PicturePath.empty() ? result::kNothingFound : result::kSuccess;
  });
}

int32_t FindImages(link::ApplCore& core, const std::string& PictureID, const std::string& patientid,
                   const std::string& FromDate, const std::string& ToDate,
                   const std::string& imagetype, const std::string& ToothGroupname,
                   const std::string& comment, const std::string& toothgroups,
                   const std::string& Xraydata) {
  return link::ShowBoxAndReturn(
      core.system(), {"FindImages: "}, result::kNothingFound, [&]() -> int32_t {
        if (auto failed = CheckGuards(core, api::MemberNamed("FindImages"))) return *failed;
        const std::string dates = ImageDateCriteria(core, FromDate, ToDate);

        // Built in ImageRecord itself: the original path stays as the last exchange left it.
        auto& record = core.holding().image_record;
        const auto& codec = core.codec();
        channel::WriteI32(record, channel::kSizeField, static_cast<int32_t>(record.size()));
        codec.WriteText(record, image::kPatientId, patientid);
        codec.WriteText(record, image::kPictureId, PictureID);
        codec.WriteText(record, image::kImageDate, dates);
        codec.WriteText(record, image::kToothGroups, toothgroups);
        codec.WriteText(record, image::kImageType, imagetype);
        codec.WriteText(record, image::kComment, comment);
        codec.WriteText(record, image::kToothGroupName, ToothGroupname);
        codec.WriteText(record, image::kXrayData, Xraydata);
        core.exchanger().Send(command::kFindImages, record);
        // The application acts on the criteria on its own; there is nothing to wait for.
        return result::kNothingFound;
      });
}

}  // namespace orvabridge::operations
