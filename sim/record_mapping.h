// Moves the model's patients and images in and out of their wire records, field by field through
// the codec, so that every command handler fills and reads them the same way.
#pragma once

#include <cstddef>
#include <span>

#include "channel/codec.h"
#include "sim/model.h"

namespace orvabridge::sim {

enum class PatientForm { kShort, kExtended };

// Fills the patient fields of a short or extended patient record (not the size field).
void WritePatient(const channel::FieldCodec& codec, std::span<std::byte> record,
                  const SimPatient& patient, PatientForm form);
// Reads them back; the short form leaves `other_ids` empty.
SimPatient ReadPatient(const channel::FieldCodec& codec, std::span<const std::byte> record,
                       PatientForm form);

// Fills the nine text fields of an image record (not the size field).
void WriteImage(const channel::FieldCodec& codec, std::span<std::byte> record,
                const SimImage& image);
SimImage ReadImage(const channel::FieldCodec& codec, std::span<const std::byte> record);

}  // namespace orvabridge::sim
