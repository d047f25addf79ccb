// Showing a call's outcome: a small readable table, one JSON object, or the short cells of a
// demo row.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "calls/call.h"

namespace orvabridge::orvactl {

// An automation error's number as Windows shows it beside the decimal: "0x80004005".
std::string HexNumber(int32_t number);
// "-2147467259 (0x80004005)".
std::string ErrorNumberText(int32_t number);

void PrintTable(const CallOutcome& outcome, std::ostream& out);
void PrintJson(const CallOutcome& outcome, std::ostream& out);

// "1  patient found", "\"text\"", "true", "done" or "error -100".
std::string ResultCell(const CallOutcome& outcome);
// The non-empty outputs as "Name=value" items (each on one line), or the error's description.
std::vector<std::string> DetailItems(const CallOutcome& outcome);

}  // namespace orvabridge::orvactl
