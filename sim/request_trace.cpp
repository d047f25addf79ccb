#include "sim/request_trace.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "channel/records.h"
#include "sim/record_fields.h"
#include "sim/request_layout.h"

namespace orvabridge::sim {

namespace {

constexpr std::string_view kIndent = "    ";
// Bytes shown of a record whose code has no layout.
constexpr size_t kUnknownBytesShown = 32;

std::string Hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

std::string Window(platform::WindowHandle window) { return "window " + Hex32(window.value); }

// "1003 FindPatient", "1500 Generic (SessionInfo)", "4242 (unknown code)".
std::string CodeAndName(uint32_t code, std::span<const std::byte> bytes) {
  std::string text = std::to_string(code);
  const std::string_view name = CommandName(code);
  if (name.empty()) return text + " (unknown code)";
  text += ' ';
  text += name;
  if (code == channel::command::kGeneric && bytes.size() >= channel::generic::kSubCommand.end()) {
    const int32_t sub_command = channel::ReadI32(bytes, channel::generic::kSubCommand);
    const std::string_view sub_name = GenericSubCommandName(sub_command);
    text +=
        " (" +
        (sub_name.empty() ? "sub-command " + std::to_string(sub_command) : std::string(sub_name)) +
        ")";
  }
  return text;
}

// A text in quotes; control characters as \xNN so that every block stays one field a line.
std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      quoted += escape;
    } else if (c == '"') {
      quoted += "\\\"";
    } else {
      quoted += c;
    }
  }
  return quoted + '"';
}

std::string Number(double value) {
  char text[32];
  const auto result = std::to_chars(std::begin(text), std::end(text), value);
  return std::string(text, result.ptr);
}

std::string ValueOf(const channel::FieldCodec& codec, std::span<const std::byte> record,
                    const NamedField& named) {
  switch (named.kind) {
    case FieldKind::kText:
      return Quoted(codec.ReadText(record, named.field));
    case FieldKind::kInt32:
      return std::to_string(channel::ReadI32(record, named.field));
    case FieldKind::kWindow:
      return Hex32(channel::ReadU32(record, named.field));
    case FieldKind::kInt16:
      return std::to_string(channel::ReadI16(record, named.field));
    case FieldKind::kDouble:
      return Number(channel::ReadF64(record, named.field));
  }
  return {};
}

bool IsZero(std::span<const std::byte> record, channel::Field field) {
  return std::all_of(record.begin() + static_cast<std::ptrdiff_t>(field.offset),
                     record.begin() + static_cast<std::ptrdiff_t>(field.end()),
                     [](std::byte b) { return b == std::byte{0}; });
}

bool HasTerminator(std::span<const std::byte> record, channel::Field field) {
  const auto begin = record.begin() + static_cast<std::ptrdiff_t>(field.offset);
  return std::find(begin, begin + static_cast<std::ptrdiff_t>(field.width), std::byte{0}) !=
         begin + static_cast<std::ptrdiff_t>(field.width);
}

bool Within(std::span<const std::byte> record, channel::Field field) {
  return field.end() <= record.size();
}

size_t NameWidth(const RecordLayout& layout) {
  size_t width = 0;
  for (const NamedField& named : layout.fields) width = std::max(width, named.name.size());
  return width;
}

void AddField(std::string& block, size_t name_width, std::string_view name,
              const std::string& value) {
  block += kIndent;
  block += name;
  block.append(name_width - name.size() + 2, ' ');
  block += value;
  block += '\n';
}

void AddFirstBytes(std::string& block, std::span<const std::byte> bytes) {
  if (bytes.empty()) return;
  block += kIndent;
  block += "first bytes:";
  for (size_t i = 0; i < std::min(bytes.size(), kUnknownBytesShown); ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned>(bytes[i]));
    block += hex;
  }
  if (bytes.size() > kUnknownBytesShown) block += " ...";
  block += '\n';
}

