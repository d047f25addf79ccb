// Helpers for checking the requests an operation sent: expected records built from literal
// offsets (so a wrong layout cannot check itself), and byte-exact comparison.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "orvabridge/appl.h"
#include "support/scripted_peer.h"

namespace orvabridge::testing {

// A record of `size` bytes over a background byte; fields are written at literal offsets.
class ExpectedRecord {
 public:
  explicit ExpectedRecord(size_t size, std::byte background = std::byte{0})
      : bytes_(size, background) {}

  // Writes `text` (ASCII) and zero-fills the rest of the field.
  ExpectedRecord& Text(size_t offset, size_t width, std::string_view text) {
    for (size_t i = 0; i < width; ++i) {
      bytes_.at(offset + i) = i < text.size() ? static_cast<std::byte>(text[i]) : std::byte{0};
    }
    return *this;
  }
  ExpectedRecord& I32(size_t offset, int32_t value) {
    const auto u = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i) bytes_.at(offset + i) = static_cast<std::byte>(u >> (8 * i));
    return *this;
  }
  const std::vector<std::byte>& bytes() const { return bytes_; }

 private:
  std::vector<std::byte> bytes_;
};

// Equal sizes and bytes; names the first byte that differs.
inline ::testing::AssertionResult SameBytes(const std::vector<std::byte>& actual,
                                            const std::vector<std::byte>& expected) {
  if (actual.size() != expected.size()) {
    return ::testing::AssertionFailure()
           << "size " << actual.size() << ", expected " << expected.size();
  }
  for (size_t i = 0; i < actual.size(); ++i) {
    if (actual[i] != expected[i]) {
      return ::testing::AssertionFailure() << "byte " << i << " is " << static_cast<int>(actual[i])
                                           << ", expected " << static_cast<int>(expected[i]);
    }
  }
  return ::testing::AssertionSuccess();
}

inline std::vector<ScriptedPeer::Request> RequestsWith(const ScriptedPeer& peer, uint32_t code) {
  std::vector<ScriptedPeer::Request> found;
  for (const auto& request : peer.requests()) {
    if (request.code == code) found.push_back(request);
  }
  return found;
}

// Attaches `appl` to whatever scripted peer answers, without launching anything.
inline void Attach(Appl& appl) {
  std::string name, version = "NoLaunch";
  ASSERT_EQ(appl.InitApplication(name, version), 1);
}

}  // namespace orvabridge::testing
