#include "platform/desk/reg_text.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>

#include "platform/desk/key_path.h"
#include "platform/desk/text_case.h"
#include "platform/utf8.h"

namespace orvabridge::platform::desk {
namespace {

constexpr uint32_t kRegExpandSz = 2;

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

bool AllHexDigits(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
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
      if (item.size() > 2 || !AllHexDigits(item)) {
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

// A section line's inside, "[" and "]" taken off: the step it makes.
RegTextEntry ReadSection(std::string_view inner, size_t line) {
  RegTextEntry entry;
  const bool remove = !inner.empty() && inner.front() == '-';
  if (remove) inner.remove_prefix(1);
  const size_t slash = inner.find('\\');
  const std::string_view root_name = inner.substr(0, slash);
  const std::string_view path =
      slash == std::string_view::npos ? std::string_view() : inner.substr(slash + 1);
  if (Lower(root_name) == "hkey_local_machine" || Lower(root_name) == "hklm") {
    entry.root = RegistryRoot::kLocalMachine;
  } else if (Lower(root_name) == "hkey_current_user" || Lower(root_name) == "hkcu") {
    entry.root = RegistryRoot::kCurrentUser;
  } else {
    Malformed(line, "unsupported root \"" + std::string(root_name) + "\"");
  }
  const auto parts = SplitKeyPath(path);
  if (!parts) Malformed(line, "malformed key path");
  // "[-HKLM]", "[-HKLM\]" and "[-HKLM\\]" all name the root itself.
  if (remove && parts->empty()) Malformed(line, "a registry root cannot be deleted");
  entry.kind = remove ? RegTextEntry::Kind::kDeleteKey : RegTextEntry::Kind::kKey;
  entry.path = std::string(path);
  return entry;
}

// A value line's data, after the "=": the value it sets (kind, type and data of `entry`).
void ReadValueData(std::string_view data, bool version5, size_t line, RegTextEntry& entry) {
  entry.kind = RegTextEntry::Kind::kSetValue;
  if (data == "-") {
    entry.kind = RegTextEntry::Kind::kDeleteValue;
  } else if (!data.empty() && data.front() == '"') {
    size_t at = 0;
    const std::string utf8 = ReadQuoted(data, at, line);
    const std::string_view rest = Trim(data.substr(at));
    if (!rest.empty() && rest.front() != ';') Malformed(line, "text after the string");
    entry.type = kRegSz;
    entry.data = Bytes(utf8);
    entry.data.push_back(std::byte{0});  // stored with its terminator
    entry.utf8_text = true;
  } else if (StartsWithNoCase(data, "dword:")) {
    const std::string digits(Trim(data.substr(6)));
    if (digits.empty() || digits.size() > 8 || !AllHexDigits(digits)) {
      Malformed(line, "bad dword \"" + digits + "\"");
    }
    const auto number = static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
    entry.type = kRegDword;
    entry.data.resize(4);
    for (int i = 0; i < 4; ++i) entry.data[i] = static_cast<std::byte>((number >> (8 * i)) & 0xFF);
  } else if (StartsWithNoCase(data, "hex:")) {
    entry.type = kRegBinary;
    entry.data = ReadHexList(data.substr(4), line);
  } else if (StartsWithNoCase(data, "hex(")) {
    const size_t close = data.find("):");
    if (close == std::string_view::npos) Malformed(line, "bad hex(type): prefix");
    const std::string type_digits(data.substr(4, close - 4));
    if (type_digits.empty() || type_digits.size() > 8 || !AllHexDigits(type_digits)) {
      Malformed(line, "bad value type \"" + type_digits + "\"");
    }
    entry.type = static_cast<uint32_t>(std::stoul(type_digits, nullptr, 16));
    entry.data = ReadHexList(data.substr(close + 2), line);
    const bool text_type =
        entry.type == kRegSz || entry.type == kRegExpandSz || entry.type == kRegMultiSz;
    if (version5 && text_type && entry.data.size() % 2 == 0) {
      // Version 5 files hold these as UTF-16LE; the registry holds them in its ANSI code page.
      entry.data = Bytes(Utf16LeToUtf8(
          std::string_view(reinterpret_cast<const char*>(entry.data.data()), entry.data.size())));
      entry.utf8_text = true;
    }
  } else {
    Malformed(line, "unsupported value data \"" + std::string(data) + "\"");
  }
}

}  // namespace

void ReadRegText(std::string_view text, const std::function<void(const RegTextEntry&)>& apply) {
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
  while (index < lines.size() && Trim(lines[index]).empty()) ++index;
  if (index == lines.size()) Malformed(1, "empty text, no REGEDIT4 or version 5.00 header");
  const std::string_view header = Trim(lines[index++]);
  bool version5 = false;
  if (header == "REGEDIT4") {
    version5 = false;
  } else if (header == "Windows Registry Editor Version 5.00") {
    version5 = true;
  } else {
    Malformed(index, "expected REGEDIT4 or \"Windows Registry Editor Version 5.00\"");
  }

  // The key of the section the values belong to; none before the first section and after a
  // deletion.
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
      const RegTextEntry section = ReadSection(line.substr(1, line.size() - 2), line_number);
      if (section.kind == RegTextEntry::Kind::kDeleteKey) {
        current.reset();
      } else {
        current.emplace(section.root, section.path);
      }
      apply(section);
      continue;
    }

    if (!current) Malformed(line_number, "value outside a key section");
    RegTextEntry value;
    value.root = current->first;
    value.path = current->second;
    size_t pos = 0;
    if (line.front() == '@') {
      pos = 1;
    } else if (line.front() == '"') {
      value.name = ReadQuoted(line, pos, line_number);
    } else {
      Malformed(line_number, "expected \"name\"= or @=");
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') Malformed(line_number, "expected =");
    ReadValueData(Trim(line.substr(pos + 1)), version5, line_number, value);
    apply(value);
  }
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  std::string out = utf8::FromUtf16(units, U'?');
  if (bytes.size() % 2 != 0) out += '?';
  return out;
}

}  // namespace orvabridge::platform::desk
