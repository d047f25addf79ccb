#include "environment/flight_recorder.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace orvabridge::environment {
namespace {

// A REG_DWORD below the package's key; nullopt when it is missing, unreadable or of another type.
std::optional<uint32_t> ReadPackageNumber(platform::Registry& registry, std::string_view name) {
  try {
    auto key =
        registry.OpenKey(platform::RegistryRoot::kLocalMachine, kPackageKey, platform::kKeyRead);
    if (!key) return std::nullopt;
    uint32_t type = 0;
    std::array<std::byte, 4> data{};
    uint32_t length = data.size();
    if (key->QueryValue(name, type, data.data(), length) != platform::RegStatus::kOk ||
        type != platform::kRegDword || length != data.size()) {
      return std::nullopt;
    }
    uint32_t value = 0;
    std::memcpy(&value, data.data(), sizeof value);  // little-endian, as Windows stores it
    return value;
  } catch (...) {
    return std::nullopt;  // a setting that cannot be read is not set
  }
}

// The environment wins ("1" on, anything else off), then the registry (1 on).
bool ReadSwitch(platform::Registry& registry, platform::SystemServices& system,
                const char* variable, const char* value_name, std::string& from) {
  if (auto text = system.Environment(variable)) {
    from = "environment";
    return *text == "1";
  }
  if (auto number = ReadPackageNumber(registry, value_name)) {
    from = "registry";
    return *number == 1;
  }
  from = "not set";
  return false;
}

}  // namespace

RecorderSettings ReadRecorderSettings(platform::Registry& registry,
                                      platform::SystemServices& system) {
  RecorderSettings settings;
  settings.incident_files = ReadSwitch(registry, system, kFlightRecorderVariable,
                                       kFlightRecorderValue, settings.incident_files_from);
  settings.values = ReadSwitch(registry, system, kRecorderValuesVariable, kRecorderValuesValue,
                               settings.values_from);
  return settings;
}

void FlightEvent::SetText(std::string_view value) {
  size_t size = std::min(value.size(), text.size() - 1);
  // Cut on a character boundary: never inside a UTF-8 sequence.
  if (size < value.size()) {
    while (size > 0 && (static_cast<unsigned char>(value[size]) & 0xC0) == 0x80) --size;
  }
  std::memcpy(text.data(), value.data(), size);
  text[size] = '\0';
}

std::string_view FlightEvent::Text() const { return std::string_view(text.data()); }

FlightRecorder& FlightRecorder::Process() {
  // Never destroyed: hosts may still call from other threads while the process ends.
  static FlightRecorder* const recorder = new FlightRecorder;
  return *recorder;
}

void FlightRecorder::Record(FlightEvent event) {
  if (!enabled()) return;
  std::lock_guard lock(mutex_);
  event.sequence = next_sequence_++;
  ring_[event.sequence % kCapacity] = event;
}

std::vector<FlightEvent> FlightRecorder::Snapshot() const {
  std::lock_guard lock(mutex_);
  std::vector<FlightEvent> events;
  events.reserve(kCapacity);
  const uint64_t first = next_sequence_ > kCapacity ? next_sequence_ - kCapacity : 1;
  for (uint64_t sequence = first; sequence < next_sequence_; ++sequence) {
    events.push_back(ring_[sequence % kCapacity]);
  }
  return events;
}

void FlightRecorder::Clear() {
  std::lock_guard lock(mutex_);
  ring_ = {};
  next_sequence_ = 1;
}

int32_t CharacterCount(std::string_view text) {
  return static_cast<int32_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

}  // namespace orvabridge::environment
