// Every record that crosses the copy-data channel, in one place: sizes and field positions.
// Operations never compute offsets of their own; they name a field here and hand it to the codec.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orvabridge::channel {

// A fixed-width field: its first byte and its width in bytes.
struct Field {
  size_t offset;
  size_t width;
  constexpr size_t end() const { return offset + width; }
};

template <size_t N>
using Record = std::array<std::byte, N>;

// Request command codes.
namespace command {
inline constexpr uint32_t kAttach = 1002;  // reply only
inline constexpr uint32_t kFindPatient = 1003;
inline constexpr uint32_t kShowPatient = 1004;
inline constexpr uint32_t kAddPatientShort = 1005;
inline constexpr uint32_t kChangePatientShort = 1006;
inline constexpr uint32_t kAddPatientExtended = 1007;
inline constexpr uint32_t kChangePatientExtended = 1008;
inline constexpr uint32_t kGetImage = 1010;
inline constexpr uint32_t kSearchImage = 1012;
inline constexpr uint32_t kIgnoredReply = 1013;  // accepted and dropped
inline constexpr uint32_t kFindImages = 1015;
inline constexpr uint32_t kCurrentPatient = 1016;
inline constexpr uint32_t kSelectedImage = 1017;
inline constexpr uint32_t kSelectedImageCard = 1018;
inline constexpr uint32_t kUserLogin = 1019;
inline constexpr uint32_t kUserLogout = 1020;
inline constexpr uint32_t kUserGroupLogin = 1021;
inline constexpr uint32_t kGeneric = 1500;
}  // namespace command

// Widths of the fixed text fields.
inline constexpr size_t kText64 = 64;
inline constexpr size_t kText256 = 256;
inline constexpr size_t kText1024 = 1024;
inline constexpr size_t kText20001 = 20001;

// Every request record starts with its own size.
inline constexpr Field kSizeField{0, 4};

// Reply 1002 to the registered attach message.
namespace attach_reply {
inline constexpr size_t kSize = 84;
inline constexpr Field kControlWindow{4, 4};  // unsigned
inline constexpr Field kVersionMajor{8, 4};
inline constexpr Field kVersionMinor{12, 4};
inline constexpr Field kVersionBuild{16, 4};
inline constexpr Field kName{20, kText64};
static_assert(kName.end() == kSize);
}  // namespace attach_reply

// Find-patient record: request and reply of 1003, request of 1004 (show patient).
namespace find_patient {
inline constexpr size_t kSize = 584;
inline constexpr Field kPatientId{4, kText64};
inline constexpr Field kFirstName{68, kText256};  // 1003 reply
inline constexpr Field kLastName{324, kText256};  // 1003 reply
inline constexpr Field kFound{580, 4};            // 1003 reply, non-zero when found
inline constexpr Field kOptions{68, kText256};    // 1004 request: lOptions as decimal text
static_assert(kFound.end() == kSize);
}  // namespace find_patient

// control_Patient_infoEx2; its first 2244 bytes are the short patient record (1005, 1006, 1016).
namespace patient {
inline constexpr size_t kShortSize = 2244;
inline constexpr size_t kExtendedSize = 3524;
inline constexpr Field kId{4, kText64};
inline constexpr Field kFirstName{68, kText256};
inline constexpr Field kLastName{324, kText256};
inline constexpr Field kAddress{580, kText256};
inline constexpr Field kTelOne{836, kText256};
inline constexpr Field kTelTwo{1092, kText256};
inline constexpr Field kSex{1348, kText64};
inline constexpr Field kEmail{1412, kText256};
inline constexpr Field kMobile{1668, kText256};
inline constexpr Field kBirthdate{1924, kText64};
inline constexpr Field kComments{1988, kText256};
inline constexpr Field kOtherIds{2244, kText256};  // extended form only
inline constexpr Field kExtra{2500, kText1024};    // extended form only, always zero
static_assert(kComments.end() == kShortSize);
static_assert(kExtra.end() == kExtendedSize);
}  // namespace patient

