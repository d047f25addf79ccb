// The in-process desktop's .reg loader and the typed registry reads on what it loaded: any text
// either loads or is refused with std::invalid_argument naming the line at fault; the settings
// reader, the class library and the raw text queries never fail and hand over well-formed UTF-8;
// a text value made of characters the code page can hold reads back exactly.
//
// Script: code page (u8), a probe text (u8 count, then per character an index, u16), then the
// .reg text (the rest of the input).
#include <cctype>
#include <stdexcept>
#include <string>
#include <vector>

#include "code_pages.h"
#include "environment/class_library.h"
#include "environment/registry_text.h"
#include "environment/settings.h"
#include "fuzz_support.h"
#include "platform/desk/desk_services.h"
#include "platform/desk/desktop.h"
#include "platform/runtime_failure.h"

namespace orvabridge::fuzz {
namespace {

using platform::RegistryRoot;

const std::string kBaseKey = "Software\\Orvadent\\Orvanta";

// ".reg text, line N: ..." with N one of the text's lines.
void CheckNamesItsLine(const std::invalid_argument& error, std::string_view text) {
  const std::string message = error.what();
  const std::string prefix = ".reg text, line ";
  FUZZ_CHECK(message.rfind(prefix, 0) == 0, "refused without a line: " + Escaped(message));
  size_t at = prefix.size();
  size_t line = 0;
  while (at < message.size() && std::isdigit(static_cast<unsigned char>(message[at]))) {
    line = line * 10 + static_cast<size_t>(message[at++] - '0');
    if (line > text.size() + 1) break;
  }
  const size_t lines = 1 + static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  FUZZ_CHECK(line >= 1 && line <= lines, "refused at line " + std::to_string(line) + " of " +
                                             std::to_string(lines) + ": " + Escaped(message));
  FUZZ_CHECK(message.compare(at, 2, ": ") == 0, "no reason after the line: " + Escaped(message));
}

// Every read the library makes of the settings and of the class library's key.
void ReadEverything(platform::desk::DeskRegistry& registry, platform::CodePage& code_page) {
  environment::SettingsReader settings(registry, code_page, kBaseKey);
  const std::pair<const char*, const char*> reads[] = {
      {"Preferrences", "WSNameFromClientname"},
      {"Orvabridge", "OrvabridgeTXTOUT"},
      {"Orvabridge", "TxtOutExceptions"},
      {"\\Orvabridge\\", "OrvabridgeTXTOUT"},
      {"", "Probe"},
  };
  for (const auto& [section, name] : reads) {
    for (bool per_user : {false, true}) {
      const std::string text = settings.ReadSetting(section, name, per_user);
      FUZZ_CHECK(IsValidUtf8(text),
                 std::string("ReadSetting ") + section + " " + name + ": " + Escaped(text));
    }
  }
  const std::string absolute =
      settings.ReadSetting("Software\\Orvaclass", "VendorKey", false, true);
  FUZZ_CHECK(IsValidUtf8(absolute), "ReadSetting, absolute path: " + Escaped(absolute));
  const std::string machine = settings.ReadMachineSetting("Orvaclass", "Version");
  FUZZ_CHECK(IsValidUtf8(machine), "ReadMachineSetting: " + Escaped(machine));

  auto database = std::make_unique<platform::desk::NoProviderDatabase>();
  std::unique_ptr<environment::ClassLibrary> library;
  try {
    library = environment::CreateClassLibrary(registry, code_page, *database);
  } catch (const RuntimeFailure& failure) {
    FUZZ_CHECK(failure.number() == failure::kCannotCreateObject, failure.description());
    return;
  }
  environment::InstallationInfo info;
  library->GetInstallationInfo(info);
  for (const std::string* text : {&info.vendor_key, &info.application_key, &info.executable_path}) {
    FUZZ_CHECK(IsValidUtf8(*text), "class library text: " + Escaped(*text));
  }

  // The raw queries, with buffers smaller and larger than the data.
  if (auto key = registry.OpenKey(RegistryRoot::kLocalMachine, "Software\\Orvaclass",
                                  platform::kKeyRead)) {
    for (uint32_t capacity : {0u, 1u, 5u, 260u}) {
      environment::QueryAnsiText(*key, "VendorKey", capacity, {platform::kRegSz});
      environment::QueryAnsiTextAnySize(*key, "ConnectionString", capacity,
                                        {platform::kRegSz, platform::kRegMultiSz});
    }
  }
}

}  // namespace
}  // namespace orvabridge::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvabridge;
  using namespace orvabridge::fuzz;
  ScriptReader script(data, size);
  CodePageUnderTest& page = CodePageAt(script.U8());
  std::string probe;
  for (size_t count = script.U8() % 40; count > 0; --count) probe += page.Character(script.U16());
  const std::string_view text = script.Rest();

  platform::desk::DeskRegistry registry;
  try {
    registry.LoadText(text, page.code_page());
  } catch (const std::invalid_argument& error) {
    CheckNamesItsLine(error, text);
  }
  ReadEverything(registry, page.code_page());

  // A text stored in the code page reads back as the characters it was made of. "null" reads as
  // empty, whatever its case.
  std::string ansi = page.code_page().ToAnsi(probe);
  ansi += '\0';
  const auto bytes = std::as_bytes(std::span(ansi));
  registry.Set(platform::RegistryRoot::kLocalMachine, kBaseKey + "\\Probe", "Probe",
               platform::kRegSz, {bytes.begin(), bytes.end()});
  environment::SettingsReader settings(registry, page.code_page(), kBaseKey);
  const std::string read = settings.ReadSetting("Probe", "Probe");
  std::string lower = probe;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower != "null") {
    FUZZ_CHECK(read == probe, std::string(page.name()) + ": \"" + Escaped(probe) +
                                  "\" read back as \"" + Escaped(read) + "\"");
  }
  return 0;
}
