// What the class library reports about the installation, kept once per thread.
#pragma once

#include <string>

namespace orvabridge::environment {

struct Installation {
  std::string vendor_key;
  std::string application_key;
  std::string settings_base_key;       // "Software\<vendor>\<application>"
  std::string imaging_exe_path;        // emptied by the product check
  std::string installed_version;       // "major.minor.revision"
  bool class_library_missing = false;  // never set back to false
};

}  // namespace orvabridge::environment
