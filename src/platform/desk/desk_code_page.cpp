// The ANSI code page through iconv. Never throws on text: characters the code page cannot hold
// and invalid input bytes become '?'.
#include <cctype>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/desk/desk_services.h"

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

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 character at `text[pos]`. Returns its length and sets `cp`; for an invalid
// sequence returns the length of its maximal invalid part (at least 1) and sets `valid` false.
size_t DecodeUtf8(std::string_view text, size_t pos, uint32_t& cp, bool& valid) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  valid = false;
  if (lead < 0x80) {
    cp = lead;
    valid = true;
    return 1;
  }
  size_t need;
  uint32_t value;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // no overlongs
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 1;
  }
  size_t i = 1;
  for (; i <= need; ++i) {
    if (pos + i >= text.size()) return i;
    const unsigned char c = byte(pos + i);
    const unsigned char lo = (i == 1) ? low : 0x80;
    const unsigned char hi = (i == 1) ? high : 0xBF;
    if (c < lo || c > hi) return i;
    value = (value << 6) | (c & 0x3F);
  }
  cp = value;
  valid = true;
  return need + 1;
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

// A UTF-8 code page is read with the strict decoder above: iconv's own UTF-8 reader takes the old
// five- and six-byte forms and values beyond U+10FFFF, which are no characters. As with every
// other code page, each byte that starts no character becomes '?'.
std::string FromStrictUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    uint32_t cp = 0;
    bool valid = false;
    const size_t length = DecodeUtf8(text, pos, cp, valid);
    if (valid) {
      out += text.substr(pos, length);
      pos += length;
    } else {
      out += '?';
      ++pos;
    }
  }
  return out;
}

}  // namespace

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  const auto unit = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
  };
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    const uint32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
      const uint32_t next = unit(i + 2);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) {
      out += '?';
    } else {
      AppendUtf8(out, u);
    }
  }
  if (i < bytes.size()) out += '?';
  return out;
}

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

std::string DeskCodePage::ToAnsi(std::string_view utf8) {
  std::lock_guard lock(mutex_);
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    uint32_t cp = 0;
    bool valid = false;
    const size_t length = DecodeUtf8(utf8, pos, cp, valid);
    const std::string_view character = utf8.substr(pos, length);
    pos += length;
    if (!valid) {
      out += '?';
    } else if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (windows_1252_ && IsWindows1252Hole(cp)) {
      out += static_cast<char>(cp);
    } else if (!Convert(to_ansi_, character, out)) {
      out += '?';
    }
  }
  return out;
}

std::string DeskCodePage::FromAnsi(std::string_view ansi) {
  std::lock_guard lock(mutex_);
  if (IsUtf8Name(name_)) return FromStrictUtf8(ansi);
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
      AppendUtf8(out, bad);
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
