#include "environment/registry_text.h"

#include <algorithm>
#include <vector>

namespace orvabridge::environment {

std::optional<std::string> QueryAnsiText(platform::RegistryKey& key, std::string_view name,
                                         uint32_t capacity,
                                         std::initializer_list<uint32_t> accepted) {
  std::vector<std::byte> buffer(capacity);
  uint32_t type = 0;
  uint32_t length = capacity;
  if (key.QueryValue(name, type, buffer.data(), length) != platform::RegStatus::kOk) {
    return std::nullopt;
  }
  if (std::find(accepted.begin(), accepted.end(), type) == accepted.end()) return std::nullopt;

  // The reported length is trusted only as far as the buffer goes.
  size_t size = std::min<size_t>(length, buffer.size());
  if (size > 0 && buffer[size - 1] == std::byte{0}) --size;
  return std::string(reinterpret_cast<const char*>(buffer.data()), size);
}

std::optional<std::string> QueryAnsiTextAnySize(platform::RegistryKey& key, std::string_view name,
                                                uint32_t minimum_capacity,
                                                std::initializer_list<uint32_t> accepted) {
  uint32_t type = 0;
  uint32_t length = minimum_capacity;
  const platform::RegStatus status = key.QueryValue(name, type, nullptr, length);
  const bool size_known =
      status == platform::RegStatus::kOk || status == platform::RegStatus::kMoreData;
  const uint32_t capacity = size_known ? std::max(minimum_capacity, length) : minimum_capacity;
  return QueryAnsiText(key, name, capacity, accepted);
}

std::string AnsiToUtf8(platform::CodePage& code_page, std::string_view ansi) {
  std::string utf8;
  size_t start = 0;
  while (true) {
    const size_t zero = ansi.find('\0', start);
    const std::string_view piece =
        ansi.substr(start, zero == std::string_view::npos ? std::string_view::npos : zero - start);
    if (!piece.empty()) utf8 += code_page.FromAnsi(piece);
    if (zero == std::string_view::npos) break;
    utf8 += '\0';
    start = zero + 1;
  }
  return utf8;
}

}  // namespace orvabridge::environment
