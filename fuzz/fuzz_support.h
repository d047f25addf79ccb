// What every fuzz target shares: the input read as a script, the same script written by the seed
// generator, and the check that stops a run on a broken property.
//
// A script is read front to back: numbers (little-endian) and byte runs one after the other, and
// reading past the end gives zeros, so every input is a valid script. libFuzzer's own
// FuzzedDataProvider takes numbers from the back of the input; a front-to-back reader lets the
// seed generator write scripts that mean something, with ScriptWriter, in the reading order.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// Stops the run with a message when a property does not hold; libFuzzer then keeps the input.
#define FUZZ_CHECK(condition, what)                                                         \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: check failed: %s: %s\n", __FILE__, __LINE__, #condition, \
                   std::string(what).c_str());                                              \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)

namespace orvabridge::fuzz {

class ScriptReader {
 public:
  ScriptReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return at_ >= size_; }
  size_t left() const { return empty() ? 0 : size_ - at_; }

  uint8_t U8() { return empty() ? 0 : data_[at_++]; }
  uint16_t U16() { return static_cast<uint16_t>(U8() | (U8() << 8)); }
  uint32_t U32() { return static_cast<uint32_t>(U16()) | (static_cast<uint32_t>(U16()) << 16); }
  bool Flag() { return (U8() & 1) != 0; }
  // A number below `count` (which must not be 0).
  size_t Below(size_t count) { return count <= 256 ? U8() % count : U32() % count; }

  // The next `count` bytes; fewer when the input ends first.
  std::string_view Take(size_t count) {
    const size_t n = std::min(count, left());
    const std::string_view run(reinterpret_cast<const char*>(data_) + at_, n);
    at_ += n;
    return run;
  }
  // A run of at most 255 bytes with its length in front.
  std::string Text() { return std::string(Take(U8())); }
  std::string_view Rest() { return Take(left()); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

class ScriptWriter {
 public:
  ScriptWriter& U8(uint8_t value) {
    bytes_.push_back(static_cast<char>(value));
    return *this;
  }
  ScriptWriter& U16(uint16_t value) {
    return U8(value & 0xFF).U8(static_cast<uint8_t>(value >> 8));
  }
  ScriptWriter& U32(uint32_t value) {
    return U16(value & 0xFFFF).U16(static_cast<uint16_t>(value >> 16));
  }
  ScriptWriter& Bytes(std::string_view run) {
    bytes_ += run;
    return *this;
  }
  ScriptWriter& Text(std::string_view run) {
    return U8(static_cast<uint8_t>(run.size())).Bytes(run.substr(0, 255));
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Well-formed UTF-8 without surrogates or values beyond U+10FFFF: what a host may be handed.
inline bool IsValidUtf8(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length = 1;
    uint32_t low = 0x80, high = 0xBF;
    if (lead < 0x80) {
      ++at;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (text.size() - at < length) return false;
    for (size_t i = 1; i < length; ++i) {
      const unsigned char c = byte(at + i);
      if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF)) return false;
    }
    at += length;
  }
  return true;
}

// A printable form of bytes for failure messages.
inline std::string Escaped(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof(hex), "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace orvabridge::fuzz
