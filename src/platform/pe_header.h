// Reading the machine field of a PE file (DLL or program) from the first bytes of the file: the
// DOS header points at the PE signature, which the machine field follows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace orvabridge::platform {

// How many bytes from the start of a file PeMachine needs at most: linkers place the PE header
// within the first few hundred bytes.
inline constexpr size_t kPeHeadBytes = 4096;

// The machine field, or nullopt when `head` is no PE file's start (no "MZ", no "PE\0\0" where the
// DOS header points, or the header lies beyond `head`).
std::optional<uint16_t> PeMachine(std::span<const std::byte> head);

}  // namespace orvabridge::platform
