// The .reg text reader of the desktop's registry: REGEDIT4 and "Windows Registry Editor Version
// 5.00" texts, read into the steps they describe (see Desktop::LoadRegText for the syntax).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace orvabridge::platform::desk {

// One step of a .reg text.
struct RegTextEntry {
  enum class Kind {
    kKey,          // [ROOT\path]: the key exists from here on; the values that follow go to it
    kDeleteKey,    // [-ROOT\path]: the key and everything below it go
    kSetValue,     // "name"=data or @=data, in the key of the section
    kDeleteValue,  // "name"=-
  };
  Kind kind = Kind::kKey;
  RegistryRoot root = RegistryRoot::kLocalMachine;
  std::string path;  // below the root, as written; never malformed, never the root itself for
                     // kDeleteKey
  std::string name;  // the value's name; "" is the default value (@)
  uint32_t type = 0;
  // The value's data. When `utf8_text` is set they are UTF-8 text (zero bytes included) that the
  // registry stores in its ANSI code page; otherwise they are stored as they are.
  std::vector<std::byte> data;
  bool utf8_text = false;
};

// Reads `text` (UTF-8, a leading byte-order mark is skipped) and hands each step to `apply` as
// soon as it is read, in the order of the text; a text refused at some line has applied the
// steps before it. Throws std::invalid_argument(".reg text, line N: why") on malformed text.
void ReadRegText(std::string_view text, const std::function<void(const RegTextEntry&)>& apply);

// UTF-16LE bytes (a version 5.00 file as regedit writes it, or its hex(2)/hex(7) data) to UTF-8;
// unpaired surrogates and an odd last byte become '?'.
std::string Utf16LeToUtf8(std::string_view bytes);

}  // namespace orvabridge::platform::desk
