// The layout check of an incoming request: does its byte count, and its own size field, match
// the record of its command code? The simulator records what it finds so that tests of the
// library can see a request that went out with the wrong shape.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvabridge::sim {

// The record size of a request code; 0 for the logout request, which carries no record;
// nullopt for codes that are no request (1002, 1013 and unknown codes).
std::optional<size_t> RequestRecordSize(uint32_t code);

// Every way the request's size disagrees with its code, one phrase each: a code that is no
// request, a byte count other than the record size, a size field other than the byte count.
std::vector<std::string> SizeViolations(uint32_t code, std::span<const std::byte> bytes);

// Empty when the request is well-formed, otherwise a sentence naming the code and the first
// disagreement.
std::string CheckRequestLayout(uint32_t code, std::span<const std::byte> bytes);

// The request as a full record of its code: cut or zero-padded to the record size, so that the
// command handlers can read every field even of a malformed request.
std::vector<std::byte> AsFullRecord(uint32_t code, std::span<const std::byte> bytes);

}  // namespace orvabridge::sim
