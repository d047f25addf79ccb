/* A host program as practices run them from a shared folder, for scripts/wine/planting-tests.sh:
 *   host.exe DLL-PATH   loads a DLL by its full path, as COM loads an in-process server
 *   host.exe            loads odbc32.dll by name with the default search (the program's folder
 *                       first): where the planted DLL is found, the test can show anything
 * Exit status 0 when the load worked, 2 when it did not. */
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  HMODULE module = LoadLibraryW(argc > 1 ? argv[1] : L"odbc32.dll");
  return module != NULL ? 0 : 2;
}
