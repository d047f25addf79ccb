// orvabridge_soak: many mixed calls through the automation server against orva-sim.exe, with a
// few faults on the way, and what the process holds at 10 %, 50 % and 100 % of them: private
// bytes, kernel handles and window-manager objects. None of them may grow with the number of
// calls. Windows builds only; run it under Wine with scripts/wine/soak.sh.
//
//   orvabridge_soak.exe SERVER.dll ORVA-SIM.exe [CALLS]     (default 100000 calls)
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Order matters: windows_include.h sets the lean, no-min/max switches before any system header.
#include "platform/win32/windows_include.h"

#include <ole2.h>
#include <oleauto.h>
#include <psapi.h>

namespace {

const CLSID kClsidAppl = {
    0x9bd7e4e2, 0x1edc, 0x4abd, {0xb2, 0x2f, 0x97, 0x33, 0xa5, 0x13, 0x25, 0xc4}};

struct Holdings {
  size_t private_bytes = 0;
  DWORD handles = 0;
  DWORD user_objects = 0;
  DWORD gdi_objects = 0;
};

struct OwnWindowCount {
  DWORD process = ::GetCurrentProcessId();
  DWORD windows = 0;
};

// A named callback, not a lambda: on x86 the enumeration calls it with the stdcall convention,
// which a captureless lambda's function pointer does not have.
BOOL CALLBACK CountIfOwn(HWND window, LPARAM into) {
  auto& count = *reinterpret_cast<OwnWindowCount*>(into);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == count.process) ++count.windows;
  return TRUE;
}

// Our own windows, message-only ones included: what the window manager holds for the process
// (GetGuiResources counts the same on Windows; Wine does not count).
DWORD CountOwnWindows() {
  OwnWindowCount count;
  ::EnumWindows(CountIfOwn, reinterpret_cast<LPARAM>(&count));
  for (HWND window = nullptr;
       (window = ::FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) != nullptr;) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == count.process) ++count.windows;
  }
  return count.windows;
}

// Open kernel handles, probed one by one where the system does not count them (Wine): handle
// values are multiples of four.
DWORD CountOpenHandles() {
  DWORD open = 0;
  for (uintptr_t value = 4; value < 0x40000; value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
  }
  return open;
}

Holdings Measure() {
  Holdings held;
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  if (::GetProcessMemoryInfo(::GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory))) {
    held.private_bytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
  }
  ::GetProcessHandleCount(::GetCurrentProcess(), &held.handles);
  if (held.handles == 0) held.handles = CountOpenHandles();
  held.user_objects = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  if (held.user_objects == 0) held.user_objects = CountOwnWindows();
  held.gdi_objects = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  return held;
}

// The class library's stand-in: the installation the object reads when it is made.
bool InstallClassLibrary(const std::wstring& executable) {
  const wchar_t* key = L"Software\\Orvaclass";
  const std::array<std::pair<const wchar_t*, std::wstring>, 5> values = {{
      {L"VendorKey", L"Orvadent"},
      {L"ApplicationKey", L"Orvanta"},
      {L"ExecutablePath", executable},
      {L"Version", L"3.1.1199"},
      {L"ConnectionString", L""},
  }};
  for (const auto& [name, value] : values) {
    if (::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, REG_SZ, value.c_str(),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) !=
        ERROR_SUCCESS) {
      return false;
    }
  }
  return true;
}

// The simulator, started by this program and ended with it.
class Simulator {
 public:
  explicit Simulator(std::wstring path) : path_(std::move(path)) {}
  ~Simulator() { Stop(); }
  bool Start() {
    std::wstring command = L"\"" + path_ + L"\" --demo-data --logged-in demo";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started)) {
      return false;
    }
    ::CloseHandle(started.hThread);
    process_ = started.hProcess;
    return true;  // the attach search waits for its windows
  }
  void Stop() {
    if (process_ == nullptr) return;
    ::TerminateProcess(process_, 0);
    ::WaitForSingleObject(process_, 10000);
    ::CloseHandle(process_);
    process_ = nullptr;
  }

 private:
  std::wstring path_;
  HANDLE process_ = nullptr;
};

