#include "com/error_info.h"

#include <new>

#include "com/bstr.h"
#include "com/com_ptr.h"

namespace orvabridge::com {

HRESULT ErrorNumberToHresult(int32_t number) {
  if (number < 0) return static_cast<HRESULT>(number);
  if (number >= 1 && number <= 0xFFFF) {
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, static_cast<unsigned>(number));
  }
  return E_FAIL;
}

HRESULT RaiseErrorInfo(HRESULT code, const std::string& source, const std::string& description) {
  try {
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(::CreateErrorInfo(create.Receive()))) return ClearErrorInfo(code);
    const UniqueBstr source_text = Utf8ToBstr(source);
    const UniqueBstr description_text = Utf8ToBstr(description);
    create->SetGUID(IID__Appl);
    create->SetSource(source_text.get());
    create->SetDescription(description_text.get());
    ComPtr<IErrorInfo> error;
    if (FAILED(create->QueryInterface(IID_IErrorInfo, error.ReceiveVoid()))) {
      return ClearErrorInfo(code);
    }
    ::SetErrorInfo(0, error.get());
  } catch (const std::bad_alloc&) {
    return ClearErrorInfo(code);
  }
  return code;
}

HRESULT ClearErrorInfo(HRESULT code) {
  ::SetErrorInfo(0, nullptr);
  return code;
}

void FillExcepInfo(HRESULT code, EXCEPINFO& info) {
  info = EXCEPINFO{};
  info.scode = code;
  ComPtr<IErrorInfo> error;
  if (::GetErrorInfo(0, error.Receive()) != S_OK || !error) return;
  error->GetSource(&info.bstrSource);
  error->GetDescription(&info.bstrDescription);
  error->GetHelpFile(&info.bstrHelpFile);
  error->GetHelpContext(&info.dwHelpContext);
}

}  // namespace orvabridge::com
