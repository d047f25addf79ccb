// The records of each command code with their fields named: which record a request carries and
// which one its answer carries. Offsets and widths are channel/records.h's own; this file only
// puts names to them, for the simulator's size checks and for its trace.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "channel/records.h"

namespace orvabridge::sim {

enum class FieldKind {
  kText,    // fixed-width ANSI text
  kInt32,   // little-endian signed 32 bits
  kWindow,  // a window handle as 32 bits
  kInt16,   // little-endian signed 16 bits (the flags of the login and image card records)
  kDouble,  // little-endian IEEE double (rights, automation dates)
};

struct NamedField {
  std::string_view name;
  channel::Field field;
  FieldKind kind;
};

struct RecordLayout {
  std::string_view name;
  size_t size = 0;
  std::span<const NamedField> fields;
};

// The name of a command code ("FindPatient"); empty for a code the protocol does not know.
std::string_view CommandName(uint32_t code);

// The name of a sub-command of the generic exchange ("SessionInfo"); empty when unknown.
std::string_view GenericSubCommandName(int32_t sub_command);

// The record a request of `code` carries (the logout request: one of size 0 without fields);
// nullptr for codes that are no request (1002, 1013 and unknown codes).
const RecordLayout* RequestLayout(uint32_t code);

// The record the answer to `code` carries; nullptr for codes that are never answered.
const RecordLayout* ReplyLayout(uint32_t code);

}  // namespace orvabridge::sim