// Late-bound calls, as a script makes them: every argument a VARIANT by reference.
class LateBound {
 public:
  explicit LateBound(IDispatch* target) : target_(target) {}
  // The member's result, or the failure's HRESULT (negative) when the call failed.
  long Call(const wchar_t* member, std::vector<std::wstring> texts) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
    if (FAILED(target_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return -1;
    std::vector<VARIANT> values(texts.size());
    std::vector<VARIANTARG> arguments(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
      ::VariantInit(&values[i]);
      V_VT(&values[i]) = VT_BSTR;
      V_BSTR(&values[i]) = ::SysAllocString(texts[i].c_str());
      ::VariantInit(&arguments[texts.size() - 1 - i]);
      V_VT(&arguments[texts.size() - 1 - i]) = VT_VARIANT | VT_BYREF;
      V_VARIANTREF(&arguments[texts.size() - 1 - i]) = &values[i];
    }
    DISPPARAMS params = {arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
    VARIANT result;
    ::VariantInit(&result);
    EXCEPINFO exception = {};
    UINT argument_error = 0;
    const HRESULT status =
        target_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                        &params, &result, &exception, &argument_error);
    for (auto& value : values) ::VariantClear(&value);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    long answer = FAILED(status) ? static_cast<long>(status) : 0;
    if (SUCCEEDED(status) && V_VT(&result) == VT_I4) answer = V_I4(&result);
    ::VariantClear(&result);
    return answer;
  }

 private:
  IDispatch* target_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: orvabridge_soak SERVER.dll ORVA-SIM.exe [CALLS]\n");
    return 2;
  }
  const long total = argc > 3 ? std::wcstol(argv[3], nullptr, 10) : 100000;
  if (total < 10) {
    std::fprintf(stderr, "orvabridge_soak: at least 10 calls\n");
    return 2;
  }
  ::SetEnvironmentVariableW(L"ORVABRIDGE_MESSAGE_BOXES", L"stderr");
  if (!InstallClassLibrary(argv[2])) {
    std::fprintf(stderr, "orvabridge_soak: cannot write HKLM\\Software\\Orvaclass\n");
    return 1;
  }
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  const HMODULE server = ::LoadLibraryW(argv[1]);
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  const auto get_class_object = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void*>(::GetProcAddress(server, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  IDispatch* appl = nullptr;
  if (get_class_object == nullptr ||
      FAILED(get_class_object(kClsidAppl, IID_IClassFactory, reinterpret_cast<void**>(&factory))) ||
      FAILED(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&appl)))) {
    std::fprintf(stderr, "orvabridge_soak: cannot create the object of %ls\n", argv[1]);
    return 1;
  }
  factory->Release();

  Simulator simulator(argv[2]);
  if (!simulator.Start()) {
    std::fprintf(stderr, "orvabridge_soak: cannot start %ls\n", argv[2]);
    return 1;
  }
  LateBound calls(appl);
  if (calls.Call(L"InitApplication", {L"", L""}) != 1) {
    std::fprintf(stderr, "orvabridge_soak: the simulator did not answer\n");
    return 1;
  }

  // The faults: the application is killed and started again twice (the object re-attaches by
  // itself), and now and then a call is refused for its arguments.
  const std::array<long, 3> checkpoints = {total / 10, total / 2, total};
  std::array<Holdings, 3> held{};
  size_t next_checkpoint = 0;
  long failures = 0, restarts = 0;
  const auto started = std::chrono::steady_clock::now();
  for (long i = 1; i <= total; ++i) {
    long result = 0;
    switch (i % 6) {
      case 0:
        result = calls.Call(L"FindPatient", {L"1002", L"", L""});
        break;
      case 1:
        result = calls.Call(L"GetCurrentPatient",
                            {L"", L"", L"", L"", L"", L"", L"", L"", L"", L"", L""});
        break;
      case 2:
        result = calls.Call(L"GetSessionInfo", {});
        break;
      case 3:
        result = calls.Call(L"FindPatient", {L"", L"", L""});  // refused: -5
        break;
      case 4:
        result = calls.Call(L"GetSelectedImageInfo", {L"", L"", L"", L"", L"", L"", L"", L"", L""});
        break;
      default:
        result = calls.Call(L"FindPatient", {L"1002"});  // too few arguments: refused
        break;
    }
    if (result < -100) ++failures;  // an HRESULT: the call failed as a call
    if (i == total * 3 / 10 || i == total * 7 / 10) {
      simulator.Stop();
      calls.Call(L"FindPatient", {L"1002", L"", L""});  // the application is gone: -4
      simulator.Start();
      ++restarts;
    }
    if (i == checkpoints[next_checkpoint]) {
      held[next_checkpoint] = Measure();
      ++next_checkpoint;
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  appl->Release();
  ::CoUninitialize();

  std::printf(
      "orvabridge_soak: %ld mixed calls in %.1f s (%.0f us a call), %ld refused as calls, "
      "%ld restarts of the application\n",
      total, seconds, seconds * 1e6 / static_cast<double>(total), failures, restarts);
  const char* labels[] = {"10 %", "50 %", "100 %"};
  std::printf("%-6s %14s %8s %13s %12s\n", "calls", "private KiB", "handles", "USER objects",
              "GDI objects");
  // (Where the system counts neither, handles are probed one by one and USER objects are our
  // own windows.)
  for (size_t k = 0; k < held.size(); ++k) {
    std::printf("%-6s %14zu %8lu %13lu %12lu\n", labels[k], held[k].private_bytes / 1024,
                held[k].handles, held[k].user_objects, held[k].gdi_objects);
  }
  const double growth = held[0].private_bytes > 0 ? static_cast<double>(held[2].private_bytes) /
                                                        static_cast<double>(held[0].private_bytes)
                                                  : 0.0;
  std::printf("private bytes at 100 %% / at 10 %%: %.3f; handles %+ld; USER objects %+ld\n", growth,
              static_cast<long>(held[2].handles) - static_cast<long>(held[0].handles),
              static_cast<long>(held[2].user_objects) - static_cast<long>(held[0].user_objects));
  return 0;
}
