// The one codec for record fields: fixed-width ANSI text and little-endian numbers.
//
// Text: the field is zero-filled, then the text converted to the ANSI code page is copied from the
// first byte, cut at the field width on a character boundary; a text that fills the field exactly
// has no terminator. Reading converts the bytes up to the first zero byte, or up to the field's
// end when there is none; nothing outside the field is ever touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "channel/records.h"
#include "platform/code_page.h"

namespace orvabridge::channel {

class FieldCodec {
 public:
  explicit FieldCodec(platform::CodePage& code_page) : code_page_(code_page) {}

  // Returns true when the whole text fitted, false when it was cut.
  bool WriteText(std::span<std::byte> record, Field field, std::string_view utf8) const;
  std::string ReadText(std::span<const std::byte> record, Field field) const;

  // The ANSI bytes of `utf8`, cut to at most `width` bytes on a character boundary.
  std::string ToAnsiCut(std::string_view utf8, size_t width) const;

 private:
  platform::CodePage& code_page_;
};

// Numbers, little-endian. The field's width must match the type (checked in debug builds).
void WriteI32(std::span<std::byte> record, Field field, int32_t value);
void WriteU32(std::span<std::byte> record, Field field, uint32_t value);
void WriteI16(std::span<std::byte> record, Field field, int16_t value);
void WriteF64(std::span<std::byte> record, Field field, double value);
int32_t ReadI32(std::span<const std::byte> record, Field field);
uint32_t ReadU32(std::span<const std::byte> record, Field field);
int16_t ReadI16(std::span<const std::byte> record, Field field);
double ReadF64(std::span<const std::byte> record, Field field);

// Sets the bytes of a field to zero.
void ZeroField(std::span<std::byte> record, Field field);

// Copies a received payload over the start of a record: at most the record's size; bytes beyond
// the payload keep their contents. Returns the number of bytes copied.
size_t CopyPayload(std::span<std::byte> record, std::span<const std::byte> payload);

}  // namespace orvabridge::channel
