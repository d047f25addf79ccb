/* A DLL planted beside a program under the name of a system DLL (odbc32.dll): when anything
 * loads it, it leaves a file "planted.loaded" beside itself, and exports nothing. Built and used
 * by scripts/wine/planting-tests.sh. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH + 16];
    DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    while (length > 0 && path[length - 1] != L'\\') --length;
    if (length > 0 && length < MAX_PATH) {
      lstrcpyW(path + length, L"planted.loaded");
      HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
      if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
  }
  return TRUE;
}