// Image query record: request of 1010 and 1012, reply of 1010.
namespace image_query {
inline constexpr size_t kSize = 388;
inline constexpr Field kPictureOrPatientId{4, kText64};  // 1010: PictureID, 1012: patientid
inline constexpr Field kPathOrDate{68, kText64};         // 1010: PicturePath, 1012: date text
inline constexpr Field kFolderOrResult{132, kText256};   // 1010: folder; reply: delivered path
static_assert(kFolderOrResult.end() == kSize);
}  // namespace image_query

// Image record: reply of 1012, request of 1015, request and reply of 1017.
namespace image {
inline constexpr size_t kSize = 1540;
inline constexpr Field kPatientId{4, kText64};
inline constexpr Field kPictureId{68, kText256};
inline constexpr Field kImageDate{324, kText64};
inline constexpr Field kToothGroups{388, kText256};
inline constexpr Field kImageType{644, kText256};
inline constexpr Field kComment{900, kText256};
inline constexpr Field kOriginalPath{1156, kText256};
inline constexpr Field kToothGroupName{1412, kText64};
inline constexpr Field kXrayData{1476, kText64};
static_assert(kXrayData.end() == kSize);
}  // namespace image

// Image card record: request and reply of 1018. The odd offsets are exact.
namespace image_card {
inline constexpr size_t kSize = 20336;
inline constexpr Field kCardId{4, 4};
inline constexpr Field kPatientId{8, kText64};
inline constexpr Field kContent{72, kText20001};  // ICXML
inline constexpr Field kImagePath{20073, kText256};
inline constexpr Field kGetImages{20330, 2};
inline constexpr Field kGetOriginals{20332, 2};
static_assert(kContent.end() == kImagePath.offset);
static_assert(kImagePath.end() == 20329);
static_assert(kGetOriginals.end() + 2 == kSize);
}  // namespace image_card

// Login record: request of 1019 and 1021, reply of 1019, 1020 and 1021.
namespace login {
inline constexpr size_t kSize = 2144;
inline constexpr Field kLoginName{4, kText256};
inline constexpr Field kPassword{260, kText256};
inline constexpr Field kAdminLoginName{516, kText256};
inline constexpr Field kAdminPassword{772, kText256};
inline constexpr Field kUserPrefix{1028, kText64};
inline constexpr Field kUserFirstname{1092, kText256};
inline constexpr Field kUserLastname{1348, kText256};
inline constexpr Field kChangeRightsOrResult{1604, 4};
inline constexpr Field kAdminRights{1608, 2};
inline constexpr Field kApproveRights{1610, 2};
inline constexpr Field kDeleteRights{1612, 2};
inline constexpr Field kEditRights{1614, 2};
inline constexpr Field kPrintPatientInfoRights{1616, 2};
inline constexpr Field kExportDcmRights{1618, 2};
inline constexpr Field kImportDcmRights{1620, 2};
inline constexpr Field kCaptureAndNonDcmImportRights{1622, 2};
inline constexpr Field kWorkstationName{1624, kText256};
inline constexpr Field kNinthRight{1880, 2};
inline constexpr Field kRights{1884, 4};
inline constexpr Field kUserGroup{1888, kText256};
static_assert(kUserGroup.end() == kSize);
}  // namespace login

// GenericRecord: request and reply of every 1500 exchange.
namespace generic {
inline constexpr size_t kSize = 26236;
inline constexpr Field kSubCommand{4, 4};
inline constexpr Field kNumber0{8, 4};  // reply: result; request of sub-command 2: object type
inline constexpr Field kNumber1{12, 4};
inline constexpr Field kNumber2{16, 4};
inline constexpr Field kNumber3{20, 4};
inline constexpr Field kDouble{24, 8};  // reply of sub-command 3: rights
inline constexpr Field kDate{56, 8};    // request of sub-command 0: automation date
inline constexpr std::array<Field, 10> kText = {{
    {88, kText256},
    {344, kText256},
    {600, kText256},
    {856, kText256},
    {1112, kText1024},
    {2136, kText1024},
    {3160, kText1024},
    {4184, kText1024},
    {5208, kText1024},
    {6232, kText20001},
}};
static_assert(kText[9].end() + 3 == kSize);

inline constexpr int32_t kWorklistQuery = 0;
inline constexpr int32_t kResponsiblePerson = 1;
inline constexpr int32_t kShowObject = 2;
inline constexpr int32_t kSessionInfo = 3;
}  // namespace generic

}  // namespace orvabridge::channel
