#include "sim/record_mapping.h"

#include <array>
#include <string>
#include <utility>

#include "channel/records.h"

namespace orvabridge::sim {

namespace {

using PatientMember = std::string SimPatient::*;
using ImageMember = std::string SimImage::*;

// One table per record keeps the write and the read in step.
constexpr std::array<std::pair<channel::Field, PatientMember>, 11> kShortPatientFields{{
    {channel::patient::kId, &SimPatient::id},
    {channel::patient::kFirstName, &SimPatient::first_name},
    {channel::patient::kLastName, &SimPatient::last_name},
    {channel::patient::kAddress, &SimPatient::address},
    {channel::patient::kTelOne, &SimPatient::tel_one},
    {channel::patient::kTelTwo, &SimPatient::tel_two},
    {channel::patient::kSex, &SimPatient::sex},
    {channel::patient::kEmail, &SimPatient::email},
    {channel::patient::kMobile, &SimPatient::mobile},
    {channel::patient::kBirthdate, &SimPatient::birthdate},
    {channel::patient::kComments, &SimPatient::comments},
}};

constexpr std::array<std::pair<channel::Field, ImageMember>, 9> kImageFields{{
    {channel::image::kPatientId, &SimImage::patient_id},
    {channel::image::kPictureId, &SimImage::picture_id},
    {channel::image::kImageDate, &SimImage::date},
    {channel::image::kToothGroups, &SimImage::tooth_groups},
    {channel::image::kImageType, &SimImage::type},
    {channel::image::kComment, &SimImage::comment},
    {channel::image::kOriginalPath, &SimImage::original_path},
    {channel::image::kToothGroupName, &SimImage::tooth_group_name},
    {channel::image::kXrayData, &SimImage::xray_data},
}};

}  // namespace

void WritePatient(const channel::FieldCodec& codec, std::span<std::byte> record,
                  const SimPatient& patient, PatientForm form) {
  for (const auto& [field, member] : kShortPatientFields) {
    codec.WriteText(record, field, patient.*member);
  }
  if (form == PatientForm::kExtended) {
    codec.WriteText(record, channel::patient::kOtherIds, patient.other_ids);
  }
}

SimPatient ReadPatient(const channel::FieldCodec& codec, std::span<const std::byte> record,
                       PatientForm form) {
  SimPatient patient;
  for (const auto& [field, member] : kShortPatientFields) {
    patient.*member = codec.ReadText(record, field);
  }
  if (form == PatientForm::kExtended) {
    patient.other_ids = codec.ReadText(record, channel::patient::kOtherIds);
  }
  return patient;
}

void WriteImage(const channel::FieldCodec& codec, std::span<std::byte> record,
                const SimImage& image) {
  for (const auto& [field, member] : kImageFields) codec.WriteText(record, field, image.*member);
}

SimImage ReadImage(const channel::FieldCodec& codec, std::span<const std::byte> record) {
  SimImage image;
  for (const auto& [field, member] : kImageFields) image.*member = codec.ReadText(record, field);
  return image;
}

}  // namespace orvabridge::sim
