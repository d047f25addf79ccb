#include "report.h"

#include <algorithm>
#include <cstdio>

#include "calls/result_codes.h"
#include "json.h"

namespace orvabridge::orvactl {
namespace {

// A returned text as a person reads it: in quotes, so that an empty text still shows.
std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Continuation lines of a multi-line value line up under its first line.
std::string Indented(std::string_view text, size_t indent) {
  std::string shown;
  for (char c : text) {
    if (c == '\r') continue;
    shown += c;
    if (c == '\n') shown.append(indent, ' ');
  }
  return shown;
}

// One line: line breaks become spaces.
std::string Flattened(std::string_view text) {
  std::string flat(text);
  std::replace(flat.begin(), flat.end(), '\r', ' ');
  std::replace(flat.begin(), flat.end(), '\n', ' ');
  return flat;
}

void Row(std::ostream& out, std::string_view name, std::string_view value, size_t width) {
  out << "  " << name << std::string(width - std::min(width, name.size()), ' ')
      << Indented(value, width + 2) << '\n';
}

constexpr const char* kStubMeaning =
    "stub mode: no imaging application is installed (ExecutablePath empty) or running; the "
    "stub answers the calls";

std::string Meaning(const CallOutcome& outcome, int32_t code) {
  if (outcome.stub_mode) return kStubMeaning;
  return ResultMeaning(outcome.command->member, code);
}

std::string CodeCell(const CallOutcome& outcome, int32_t code) {
  return std::to_string(code) + "  " + Meaning(outcome, code);
}

}  // namespace

std::string HexNumber(int32_t number) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(static_cast<uint32_t>(number)));
  return text;
}

std::string ErrorNumberText(int32_t number) {
  return std::to_string(number) + " (" + HexNumber(number) + ")";
}

void PrintTable(const CallOutcome& outcome, std::ostream& out) {
  size_t width = std::string_view("description").size();
  for (const auto& [name, value] : outcome.outputs) width = std::max(width, name.size());
  width += 2;

  if (outcome.failure) {
    out << outcome.command->member << ": automation error\n";
    Row(out, "number", ErrorNumberText(outcome.failure->number), width);
    Row(out, "source", outcome.failure->source, width);
    Row(out, "description", outcome.failure->description, width);
    return;
  }
  out << outcome.command->member << '\n';
  if (const auto code = outcome.ResultCode()) {
    Row(out, "result", CodeCell(outcome, *code), width);
  } else if (const auto* text = std::get_if<std::string>(&outcome.returned)) {
    Row(out, "value", Quoted(*text), width);
  } else if (const bool* flag = std::get_if<bool>(&outcome.returned)) {
    Row(out, "value", *flag ? "true" : "false", width);
  } else {
    Row(out, "done", "", width);
  }
  for (const auto& [name, value] : outcome.outputs) Row(out, name, ValueText(value), width);
}

namespace {

void PrintWarnings(const CallOutcome& outcome, std::ostream& out) {
  if (outcome.warnings.empty()) return;
  out << ",\"warnings\":[";
  for (size_t i = 0; i < outcome.warnings.size(); ++i) {
    out << (i == 0 ? "" : ",") << JsonString(outcome.warnings[i]);
  }
  out << ']';
}

}  // namespace

void PrintJson(const CallOutcome& outcome, std::ostream& out) {
  out << "{\"command\":" << JsonString(outcome.command->name)
      << ",\"member\":" << JsonString(outcome.command->member)
      << ",\"success\":" << (outcome.Succeeded() ? "true" : "false");
  if (outcome.failure) {
    out << ",\"error\":{\"number\":" << outcome.failure->number
        << ",\"hex\":" << JsonString(HexNumber(outcome.failure->number))
        << ",\"source\":" << JsonString(outcome.failure->source)
        << ",\"description\":" << JsonString(outcome.failure->description) << '}';
    PrintWarnings(outcome, out);
    out << "}\n";
    return;
  }
  if (const auto code = outcome.ResultCode()) {
    out << ",\"result\":" << *code << ",\"meaning\":" << JsonString(Meaning(outcome, *code));
    if (outcome.stub_mode) out << ",\"stub_mode\":true";
  } else if (const auto* text = std::get_if<std::string>(&outcome.returned)) {
    out << ",\"value\":" << JsonString(*text);
  } else if (const bool* flag = std::get_if<bool>(&outcome.returned)) {
    out << ",\"value\":" << (*flag ? "true" : "false");
  }
  out << ",\"outputs\":{";
  bool first = true;
  for (const auto& [name, value] : outcome.outputs) {
    out << (first ? "" : ",") << JsonString(name) << ':' << JsonValue(value);
    first = false;
  }
  out << '}';
  PrintWarnings(outcome, out);
  out << "}\n";
}

std::string ResultCell(const CallOutcome& outcome) {
  if (outcome.failure) return "error " + std::to_string(outcome.failure->number);
  if (const auto code = outcome.ResultCode()) return CodeCell(outcome, *code);
  if (const auto* text = std::get_if<std::string>(&outcome.returned)) return Quoted(*text);
  if (const bool* flag = std::get_if<bool>(&outcome.returned)) return *flag ? "true" : "false";
  return "done";
}

std::vector<std::string> DetailItems(const CallOutcome& outcome) {
  if (outcome.failure) return {Flattened(outcome.failure->description)};
  std::vector<std::string> items;
  for (const auto& [name, value] : outcome.outputs) {
    const std::string text = ValueText(value);
    if (!text.empty()) items.push_back(name + "=" + Flattened(text));
  }
  return items;
}

}  // namespace orvabridge::orvactl
