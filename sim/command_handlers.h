// The handlers behind ProcessCommand, grouped by subject in their own files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "channel/codec.h"
#include "sim/commands.h"
#include "sim/model.h"

namespace orvabridge::sim {

struct CommandContext {
  const channel::FieldCodec& codec;
  SimModel& model;
};

using Request = std::span<const std::byte>;

// A zeroed record of `size` bytes whose size field holds its size.
std::vector<std::byte> NewRecord(size_t size);
// The request itself as the start of its answer: what the application does not fill, it echoes.
std::vector<std::byte> EchoRecord(Request request);
// Leading decimal number of a text, blanks ignored; 0 when there is none.
int32_t LeadingNumber(std::string_view text);

// patient_commands.cpp
Reply FindPatient(CommandContext& context, Request request);
void ShowPatient(CommandContext& context, Request request);
void AddPatient(CommandContext& context, Request request, bool extended);
void ChangePatient(CommandContext& context, Request request, bool extended);
Reply CurrentPatient(CommandContext& context);

// image_commands.cpp
Reply GetImage(CommandContext& context, Request request);
Reply SearchImage(CommandContext& context, Request request);
void FindImages(CommandContext& context, Request request);
Reply SelectedImage(CommandContext& context);
Reply SelectedImageCard(CommandContext& context, Request request);

// user_commands.cpp
Reply Login(CommandContext& context, uint32_t code, Request request);
Reply Logout(CommandContext& context);

// generic_commands.cpp
Reply Generic(CommandContext& context, Request request);

}  // namespace orvabridge::sim
