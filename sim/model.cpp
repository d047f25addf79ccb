#include "sim/model.h"

#include <algorithm>

namespace orvabridge::sim {

SimUser* SimModel::FindUser(std::string_view login) {
  auto it = std::find_if(users.begin(), users.end(),
                         [&](const SimUser& user) { return user.login == login; });
  return it == users.end() ? nullptr : &*it;
}

const SimUser* SimModel::LoggedInUser() const {
  if (!logged_in_login) return nullptr;
  auto it = std::find_if(users.begin(), users.end(),
                         [&](const SimUser& user) { return user.login == *logged_in_login; });
  return it == users.end() ? nullptr : &*it;
}

SimPatient* SimModel::FindPatient(std::string_view id) {
  if (id.empty()) return nullptr;
  auto it = std::find_if(patients.begin(), patients.end(),
                         [&](const SimPatient& patient) { return patient.id == id; });
  return it == patients.end() ? nullptr : &*it;
}

const SimPatient* SimModel::FindPatientByNumber(int32_t db_id) const {
  if (db_id == 0) return nullptr;
  auto it = std::find_if(patients.begin(), patients.end(),
                         [&](const SimPatient& patient) { return patient.db_id == db_id; });
  return it == patients.end() ? nullptr : &*it;
}

const SimImage* SimModel::FindImage(std::string_view picture_id) const {
  if (picture_id.empty()) return nullptr;
  auto it = std::find_if(images.begin(), images.end(),
                         [&](const SimImage& image) { return image.picture_id == picture_id; });
  return it == images.end() ? nullptr : &*it;
}

const SimImage* SimModel::FirstImageOf(std::string_view patient_id, std::string_view date) const {
  auto it = std::find_if(images.begin(), images.end(), [&](const SimImage& image) {
    return image.patient_id == patient_id && (date.empty() || image.date == date);
  });
  return it == images.end() ? nullptr : &*it;
}

const SimImage* SimModel::SelectedImage() const { return FindImage(selected_picture_id); }

const SimImageCard* SimModel::FindImageCard(int32_t id) const {
  auto it = std::find_if(image_cards.begin(), image_cards.end(),
                         [&](const SimImageCard& card) { return card.id == id; });
  return it == image_cards.end() ? nullptr : &*it;
}

void SimModel::PutUser(SimUser user) {
  if (SimUser* existing = FindUser(user.login)) {
    *existing = std::move(user);
  } else {
    users.push_back(std::move(user));
  }
}

void SimModel::PutPatient(SimPatient patient) {
  if (SimPatient* existing = FindPatient(patient.id)) {
    *existing = std::move(patient);
  } else {
    patients.push_back(std::move(patient));
  }
}

int32_t SimModel::NextUserId() const {
  int32_t highest = 0;
  for (const SimUser& user : users) highest = std::max(highest, user.id);
  return highest + 1;
}

}  // namespace orvabridge::sim
