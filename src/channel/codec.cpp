#include "channel/codec.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>

namespace orvabridge::channel {
namespace {

// The bytes of `field` inside `record`. A field that reaches past the record is a layout fault:
// debug builds stop on it, other builds get only the part that lies inside, so nothing outside the
// record is ever touched.
template <typename Byte>
std::span<Byte> FieldBytes(std::span<Byte> record, Field field) {
  assert(field.offset <= record.size() && field.width <= record.size() - field.offset &&
         "field lies outside its record");
  if (field.offset >= record.size()) return {};
  const size_t width = std::min(field.width, record.size() - field.offset);
  return record.subspan(field.offset, width);
}

// Length in bytes of the UTF-8 sequence that starts with `lead`; 1 for a byte that cannot start
// one, so malformed input still advances and is handed to the code page as it is.
size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

// Length of the character at `at`: its whole sequence when that is complete and well formed,
// otherwise the single byte.
size_t CodePointLength(std::string_view utf8, size_t at) {
  const size_t length = SequenceLength(static_cast<unsigned char>(utf8[at]));
  if (length > utf8.size() - at) return 1;
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(utf8[at + i]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

// The ANSI form of a text that is too long for `width` bytes: characters are added one at a time,
// so a multi-byte character that would straddle the end is left out whole instead of split.
std::string CutByCharacter(platform::CodePage& code_page, std::string_view utf8, size_t width) {
  // Every character takes at least one byte, so no more than `width` characters can fit. In a
  // single-byte code page those convert to exactly `width` bytes: one conversion suffices.
  size_t prefix = 0;
  for (size_t characters = 0; prefix < utf8.size() && characters < width; ++characters) {
    prefix += CodePointLength(utf8, prefix);
  }
  utf8 = utf8.substr(0, prefix);
  std::string whole = code_page.ToAnsi(utf8);
  if (whole.size() <= width) return whole;

  std::string cut;
  for (size_t at = 0; at < utf8.size();) {
    const size_t length = CodePointLength(utf8, at);
    const std::string piece = code_page.ToAnsi(utf8.substr(at, length));
    if (cut.size() + piece.size() > width) break;
    cut += piece;
    at += length;
  }
  return cut;
}

template <typename Unsigned>
void WriteLittleEndian(std::span<std::byte> record, Field field, Unsigned value) {
  assert(field.width == sizeof(Unsigned) && "field width does not match the number's type");
  const auto bytes = FieldBytes(record, field);
  const size_t count = std::min(bytes.size(), sizeof(Unsigned));
  for (size_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<std::byte>((value >> (8 * i)) & 0xFF);
  }
}

template <typename Unsigned>
Unsigned ReadLittleEndian(std::span<const std::byte> record, Field field) {
  assert(field.width == sizeof(Unsigned) && "field width does not match the number's type");
  const auto bytes = FieldBytes(record, field);
  const size_t count = std::min(bytes.size(), sizeof(Unsigned));
  Unsigned value = 0;
  for (size_t i = 0; i < count; ++i) {
    value = static_cast<Unsigned>(value | (static_cast<Unsigned>(bytes[i]) << (8 * i)));
  }
  return value;
}

}  // namespace

std::string FieldCodec::ToAnsiCut(std::string_view utf8, size_t width) const {
  std::string whole = code_page_.ToAnsi(utf8);
  if (whole.size() <= width) return whole;
  return CutByCharacter(code_page_, utf8, width);
}

bool FieldCodec::WriteText(std::span<std::byte> record, Field field, std::string_view utf8) const {
  const auto bytes = FieldBytes(record, field);
  std::fill(bytes.begin(), bytes.end(), std::byte{0});
  const std::string whole = code_page_.ToAnsi(utf8);
  const bool fits = whole.size() <= bytes.size();
  const std::string stored = fits ? whole : CutByCharacter(code_page_, utf8, bytes.size());
  std::memcpy(bytes.data(), stored.data(), std::min(stored.size(), bytes.size()));
  return fits;
}

std::string FieldCodec::ReadText(std::span<const std::byte> record, Field field) const {
  const auto bytes = FieldBytes(record, field);
  const auto end = std::find(bytes.begin(), bytes.end(), std::byte{0});
  const auto length = static_cast<size_t>(end - bytes.begin());
  return code_page_.FromAnsi(std::string_view(reinterpret_cast<const char*>(bytes.data()), length));
}

void WriteI32(std::span<std::byte> record, Field field, int32_t value) {
  WriteLittleEndian(record, field, static_cast<uint32_t>(value));
}

void WriteU32(std::span<std::byte> record, Field field, uint32_t value) {
  WriteLittleEndian(record, field, value);
}

void WriteI16(std::span<std::byte> record, Field field, int16_t value) {
  WriteLittleEndian(record, field, static_cast<uint16_t>(value));
}

void WriteF64(std::span<std::byte> record, Field field, double value) {
  WriteLittleEndian(record, field, std::bit_cast<uint64_t>(value));
}

int32_t ReadI32(std::span<const std::byte> record, Field field) {
  return static_cast<int32_t>(ReadLittleEndian<uint32_t>(record, field));
}

uint32_t ReadU32(std::span<const std::byte> record, Field field) {
  return ReadLittleEndian<uint32_t>(record, field);
}

int16_t ReadI16(std::span<const std::byte> record, Field field) {
  return static_cast<int16_t>(ReadLittleEndian<uint16_t>(record, field));
}

double ReadF64(std::span<const std::byte> record, Field field) {
  return std::bit_cast<double>(ReadLittleEndian<uint64_t>(record, field));
}

void ZeroField(std::span<std::byte> record, Field field) {
  const auto bytes = FieldBytes(record, field);
  std::fill(bytes.begin(), bytes.end(), std::byte{0});
}

size_t CopyPayload(std::span<std::byte> record, std::span<const std::byte> payload) {
  const size_t count = std::min(record.size(), payload.size());
  if (count > 0) std::memcpy(record.data(), payload.data(), count);
  return count;
}

}  // namespace orvabridge::channel
