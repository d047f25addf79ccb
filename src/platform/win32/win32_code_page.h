// The system's ANSI code page (CP_ACP), the encoding of every text on the wire.
#pragma once

#include "platform/code_page.h"

namespace orvabridge::platform::win32 {

class Win32CodePage final : public CodePage {
 public:
  std::string ToAnsi(std::string_view utf8) override;
  std::string FromAnsi(std::string_view ansi) override;
  std::string Name() override;  // the number GetACP gives
};

}  // namespace orvabridge::platform::win32
