// A host of the installed library: makes an Appl and attaches without launching. With an
// imaging application running it prints its name and version; without one, the documented
// result. Exit code 0 when the result is one InitApplication documents; with
// --expect-attached only when it attached (1), for a run beside a running imaging application,
// where any other result means the installed library does not reach it.
#include <orvabridge/appl.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  bool expect_attached = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--expect-attached") == 0) {
      expect_attached = true;
    } else {
      std::fprintf(stderr, "consumer: unknown option %s (known: --expect-attached)\n", argv[i]);
      return 2;
    }
  }

  orvabridge::Appl appl;
  std::string name, version = "NoLaunch";
  const int32_t result = appl.InitApplication(name, version);
  std::printf("InitApplication: %d %s %s\n", result, name.c_str(), version.c_str());
  if (expect_attached) {
    if (result == 1) return 0;
    std::fprintf(stderr, "consumer: expected to attach (1), got %d\n", result);
    return 1;
  }
  switch (result) {
    case 1:   // attached
    case -3:  // nothing answered
    case -5:  // no class library installed
      return 0;
    default:
      return 1;
  }
}
