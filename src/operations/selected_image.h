// What the user has selected in the imaging application: the image and the image card.
#pragma once

#include <cstdint>
#include <string>

namespace orvabridge::link {
class ApplCore;
}

namespace orvabridge::operations {

// The nine values are sent as given and, when an image is selected, replaced by its description.
int32_t GetSelectedImageInfo(link::ApplCore& core, std::string& PictureID, std::string& patientid,
                             std::string& ImageDate, std::string& imagetype, std::string& OrgPath,
                             std::string& ToothGroupname, std::string& comment,
                             std::string& toothgroups, std::string& Xraydata);

// The first four values are sent as given and, when a card is selected, replaced by the card's.
int32_t GetSelectedImageCard(link::ApplCore& core, int32_t& ImageCardID, std::string& patientid,
                             std::string& ICXML, std::string& ImagePath, bool bGetImages,
                             bool bGetOriginals);

}  // namespace orvabridge::operations
