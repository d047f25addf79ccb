// What the simulated imaging application knows: its users, patient register, images, the
// responsible person and what is open or selected on its screen. Plain data and look-ups; the
// Simulator guards it with its one mutex.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvabridge::sim {

// Bits of a user's rights, the same bits a login request carries in its rights mask.
namespace rights {
inline constexpr int32_t kEdit = 1;
inline constexpr int32_t kApprove = 2;
inline constexpr int32_t kDelete = 4;
inline constexpr int32_t kAdmin = 8;
inline constexpr int32_t kCaptureAndNonDcmImport = 16;
inline constexpr int32_t kPrintPatientInfo = 32;
inline constexpr int32_t kExportDcm = 64;
inline constexpr int32_t kImportDcm = 128;
inline constexpr int32_t kNinth = 256;
// Given to a user created with "overwrite with defaults".
inline constexpr int32_t kDefaults = kEdit;
}  // namespace rights

struct SimUser {
  int32_t id = 0;
  std::string login{}, password{}, prefix{}, first_name{}, last_name{}, group{}, workstation{};
  int16_t login_method = 0;
  double rights = 0;  // the rights bits above, as the session reply reports them
  bool operator==(const SimUser&) const = default;
};

struct SimPatient {
  std::string id{}, first_name{}, last_name{}, address{}, tel_one{}, tel_two{}, sex{}, email{},
      mobile{}, birthdate{}, comments{}, other_ids{};
  int32_t db_id = 0;  // database number, for "show object" by number; 0 = none
  bool operator==(const SimPatient&) const = default;
};

struct SimImage {
  std::string patient_id{}, picture_id{}, date{}, tooth_groups{}, type{}, comment{},
      original_path{}, tooth_group_name{}, xray_data{};
  std::string file_name{};  // delivered file name; empty: picture id + ".jpg"
  bool operator==(const SimImage&) const = default;
};

struct SimImageCard {
  int32_t id = 0;
  std::string patient_id{}, content{}, image_path{};
  bool operator==(const SimImageCard&) const = default;
};

struct SimPerson {
  int32_t id = 1;
  int32_t type = 0;
  std::string prefix = "Dr.", first_name = "Rita", last_name = "Molar";
  std::string guid = "{5E1A0C3B-7D52-4F0E-9B1D-2C8F4A6E0001}";
  std::string short_name = "RM", contact_info = "Main practice", email = "rita.molar@example.org";
  std::string login = "rmolar";
  bool operator==(const SimPerson&) const = default;
};

// One scheduled procedure of the modality worklist. A worklist query counts the entries whose
// texts equal every criterion the query gives (empty criteria match everything).
struct SimWorklistEntry {
  std::string patient_id{}, patient_name{}, accession_number{}, procedure_id{}, station_ae{},
      modality{};
  bool operator==(const SimWorklistEntry&) const = default;
};

struct SimModel {
  std::vector<SimUser> users;
  std::vector<SimPatient> patients;
  std::vector<SimImage> images;
  SimPerson responsible_person;
  // The image cards the application can show; the selected one is a copy in `selected_card`.
  std::vector<SimImageCard> image_cards;
  // nullopt: the application has no worklist of its own and answers from the patient register.
  std::optional<std::vector<SimWorklistEntry>> worklist;

  std::optional<std::string> logged_in_login;
  std::string current_patient_id;   // empty: no patient open
  std::string selected_picture_id;  // empty: no image selected
  std::optional<SimImageCard> selected_card;

  // What the last requests without a reply asked for, so that tests can see their effect.
  std::optional<SimImage> image_criteria;    // last find-images request
  std::optional<int32_t> last_show_options;  // last show-patient request

  bool operator==(const SimModel&) const = default;

  SimUser* FindUser(std::string_view login);
  const SimUser* LoggedInUser() const;
  SimPatient* FindPatient(std::string_view id);
  const SimPatient* FindPatientByNumber(int32_t db_id) const;
  const SimImage* FindImage(std::string_view picture_id) const;
  // The patient's first image; `date` empty means any date, otherwise the date text must match.
  const SimImage* FirstImageOf(std::string_view patient_id, std::string_view date) const;
  const SimImage* SelectedImage() const;
  const SimImageCard* FindImageCard(int32_t id) const;

  void PutUser(SimUser user);           // replaces a user of the same login
  void PutPatient(SimPatient patient);  // replaces a patient of the same id
  int32_t NextUserId() const;
};

}  // namespace orvabridge::sim
