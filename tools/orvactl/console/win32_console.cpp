// Standard streams on Windows. A console shows UTF-16 (WriteConsoleW); the narrow calls would
// pass the text through the console's code page and lose what it lacks. Redirected output (a
// file, a pipe) receives the UTF-8 bytes unchanged.
#include "platform/win32/windows_include.h"

#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <streambuf>
#include <string_view>

#include "console.h"
#include "platform/win32/text_conversion.h"

namespace orvabridge::orvactl {
namespace {

struct LocalFreeDeleter {
  void operator()(wchar_t** block) const { ::LocalFree(block); }
};

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

// How many bytes at the start of `bytes` end on a whole UTF-8 character: a character cut by the
// end of the buffer waits for the rest of its bytes.
size_t CompleteLength(std::string_view bytes) {
  const size_t size = bytes.size();
  for (size_t back = 1; back <= 3 && back <= size; ++back) {
    const auto c = static_cast<unsigned char>(bytes[size - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const size_t needed = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return needed > back ? size - back : size;
  }
  return size;
}

// A stream buffer over a standard handle (not ours to close: the process owns it).
class StandardHandleBuffer final : public std::streambuf {
 public:
  explicit StandardHandleBuffer(DWORD which)
      : handle_(::GetStdHandle(which)), console_(IsConsole(handle_)) {}
  ~StandardHandleBuffer() override { Flush(); }

  bool console() const { return console_; }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return Flush() ? 0 : traits_type::eof();
    pending_ += traits_type::to_char_type(c);
    if (pending_.size() >= kFlushAt && !Flush()) return traits_type::eof();
    return c;
  }
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    pending_.append(text, static_cast<size_t>(count));
    if (pending_.size() >= kFlushAt && !Flush()) return 0;
    return count;
  }
  int sync() override { return Flush() ? 0 : -1; }

 private:
  static constexpr size_t kFlushAt = 4096;

  bool Flush() {
    if (pending_.empty()) return true;
    const size_t whole = console_ ? CompleteLength(pending_) : pending_.size();
    const bool written = console_ ? WriteToConsole(std::string_view(pending_).substr(0, whole))
                                  : WriteBytes(std::string_view(pending_).substr(0, whole));
    pending_.erase(0, whole);
    return written;
  }

  bool WriteToConsole(std::string_view utf8) {
    std::wstring wide = platform::win32::Utf8ToWide(utf8);
    std::wstring_view rest = wide;
    while (!rest.empty()) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(rest.size(), 8192));
      if (!::WriteConsoleW(handle_, rest.data(), chunk, &written, nullptr) || written == 0) {
        return false;
      }
      rest.remove_prefix(written);
    }
    return true;
  }

  bool WriteBytes(std::string_view bytes) {
    while (!bytes.empty()) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
      if (!::WriteFile(handle_, bytes.data(), chunk, &written, nullptr) || written == 0) {
        return false;
      }
      bytes.remove_prefix(written);
    }
    return true;
  }

  HANDLE handle_;
  bool console_;
  std::string pending_;
};

}  // namespace

std::vector<std::string> ProgramArguments(int, char**) {
  int count = 0;
  const std::unique_ptr<wchar_t*, LocalFreeDeleter> words(
      ::CommandLineToArgvW(::GetCommandLineW(), &count));
  std::vector<std::string> arguments;
  if (!words) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(platform::win32::WideToUtf8(words.get()[i]));
  return arguments;
}

struct StandardStreams::Impl {
  StandardHandleBuffer out_buffer{STD_OUTPUT_HANDLE};
  StandardHandleBuffer err_buffer{STD_ERROR_HANDLE};
  std::ostream out{&out_buffer};
  std::ostream err{&err_buffer};
  // Piped or redirected input read ahead in blocks; lines are taken from the front.
  std::string input;
  bool input_ended = false;
};

StandardStreams::StandardStreams() : impl_(std::make_unique<Impl>()) {
  impl_->err.setf(std::ios::unitbuf);  // error lines appear as they are written
}
StandardStreams::~StandardStreams() = default;

std::ostream& StandardStreams::out() { return impl_->out; }
std::ostream& StandardStreams::err() { return impl_->err; }
bool StandardStreams::ErrIsTerminal() const { return impl_->err_buffer.console(); }

std::optional<std::string> StandardStreams::ReadLine(std::string_view prompt) {
  const HANDLE input_handle = ::GetStdHandle(STD_INPUT_HANDLE);
  // A console is a character device; a pipe or file never is (Wine answers GetConsoleMode for
  // some of them too).
  if (::GetFileType(input_handle) == FILE_TYPE_CHAR && IsConsole(input_handle)) {
    // The console edits the line itself (arrows, F7 for the history) and hands it over in UTF-16.
    impl_->out.flush();
    impl_->err << prompt;
    impl_->err.flush();
    std::wstring line;
    wchar_t buffer[512];
    for (;;) {
      DWORD read = 0;
      if (!::ReadConsoleW(input_handle, buffer, static_cast<DWORD>(std::size(buffer)), &read,
                          nullptr) ||
          read == 0) {
        if (line.empty()) return std::nullopt;
        break;
      }
      line.append(buffer, read);
      if (line.back() == L'\n') break;
    }
    while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
    // Ctrl-Z on a line of its own ends the input, as it does for other console programs.
    if (line == L"\x1A") return std::nullopt;
    return platform::win32::WideToUtf8(line);
  }
  std::string& input = impl_->input;
  size_t end = input.find('\n');
  while (end == std::string::npos && !impl_->input_ended) {
    char block[4096];
    DWORD read = 0;
    if (!::ReadFile(input_handle, block, sizeof block, &read, nullptr) || read == 0) {
      impl_->input_ended = true;
    } else {
      input.append(block, read);
      end = input.find('\n');
    }
  }
  if (end == std::string::npos && input.empty()) return std::nullopt;
  std::string line = input.substr(0, end);  // the whole rest when the last line has no end
  input.erase(0, end == std::string::npos ? input.size() : end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace orvabridge::orvactl
