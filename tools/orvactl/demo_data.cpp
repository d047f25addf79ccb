#include "demo_data.h"

#include "sim/simulator.h"

namespace orvabridge::orvactl {
namespace {

sim::SimPatient Patient(int32_t db_id, const char* id, const char* first, const char* last,
                        const char* sex, const char* birthdate, const char* address) {
  sim::SimPatient patient;
  patient.db_id = db_id;
  patient.id = id;
  patient.first_name = first;
  patient.last_name = last;
  patient.sex = sex;
  patient.birthdate = birthdate;
  patient.address = address;
  patient.email = std::string(first) + "@example.org";
  return patient;
}

sim::SimImage Image(const char* patient, const char* picture, const char* date, const char* type,
                    const char* teeth, const char* comment) {
  sim::SimImage image;
  image.patient_id = patient;
  image.picture_id = picture;
  image.date = date;
  image.type = type;
  image.tooth_groups = teeth;
  image.tooth_group_name = "Molars";
  image.comment = comment;
  image.original_path = std::string("C:\\Orvanta\\Images\\") + picture + ".dcm";
  image.xray_data = "60kV 7mA 0.12s";
  return image;
}

}  // namespace

void SeedDemoData(sim::Simulator& simulator, bool logged_in) {
  sim::SimUser user;
  user.id = 7;
  user.login = demo_data::kUser;
  user.password = demo_data::kPassword;
  user.prefix = "Dr.";
  user.first_name = "Dana";
  user.last_name = "Demo";
  user.group = "Dentists";
  user.login_method = 1;
  user.rights = sim::rights::kEdit | sim::rights::kApprove | sim::rights::kPrintPatientInfo;
  simulator.AddUser(user);

  sim::SimUser admin;
  admin.id = 1;
  admin.login = demo_data::kAdmin;
  admin.password = demo_data::kAdminPassword;
  admin.first_name = "Practice";
  admin.last_name = "Administrator";
  admin.group = "Administrators";
  admin.rights = sim::rights::kAdmin | sim::rights::kEdit | sim::rights::kDelete;
  simulator.AddUser(admin);

  simulator.AddPatient(
      Patient(101, "1001", "Anna", "Berg", "F", "12.03.1984", "Harbour Road 4, Northport"));
  simulator.AddPatient(
      Patient(102, "1002", "Jonas", "Falk", "M", "02.11.1975", "Mill Lane 17, Eastfield"));
  simulator.AddPatient(
      Patient(103, "1003", "Lena", "Müller", "F", "29.02.1996", "Lindenweg 8, Westheim"));

  simulator.AddImage(Image("1001", "5001", "14.05.2024", "Bitewing", "16 17 18", "caries check"));
  simulator.AddImage(Image("1001", "5002", "03.09.2024", "Panoramic", "", "annual review"));
  simulator.AddImage(Image("1002", "5003", "21.01.2025", "Periapical", "36", "after root canal"));

  simulator.SetCurrentPatient(demo_data::kPatient);
  simulator.SelectImage(demo_data::kPicture);
  simulator.SetSelectedCard(sim::SimImageCard{
      42, demo_data::kPatient, "<ImageCard id=\"42\"><Image id=\"5001\"/></ImageCard>",
      "C:\\Orvanta\\Cards\\42"});
  simulator.SetLoggedIn(logged_in ? std::optional<std::string>(demo_data::kUser) : std::nullopt);
}

}  // namespace orvabridge::orvactl
