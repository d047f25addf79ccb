// The ANSI code page through iconv. Never throws on text: characters the code page cannot hold
// and invalid input bytes become '?'.
#include <cctype>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/desk/desk_services.h"
#include "platform/utf8.h"

namespace orvabridge::platform::desk {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Windows' code page 1252 maps its five undefined bytes to the C1 controls of the same number.
bool IsWindows1252Hole(uint32_t value) {
  return value == 0x81 || value == 0x8D || value == 0x8F || value == 0x90 || value == 0x9D;
}

bool IsWindows1252Name(const std::string& name) {
  std::string upper;
  for (char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper == "WINDOWS-1252" || upper == "CP1252" || upper == "MS-ANSI";
}

// iconv's names of UTF-8: "UTF-8", "utf8", "ISO-10646/UTF8/", ...
bool IsUtf8Name(const std::string& name) {
  std::string letters;
  for (char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      letters += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  return letters == "UTF8" || letters == "ISO10646UTF8";
}

// Ends a conversion through `cd`: appends what the converter still holds back and returns it to
// its initial state. CP1255 and CP1258 keep a base letter back until they know whether a
// combining mark follows it; only the end of the input releases the last one.
void Drain(iconv_t cd, std::string& out) {
  char buffer[64];
  char* dst = buffer;
  size_t dst_left = sizeof(buffer);
  iconv(cd, nullptr, nullptr, &dst, &dst_left);
  out.append(buffer, static_cast<size_t>(dst - buffer));
}

// One conversion through `cd`. Returns false when iconv refused the input.
bool Convert(iconv_t cd, std::string_view in, std::string& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char buffer[64];
  auto* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  std::string result;
  while (src_left > 0) {
    char* dst = buffer;
    size_t dst_left = sizeof(buffer);
    const size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
    result.append(buffer, static_cast<size_t>(dst - buffer));
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) return false;
  }
  Drain(cd, result);
  out += result;
  return true;
}

}  // namespace

DeskCodePage::DeskCodePage() { SetName("WINDOWS-1252"); }

DeskCodePage::~DeskCodePage() {
  std::lock_guard lock(mutex_);
  CloseLocked();
}

void DeskCodePage::CloseLocked() {
  if (to_ansi_ != kNoConverter) iconv_close(to_ansi_);
  if (from_ansi_ != kNoConverter) iconv_close(from_ansi_);
  to_ansi_ = from_ansi_ = kNoConverter;
}

void DeskCodePage::SetName(std::string iconv_name) {
  iconv_t to = iconv_open(iconv_name.c_str(), "UTF-8");
  if (to == kNoConverter) {
    throw std::invalid_argument("iconv knows no code page named \"" + iconv_name + "\"");
  }
  iconv_t from = iconv_open("UTF-8", iconv_name.c_str());
  if (from == kNoConverter) {
    iconv_close(to);
    throw std::invalid_argument("iconv knows no code page named \"" + iconv_name + "\"");
  }
  std::lock_guard lock(mutex_);
  CloseLocked();
  to_ansi_ = to;
  from_ansi_ = from;
  windows_1252_ = IsWindows1252Name(iconv_name);
  name_ = std::move(iconv_name);
}

std::string DeskCodePage::ToAnsi(std::string_view utf8_text) {
  std::lock_guard lock(mutex_);
  std::string out;
  out.reserve(utf8_text.size());
  size_t pos = 0;
  while (pos < utf8_text.size()) {
    const utf8::Decoded decoded = utf8::Decode(utf8_text, pos);
    if (!decoded.valid) {
      // A character cut short is one character lost, however many of its bytes arrived: it
      // becomes one '?'. Any other bad byte becomes a '?' of its own.
      out += '?';
      pos += decoded.prefix;
      continue;
    }
    const std::string_view character = utf8_text.substr(pos, decoded.length);
    const char32_t cp = decoded.code_point;
    pos += decoded.length;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (windows_1252_ && IsWindows1252Hole(cp)) {
      out += static_cast<char>(cp);
    } else if (!Convert(to_ansi_, character, out)) {
      out += '?';
    }
  }
  return out;
}

std::string DeskCodePage::Name() {
  std::lock_guard lock(mutex_);
  for (std::string_view prefix : {"WINDOWS-", "CP"}) {
    if (name_.size() <= prefix.size()) continue;
    std::string_view rest = std::string_view(name_).substr(prefix.size());
    bool same_prefix = true;
    for (size_t i = 0; i < prefix.size(); ++i) {
      same_prefix = same_prefix && std::toupper(static_cast<unsigned char>(name_[i])) == prefix[i];
    }
    bool digits = true;
    for (char c : rest) digits = digits && std::isdigit(static_cast<unsigned char>(c));
    if (same_prefix && digits) return std::string(rest);
  }
  return name_;
}

std::string DeskCodePage::FromAnsi(std::string_view ansi) {
  std::lock_guard lock(mutex_);
  // iconv's own UTF-8 reader takes the old five- and six-byte forms and values beyond U+10FFFF,
  // which are no characters; the strict decoder reads a UTF-8 code page instead. As with every
  // other code page, each byte that starts no character becomes '?'.
  if (IsUtf8Name(name_)) return utf8::Repair(ansi, '?');
  std::string out;
  out.reserve(ansi.size());
  iconv(from_ansi_, nullptr, nullptr, nullptr, nullptr);
  auto* src = const_cast<char*>(ansi.data());
  size_t src_left = ansi.size();
  char buffer[256];
  while (src_left > 0) {
    char* dst = buffer;
    size_t dst_left = sizeof(buffer);
    const size_t rc = iconv(from_ansi_, &src, &src_left, &dst, &dst_left);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (rc != static_cast<size_t>(-1) || errno == E2BIG) continue;
    // EILSEQ or EINVAL: the byte at `src` has no character. A letter held back before it comes
    // first.
    Drain(from_ansi_, out);
    const auto bad = static_cast<unsigned char>(*src);
    if (windows_1252_ && IsWindows1252Hole(bad)) {
      utf8::Append(out, bad);
    } else {
      out += '?';
    }
    ++src;
    --src_left;
  }
  Drain(from_ansi_, out);
  return out;
}

}  // namespace orvabridge::platform::desk
