// Images stored by the imaging application: search for a patient's image, fetch an image file
// into a folder, and hand over search criteria for the application to show.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "orvabridge/types.h"
#include "platform/runtime_failure.h"

namespace orvabridge::link {
class ApplCore;
}

namespace orvabridge::operations {

int32_t SearchImage(link::ApplCore& core, const std::string& patientid, const std::string& indate,
                    std::string& PictureID, std::string& captureDate, std::string& imagetype,
                    std::string& ToothGroupname, std::string& comment, std::string& toothgroups,
                    std::string& Xraydata);

int32_t GetImage(link::ApplCore& core, const std::string& PictureID, const std::string& templib,
                 std::string& PicturePath);

int32_t FindImages(link::ApplCore& core, const std::string& PictureID, const std::string& patientid,
                   const std::string& FromDate, const std::string& ToDate,
                   const std::string& imagetype, const std::string& ToothGroupname,
                   const std::string& comment, const std::string& toothgroups,
                   const std::string& Xraydata);

// The image-date criteria of FindImages: "from#to", "from", " #to" or " ", depending on which of
// the two texts are dates.
std::string ImageDateCriteria(link::ApplCore& core, const std::string& FromDate,
                              const std::string& ToDate);

}  // namespace orvabridge::operations