std::string_view Outcome(platform::SendStatus status) {
  switch (status) {
    case platform::SendStatus::kHandled:
      return "delivered";
    case platform::SendStatus::kTimedOut:
      return "NOT DELIVERED: the host did not take it in time";
    case platform::SendStatus::kHung:
      return "NOT DELIVERED: the host is not responding";
    case platform::SendStatus::kNoWindow:
      return "NOT DELIVERED: the reply window does not exist";
  }
  return {};
}

}  // namespace

std::string DescribeRequest(const channel::FieldCodec& codec, platform::WindowHandle sender,
                            uint32_t code, std::span<const std::byte> bytes) {
  const RecordLayout* layout = RequestLayout(code);
  std::string block = "request " + CodeAndName(code, bytes) + " from " + Window(sender) + ": " +
                      std::to_string(bytes.size()) + " bytes";
  if (layout && layout->size > 0) block += std::string(", ") + std::string(layout->name);
  block += '\n';

  std::vector<std::string> violations = SizeViolations(code, bytes);
  if (layout) {
    for (const NamedField& named : layout->fields) {
      if (named.kind == FieldKind::kText && Within(bytes, named.field) &&
          !HasTerminator(bytes, named.field)) {
        violations.push_back(std::string(named.name) + ": no terminating zero in its " +
                             std::to_string(named.field.width) + " bytes");
      }
    }
  }
  for (const std::string& violation : violations) {
    block += kIndent;
    block += "VIOLATION: " + violation + '\n';
  }

  if (!layout) {
    AddFirstBytes(block, bytes);
    return block;
  }
  const size_t width = NameWidth(*layout);
  for (const NamedField& named : layout->fields) {
    AddField(block, width, named.name,
             Within(bytes, named.field)
                 ? ValueOf(codec, bytes, named)
                 : "(missing: the request ends at byte " + std::to_string(bytes.size()) + ")");
  }
  return block;
}

std::string DescribeReply(const channel::FieldCodec& codec, platform::WindowHandle to,
                          uint32_t code, std::span<const std::byte> bytes,
                          platform::SendStatus status) {
  const RecordLayout* layout = ReplyLayout(code);
  std::string block = "reply " + CodeAndName(code, bytes) + " to " + Window(to) + ": " +
                      std::to_string(bytes.size()) + " bytes, " + std::string(Outcome(status)) +
                      '\n';
  if (!layout) {
    block += std::string(kIndent) + "(the protocol has no reply of this code)\n";
    AddFirstBytes(block, bytes);
    return block;
  }
  if (bytes.size() != layout->size) {
    block += std::string(kIndent) + "(the " + std::string(layout->name) + " has " +
             std::to_string(layout->size) + " bytes)\n";
  }
  const size_t width = NameWidth(*layout);
  size_t left_out = 0;
  for (const NamedField& named : layout->fields) {
    if (!Within(bytes, named.field) || IsZero(bytes, named.field)) {
      ++left_out;
      continue;
    }
    AddField(block, width, named.name, ValueOf(codec, bytes, named));
  }
  if (left_out > 0) {
    block += std::string(kIndent) + "(" + std::to_string(left_out) +
             " more fields zero, empty or missing)\n";
  }
  return block;
}

RequestTrace::RequestTrace(std::shared_ptr<std::ostream> out, platform::CodePage& code_page)
    : out_(std::move(out)), codec_(code_page) {}

void RequestTrace::AttachReceived(platform::WindowHandle reply_to) {
  Write("attach broadcast, to be answered to " + Window(reply_to) + '\n');
}

void RequestTrace::RequestReceived(platform::WindowHandle sender, uint32_t code,
                                   std::span<const std::byte> bytes) {
  Write(DescribeRequest(codec_, sender, code, bytes));
}

void RequestTrace::ReplySent(platform::WindowHandle to, const Reply& reply,
                             platform::SendStatus status) {
  Write(DescribeReply(codec_, to, reply.code, reply.bytes, status));
}

void RequestTrace::Write(const std::string& block) {
  std::lock_guard lock(mutex_);
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start_);
  // Numbered and stamped with the time since the start, so that gaps and delays show.
  *out_ << '#' << ++count_ << " +" << elapsed.count() << " ms " << block << '\n' << std::flush;
}

}  // namespace orvabridge::sim
