#include "sim/request_layout.h"

#include "channel/codec.h"
#include "channel/records.h"
#include "sim/record_fields.h"

namespace orvabridge::sim {

std::optional<size_t> RequestRecordSize(uint32_t code) {
  const RecordLayout* layout = RequestLayout(code);
  return layout ? std::optional<size_t>(layout->size) : std::nullopt;
}

std::vector<std::string> SizeViolations(uint32_t code, std::span<const std::byte> bytes) {
  const std::optional<size_t> expected = RequestRecordSize(code);
  if (!expected) return {"not a request code"};
  std::vector<std::string> violations;
  if (bytes.size() != *expected) {
    violations.push_back("byte count " + std::to_string(bytes.size()) + ", expected " +
                         std::to_string(*expected) + " (the record of " + std::to_string(code) +
                         ")");
  }
  // A record that carries a size field must carry its own byte count there.
  if (*expected > 0 && bytes.size() >= channel::kSizeField.end()) {
    const uint32_t size_field = channel::ReadU32(bytes, channel::kSizeField);
    if (size_field != bytes.size()) {
      violations.push_back("size field " + std::to_string(size_field) + ", expected " +
                           std::to_string(bytes.size()) + " (the byte count)");
    }
  }
  return violations;
}

std::string CheckRequestLayout(uint32_t code, std::span<const std::byte> bytes) {
  const std::vector<std::string> violations = SizeViolations(code, bytes);
  return violations.empty() ? std::string()
                            : "command " + std::to_string(code) + ": " + violations[0];
}

std::vector<std::byte> AsFullRecord(uint32_t code, std::span<const std::byte> bytes) {
  std::vector<std::byte> record(RequestRecordSize(code).value_or(bytes.size()));
  channel::CopyPayload(record, bytes);
  return record;
}

}  // namespace orvabridge::sim
