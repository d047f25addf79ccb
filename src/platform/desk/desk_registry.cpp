// The in-memory registry: two roots, keys and value names compared case-insensitively, values
// queried like RegQueryValueExA. The .reg loader reads REGEDIT4 and version 5.00 texts.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>

#include "platform/desk/desk_services.h"
#include "platform/desk/text_case.h"

namespace orvabridge::platform::desk {
namespace {

constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kRegExpandSz = 2;

struct Value {
  std::string name;
  uint32_t type = 0;
  std::vector<std::byte> data;
};

struct Key {
  std::string name;
  std::map<std::string, std::shared_ptr<Key>> subkeys;  // by lower-case name
  std::map<std::string, Value> values;                  // by lower-case name
  bool deleted = false;
  bool denied = false;
};

// Splits a key path as RegOpenKeyEx reads it: one trailing backslash is ignored; a leading
// backslash or an empty component is an error (nullopt); "" is the root key itself.
std::optional<std::vector<std::string>> SplitPath(std::string_view path) {
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  std::vector<std::string> parts;
  if (path.empty()) return parts;
  size_t start = 0;
  for (;;) {
    const size_t end = path.find('\\', start);
    const std::string_view part = path.substr(start, end - start);
    if (part.empty()) return std::nullopt;
    parts.emplace_back(part);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

std::vector<std::string> SplitOrThrow(std::string_view path) {
  auto parts = SplitPath(path);
  if (!parts)
    throw std::invalid_argument("malformed registry key path \"" + std::string(path) + "\"");
  return *parts;
}

void MarkDeleted(Key& key) {
  key.deleted = true;
  for (auto& [name, sub] : key.subkeys) MarkDeleted(*sub);
}

}  // namespace

struct DeskRegistry::State {
  std::mutex mutex;
  std::shared_ptr<Key> current_user = std::make_shared<Key>();
  std::shared_ptr<Key> local_machine = std::make_shared<Key>();

  std::shared_ptr<Key> Root(RegistryRoot root) const {
    return root == RegistryRoot::kCurrentUser ? current_user : local_machine;
  }
  std::shared_ptr<Key> Find(RegistryRoot root, const std::vector<std::string>& parts) const {
    auto key = Root(root);
    for (const auto& part : parts) {
      auto it = key->subkeys.find(Lower(part));
      if (it == key->subkeys.end()) return nullptr;
      key = it->second;
    }
    return key;
  }
  // Creates missing keys; nullptr when a key that must be created lies below a denied one.
  std::shared_ptr<Key> Make(RegistryRoot root, const std::vector<std::string>& parts,
                            bool respect_denial) {
    auto key = Root(root);
    for (const auto& part : parts) {
      auto it = key->subkeys.find(Lower(part));
      if (it == key->subkeys.end()) {
        if (respect_denial && key->denied) return nullptr;
        auto sub = std::make_shared<Key>();
        sub->name = part;
        it = key->subkeys.emplace(Lower(part), std::move(sub)).first;
      }
      key = it->second;
    }
    return key;
  }
};

namespace {

class DeskKey final : public RegistryKey {
 public:
  DeskKey(std::shared_ptr<DeskRegistry::State> state, std::shared_ptr<Key> key, uint32_t access)
      : state_(std::move(state)), key_(std::move(key)), access_(access) {}

  RegStatus QueryValue(std::string_view name, uint32_t& type, std::byte* data,
                       uint32_t& length) override {
    std::lock_guard lock(state_->mutex);
    if (key_->deleted) return RegStatus::kOtherError;  // ERROR_KEY_DELETED
    if (!(access_ & kKeyQueryValue)) return RegStatus::kAccessDenied;
    auto it = key_->values.find(Lower(name));
    if (it == key_->values.end()) return RegStatus::kNotFound;
    const Value& value = it->second;
    const auto size = static_cast<uint32_t>(value.data.size());
    type = value.type;
    if (data == nullptr) {
      length = size;
      return RegStatus::kOk;
    }
    if (length < size) {
      length = size;
      return RegStatus::kMoreData;
    }
    if (size > 0) std::memcpy(data, value.data.data(), size);
    length = size;
    return RegStatus::kOk;
  }

  RegStatus SetValue(std::string_view name, uint32_t type,
                     std::span<const std::byte> data) override {
    std::lock_guard lock(state_->mutex);
    if (key_->deleted) return RegStatus::kOtherError;
    if (!(access_ & kKeySetValue)) return RegStatus::kAccessDenied;
    Value& value = key_->values[Lower(name)];
    value.name = std::string(name);
    value.type = type;
    value.data.assign(data.begin(), data.end());
    return RegStatus::kOk;
  }

 private:
  std::shared_ptr<DeskRegistry::State> state_;
  std::shared_ptr<Key> key_;
  uint32_t access_;
};

}  // namespace

DeskRegistry::DeskRegistry() : state_(std::make_shared<State>()) {}
DeskRegistry::~DeskRegistry() = default;

std::unique_ptr<RegistryKey> DeskRegistry::OpenKey(RegistryRoot root, std::string_view path,
                                                   uint32_t access) {
  auto parts = SplitPath(path);
  if (!parts) return nullptr;
  std::lock_guard lock(state_->mutex);
  auto key = state_->Find(root, *parts);
  if (!key || key->denied) return nullptr;
  return std::make_unique<DeskKey>(state_, std::move(key), access);
}

std::unique_ptr<RegistryKey> DeskRegistry::CreateKey(RegistryRoot root, std::string_view path,
                                                     std::string_view /*class_name*/,
                                                     uint32_t access) {
  auto parts = SplitPath(path);
  if (!parts) return nullptr;
  std::lock_guard lock(state_->mutex);
  auto key = state_->Make(root, *parts, true);
  if (!key || key->denied) return nullptr;
  return std::make_unique<DeskKey>(state_, std::move(key), access);
}

void DeskRegistry::Set(RegistryRoot root, std::string_view path, std::string_view name,
                       uint32_t type, std::span<const std::byte> data) {
  const auto parts = SplitOrThrow(path);
  std::lock_guard lock(state_->mutex);
  auto key = state_->Make(root, parts, false);
  Value& value = key->values[Lower(name)];
  value.name = std::string(name);
  value.type = type;
  value.data.assign(data.begin(), data.end());
}

std::optional<std::vector<std::byte>> DeskRegistry::Get(RegistryRoot root, std::string_view path,
                                                        std::string_view name,
                                                        uint32_t* type) const {
  const auto parts = SplitPath(path);
  if (!parts) return std::nullopt;
  std::lock_guard lock(state_->mutex);
  auto key = state_->Find(root, *parts);
  if (!key) return std::nullopt;
  auto it = key->values.find(Lower(name));
  if (it == key->values.end()) return std::nullopt;
  if (type) *type = it->second.type;
  return it->second.data;
}

bool DeskRegistry::KeyExists(RegistryRoot root, std::string_view path) const {
  const auto parts = SplitPath(path);
  if (!parts) return false;
  std::lock_guard lock(state_->mutex);
  return state_->Find(root, *parts) != nullptr;
}

void DeskRegistry::DeleteKey(RegistryRoot root, std::string_view path) {
  const auto parts = SplitOrThrow(path);
  if (parts.empty()) throw std::invalid_argument("a registry root cannot be deleted");
  std::lock_guard lock(state_->mutex);
  auto parent = state_->Find(root, std::vector<std::string>(parts.begin(), parts.end() - 1));
  if (!parent) return;
  auto it = parent->subkeys.find(Lower(parts.back()));
  if (it == parent->subkeys.end()) return;
  MarkDeleted(*it->second);  // open handles now fail, as with ERROR_KEY_DELETED
  parent->subkeys.erase(it);
}

void DeskRegistry::DeleteValue(RegistryRoot root, std::string_view path, std::string_view name) {
  const auto parts = SplitOrThrow(path);
  std::lock_guard lock(state_->mutex);
  if (auto key = state_->Find(root, parts)) key->values.erase(Lower(name));
}

void DeskRegistry::Deny(RegistryRoot root, std::string_view path, bool denied) {
  const auto parts = SplitOrThrow(path);
  std::lock_guard lock(state_->mutex);
  state_->Make(root, parts, false)->denied = denied;
}

// ---- the .reg loader ----

namespace {

[[noreturn]] void Malformed(size_t line, const std::string& why) {
  throw std::invalid_argument(".reg text, line " + std::to_string(line) + ": " + why);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && Lower(s.substr(0, prefix.size())) == Lower(prefix);
}

// Whether the line ends inside a quoted string (regedit's escapes: \\ and \").
bool EndsInsideQuotes(std::string_view s) {
  bool inside = false;
  for (size_t i = 0; i < s.size(); ++i) {
    if (inside && s[i] == '\\' && i + 1 < s.size()) {
      ++i;
    } else if (s[i] == '"') {
      inside = !inside;
    }
  }
  return inside;
}

// Reads a quoted string starting at s[pos] == '"'; returns the text and moves pos past it.
std::string ReadQuoted(std::string_view s, size_t& pos, size_t line) {
  std::string out;
  ++pos;
  while (pos < s.size()) {
    const char c = s[pos];
    if (c == '\\' && pos + 1 < s.size() && (s[pos + 1] == '\\' || s[pos + 1] == '"')) {
      out += s[pos + 1];
      pos += 2;
    } else if (c == '"') {
      ++pos;
      return out;
    } else {
      out += c;
      ++pos;
    }
  }
  Malformed(line, "unterminated quoted string");
}

std::vector<std::byte> ReadHexList(std::string_view s, size_t line) {
  std::vector<std::byte> bytes;
  size_t pos = 0;
  while (pos < s.size()) {
    const std::string_view item = Trim(s.substr(pos, s.find(',', pos) - pos));
    const size_t comma = s.find(',', pos);
    if (!item.empty()) {
      if (item.size() > 2 || !std::isxdigit(static_cast<unsigned char>(item[0])) ||
          (item.size() == 2 && !std::isxdigit(static_cast<unsigned char>(item[1])))) {
        Malformed(line, "bad hex byte \"" + std::string(item) + "\"");
      }
      bytes.push_back(static_cast<std::byte>(std::stoul(std::string(item), nullptr, 16)));
    } else if (comma != std::string_view::npos) {
      Malformed(line, "empty hex byte");
    }
    if (comma == std::string_view::npos) break;
    pos = comma + 1;
  }
  return bytes;
}

std::vector<std::byte> Bytes(std::string_view text) {
  std::vector<std::byte> out(text.size());
  if (!text.empty()) std::memcpy(out.data(), text.data(), text.size());
  return out;
}

}  // namespace

void DeskRegistry::LoadText(std::string_view text, CodePage& to_ansi) {
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  // Physical lines.
  std::vector<std::string_view> lines;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  size_t index = 0;
  auto next_nonblank = [&]() -> std::optional<size_t> {
    while (index < lines.size() && Trim(lines[index]).empty()) ++index;
    if (index == lines.size()) return std::nullopt;
    return index++;
  };
  const auto header_at = next_nonblank();
  if (!header_at) Malformed(1, "empty text, no REGEDIT4 or version 5.00 header");
  const std::string_view header = Trim(lines[*header_at]);
  bool version5;
  if (header == "REGEDIT4") {
    version5 = false;
  } else if (header == "Windows Registry Editor Version 5.00") {
    version5 = true;
  } else {
    Malformed(*header_at + 1, "expected REGEDIT4 or \"Windows Registry Editor Version 5.00\"");
  }

  std::optional<std::pair<RegistryRoot, std::string>> current;
  while (index < lines.size()) {
    const size_t line_number = index + 1;
    std::string logical(Trim(lines[index++]));
    // Continuations: a trailing backslash outside quotes joins the next line.
    while (!logical.empty() && logical.back() == '\\' && !EndsInsideQuotes(logical) &&
           logical.front() != '[' && index < lines.size()) {
      logical.pop_back();
      logical += Trim(lines[index++]);
    }
    const std::string_view line = logical;
    if (line.empty() || line.front() == ';') continue;

    if (line.front() == '[') {
      if (line.back() != ']') Malformed(line_number, "section without closing ]");
      std::string_view inner = line.substr(1, line.size() - 2);
      const bool remove = !inner.empty() && inner.front() == '-';
      if (remove) inner.remove_prefix(1);
      const size_t slash = inner.find('\\');
      const std::string_view root_name = inner.substr(0, slash);
      const std::string_view path =
          slash == std::string_view::npos ? std::string_view() : inner.substr(slash + 1);
      RegistryRoot root;
      if (Lower(root_name) == "hkey_local_machine" || Lower(root_name) == "hklm") {
        root = RegistryRoot::kLocalMachine;
      } else if (Lower(root_name) == "hkey_current_user" || Lower(root_name) == "hkcu") {
        root = RegistryRoot::kCurrentUser;
      } else {
        Malformed(line_number, "unsupported root \"" + std::string(root_name) + "\"");
      }
      const auto parts = SplitPath(path);
      if (!parts) Malformed(line_number, "malformed key path");
      if (remove) {
        // "[-HKLM]", "[-HKLM\]" and "[-HKLM\\]" all name the root itself.
        if (parts->empty()) Malformed(line_number, "a registry root cannot be deleted");
        DeleteKey(root, path);
        current.reset();
      } else {
        std::lock_guard lock(state_->mutex);
        state_->Make(root, *parts, false);
        current.emplace(root, std::string(path));
      }
      continue;
    }

    if (!current) Malformed(line_number, "value outside a key section");
    size_t pos = 0;
    std::string name;
    if (line.front() == '@') {
      pos = 1;
    } else if (line.front() == '"') {
      name = ReadQuoted(line, pos, line_number);
    } else {
      Malformed(line_number, "expected \"name\"= or @=");
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') Malformed(line_number, "expected =");
    const std::string_view data = Trim(line.substr(pos + 1));
    const auto& [root, path] = *current;

    if (data == "-") {
      DeleteValue(root, path, name);
    } else if (!data.empty() && data.front() == '"') {
      size_t at = 0;
      const std::string utf8 = ReadQuoted(data, at, line_number);
      const std::string_view rest = Trim(data.substr(at));
      if (!rest.empty() && rest.front() != ';') Malformed(line_number, "text after the string");
      std::string ansi = to_ansi.ToAnsi(utf8);
      ansi += '\0';
      Set(root, path, name, kRegSz, Bytes(ansi));
    } else if (StartsWithNoCase(data, "dword:")) {
      const std::string digits(Trim(data.substr(6)));
      if (digits.empty() || digits.size() > 8 ||
          !std::all_of(digits.begin(), digits.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
        Malformed(line_number, "bad dword \"" + digits + "\"");
      }
      const auto number = static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
      std::vector<std::byte> bytes(4);
      for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::byte>((number >> (8 * i)) & 0xFF);
      Set(root, path, name, kRegDword, bytes);
    } else if (StartsWithNoCase(data, "hex:")) {
      Set(root, path, name, kRegBinary, ReadHexList(data.substr(4), line_number));
    } else if (StartsWithNoCase(data, "hex(")) {
      const size_t close = data.find("):");
      if (close == std::string_view::npos) Malformed(line_number, "bad hex(type): prefix");
      const std::string type_digits(data.substr(4, close - 4));
      if (type_digits.empty() || type_digits.size() > 8 ||
          !std::all_of(type_digits.begin(), type_digits.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
        Malformed(line_number, "bad value type \"" + type_digits + "\"");
      }
      const auto type = static_cast<uint32_t>(std::stoul(type_digits, nullptr, 16));
      auto bytes = ReadHexList(data.substr(close + 2), line_number);
      const bool text_type = type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
      if (version5 && text_type && bytes.size() % 2 == 0) {
        // Version 5 files hold these as UTF-16LE; the registry here holds ANSI.
        const std::string utf8 = Utf16LeToUtf8(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        bytes = Bytes(to_ansi.ToAnsi(utf8));
      }
      Set(root, path, name, type, bytes);
    } else {
      Malformed(line_number, "unsupported value data \"" + std::string(data) + "\"");
    }
  }
}

}  // namespace orvabridge::platform::desk
