#include "sim/demo_seed.h"

#include <utility>

#include "sim/simulator.h"

namespace orvabridge::sim {
namespace {

SimPatient DemoPatient(int32_t db_id, std::string id, std::string first, std::string last,
                       std::string sex, std::string birthdate, std::string address) {
  SimPatient patient;
  patient.db_id = db_id;
  patient.email = first + "." + last + "@example.net";
  patient.id = std::move(id);
  patient.first_name = std::move(first);
  patient.last_name = std::move(last);
  patient.sex = std::move(sex);
  patient.birthdate = std::move(birthdate);
  patient.address = std::move(address);
  return patient;
}

SimImage DemoImage(std::string patient, std::string picture, std::string date, std::string type,
                   std::string teeth) {
  SimImage image;
  image.original_path = "C:\\OrvaSim\\Images\\" + picture + ".dcm";
  image.patient_id = std::move(patient);
  image.picture_id = std::move(picture);
  image.date = std::move(date);
  image.type = std::move(type);
  image.tooth_groups = std::move(teeth);
  image.comment = "demo image";
  image.xray_data = "65kV 7mA 0.10s";
  return image;
}

}  // namespace

void SeedDemoData(Simulator& simulator) {
  SimUser user;
  user.id = 11;
  user.login = demo::kUser;
  user.password = demo::kUser;
  user.prefix = "Dr.";
  user.first_name = "Mira";
  user.last_name = "Sample";
  user.group = "Dentists";
  user.login_method = 1;
  user.rights = rights::kEdit | rights::kApprove | rights::kPrintPatientInfo;
  simulator.AddUser(user);

  SimUser admin;
  admin.id = 1;
  admin.login = demo::kAdmin;
  admin.password = demo::kAdmin;
  admin.first_name = "Clinic";
  admin.last_name = "Admin";
  admin.group = "Administrators";
  admin.rights = rights::kAdmin | rights::kEdit | rights::kDelete;
  simulator.AddUser(admin);

  simulator.AddPatient(DemoPatient(201, demo::kOpenPatient, "Ines", "Holm", "F", "04.07.1981",
                                   "Quay Street 2, Saltby"));
  simulator.AddPatient(DemoPatient(202, demo::kSecondPatient, demo::kSecondFirstName,
                                   demo::kSecondLastName, "M", "19.10.1969",
                                   "Orchard Row 9, Kelmoor"));
  simulator.AddPatient(
      DemoPatient(203, "1003", "Sofie", "Brandt", "F", "30.01.2002", "Birkenallee 3, Ostdorf"));

  simulator.AddImage(
      DemoImage(demo::kOpenPatient, demo::kSelectedPicture, "08.04.2024", "Bitewing", "46 47"));
  simulator.AddImage(DemoImage(demo::kOpenPatient, "5002", "15.10.2024", "Panoramic", ""));
  simulator.AddImage(DemoImage(demo::kSecondPatient, "5003", "02.02.2025", "Periapical", "21"));

  simulator.SetCurrentPatient(demo::kOpenPatient);
  simulator.SelectImage(demo::kSelectedPicture);
  simulator.SetSelectedCard(SimImageCard{7, demo::kOpenPatient,
                                         "<ImageCard id=\"7\"><Image id=\"5001\"/></ImageCard>",
                                         "C:\\OrvaSim\\Cards\\7"});
}

void LogInAtStart(Simulator& simulator, const std::string& login) {
  simulator.EditModel([&](SimModel& model) {
    if (model.FindUser(login) == nullptr) {
      SimUser user;
      user.id = model.NextUserId();
      user.login = login;
      user.password = login;
      user.first_name = login;
      user.rights = rights::kDefaults;
      model.PutUser(std::move(user));
    }
    model.logged_in_login = login;
  });
}

}  // namespace orvabridge::sim
