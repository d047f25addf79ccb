// A host of the installed library: makes an Appl and attaches without launching. With an
// imaging application running it prints its name and version; without one, the documented
// result. Exit code 0 when the result is one InitApplication documents.
#include <orvabridge/appl.h>

#include <cstdio>
#include <string>

int main() {
  orvabridge::Appl appl;
  std::string name, version = "NoLaunch";
  const int32_t result = appl.InitApplication(name, version);
  std::printf("InitApplication: %d %s %s\n", result, name.c_str(), version.c_str());
  switch (result) {
    case 1:   // attached
    case -3:  // nothing answered
    case -5:  // no class library installed
      return 0;
    default:
      return 1;
  }
}
