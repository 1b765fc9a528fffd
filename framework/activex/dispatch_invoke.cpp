#include "activex/dispatch_table.h"

#include <cstring>
#include <new>

#include "activex/activex_control.h"

namespace activex {
namespace {

// Stock "set not supported" error of controls: what a host sees for a read-only property.
constexpr HRESULT kSetNotSupported = static_cast<HRESULT>(0x800A017FL);

void FillException(EXCEPINFO* exception, const wchar_t* source, const std::wstring& description,
                   HRESULT code) {
  if (exception == nullptr) return;
  ZeroMemory(exception, sizeof *exception);
  exception->bstrSource = SysAllocString(source);
  exception->bstrDescription = SysAllocString(description.c_str());
  exception->scode = code;
}

}  // namespace

VARTYPE VariantTypeOf(ArgType type) {
  switch (type) {
    case ArgType::kShort:
      return VT_I2;
    case ArgType::kLong:
      return VT_I4;
    case ArgType::kDouble:
      return VT_R8;
    case ArgType::kBool:
      return VT_BOOL;
    case ArgType::kText:
      return VT_BSTR;
    case ArgType::kVoid:
      break;
  }
  return VT_VOID;
}

std::string AnsiFromWide(const wchar_t* text, int length) {
  if (text == nullptr || length <= 0) return std::string();
  int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string ansi(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, length, ansi.data(), bytes, nullptr, nullptr);
  // An embedded zero ends the text as the control sees it (zero-terminated ANSI).
  ansi.resize(ansi.find('\0') == std::string::npos ? ansi.size() : ansi.find('\0'));
  return ansi;
}

BSTR AllocStringFromAnsi(const char* ansi) {
  if (ansi == nullptr || *ansi == '\0') return SysAllocString(L"");
  int length = MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
  if (length <= 0) return SysAllocString(L"");
  BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
  if (text == nullptr) return nullptr;
  MultiByteToWideChar(CP_ACP, 0, ansi, -1, text, length);
  return text;
}

std::string OemFromAnsiText(std::string text) {
  if (!text.empty()) CharToOemBuffA(text.data(), text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::string AnsiFromOemText(std::string text) {
  if (!text.empty()) OemToCharBuffA(text.data(), text.data(), static_cast<DWORD>(text.size()));
  return text;
}

BSTR AllocStringFromOem(const char* oem) {
  return AllocStringFromAnsi(AnsiFromOemText(oem == nullptr ? "" : oem).c_str());
}

DispatchCall::DispatchCall(const DispatchMember& member) : member_(member) {
  for (VARIANT& arg : args_) VariantInit(&arg);
  VariantInit(&result_);
}

DispatchCall::~DispatchCall() {
  for (VARIANT& arg : args_) VariantClear(&arg);
  VariantClear(&result_);
}

HRESULT DispatchCall::Convert(const DISPPARAMS& params, UINT* argError) {
  const int count = member_.ParamCount();
  for (int i = 0; i < count; ++i) {
    // The caller gives the arguments last first.
    const UINT callerIndex = static_cast<UINT>(count - 1 - i);
    const VARTYPE wanted = VariantTypeOf(member_.params[i].type);
    VARIANT plain;
    VariantInit(&plain);
    // By-reference arguments (VBScript passes its variables so) are read through the reference.
    HRESULT hr = VariantCopyInd(&plain, &params.rgvarg[callerIndex]);
    if (SUCCEEDED(hr)) {
      if (wanted == VT_BSTR && V_VT(&plain) == VT_NULL) {
        V_VT(&args_[i]) = VT_BSTR;  // a null string counts as ""
        V_BSTR(&args_[i]) = nullptr;
      } else {
        hr = VariantChangeType(&args_[i], &plain, 0, wanted);
      }
    }
    VariantClear(&plain);
    if (FAILED(hr)) {
      if (argError != nullptr) *argError = callerIndex;
      return hr == E_OUTOFMEMORY ? E_OUTOFMEMORY : DISP_E_TYPEMISMATCH;
    }
    if (wanted == VT_BSTR) {
      BSTR text = V_BSTR(&args_[i]);
      texts_[i] = AnsiFromWide(text, text == nullptr ? 0 : static_cast<int>(SysStringLen(text)));
      if (member_.params[i].form == TextForm::kOem) {
        texts_[i] = OemFromAnsiText(std::move(texts_[i]));
      }
    }
  }
  return S_OK;
}

void DispatchCall::Return(double value) {
  VariantClear(&result_);
  switch (member_.result) {
    case ArgType::kShort:
      V_VT(&result_) = VT_I2;
      V_I2(&result_) = static_cast<SHORT>(static_cast<long long>(value));
      break;
    case ArgType::kLong:
      V_VT(&result_) = VT_I4;
      V_I4(&result_) = static_cast<LONG>(static_cast<long long>(value));
      break;
    case ArgType::kDouble:
      V_VT(&result_) = VT_R8;
      V_R8(&result_) = value;
      break;
    case ArgType::kBool:
      V_VT(&result_) = VT_BOOL;
      V_BOOL(&result_) = value != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case ArgType::kText:
      ReturnText("");
      break;
    case ArgType::kVoid:
      break;
  }
}

void DispatchCall::ReturnText(const char* ansi) {
  VariantClear(&result_);
  if (member_.result != ArgType::kText) return;
  BSTR text = AllocStringFromAnsi(ansi);
  if (text == nullptr) {
    Raise(L"Not enough memory for the result", E_OUTOFMEMORY);
    return;
  }
  V_VT(&result_) = VT_BSTR;
  V_BSTR(&result_) = text;
}

void DispatchCall::ReturnOemText(const char* oem) {
  ReturnText(AnsiFromOemText(oem == nullptr ? "" : oem).c_str());
}

void DispatchCall::ReturnFailure() {
  if (member_.result == ArgType::kText) {
    ReturnText("");
  } else {
    Return(member_.failure);
  }
}

void DispatchCall::Raise(const std::wstring& description, HRESULT code) {
  raised_ = true;
  description_ = description;
  code_ = code;
}

void DispatchCall::TakeResult(VARIANT* result) {
  if (result == nullptr) return;
  VariantInit(result);
  *result = result_;  // the result's ownership moves to the caller
  VariantInit(&result_);
}

const DispatchMember* FindMember(std::span<const DispatchMember> table, DISPID id) {
  for (const DispatchMember& member : table) {
    if (member.id == id) return &member;
  }
  return nullptr;
}

HRESULT InvokeFromTable(ActiveXControl& control, std::span<const DispatchMember> table, DISPID id,
                        WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                        UINT* argError, bool (*available)(ActiveXControl&, const DispatchMember&)) {
  const DispatchMember* member = FindMember(table, id);
  if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
  const wchar_t* source = control.classInfo().errorSource;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  if (params == nullptr) params = &none;
  if (params->cArgs > 0 && params->rgvarg == nullptr) return E_INVALIDARG;

  if (member->kind == MemberKind::kReadOnlyProperty) {
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
      // A put names its value DISPID_PROPERTYPUT; the property itself cannot be set.
      if (params->cNamedArgs != 1 || params->rgdispidNamedArgs == nullptr ||
          params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
        return DISP_E_PARAMNOTFOUND;
      }
      if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
      FillException(exception, source,
                    std::wstring(L"The property ") +
                        std::wstring(member->name, member->name + strlen(member->name)) +
                        L" is read-only",
                    kSetNotSupported);
      return DISP_E_EXCEPTION;
    }
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
  } else if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) {
    return DISP_E_MEMBERNOTFOUND;
  }
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (params->cArgs != static_cast<UINT>(member->ParamCount())) return DISP_E_BADPARAMCOUNT;

  try {
    DispatchCall call(*member);
    HRESULT hr = call.Convert(*params, argError);
    if (FAILED(hr)) return hr;
    if (available != nullptr && !available(control, *member)) {
      call.ReturnFailure();
    } else {
      member->handler(control, call);
    }
    if (call.raised()) {
      FillException(exception, source, call.description(), call.code());
      return DISP_E_EXCEPTION;
    }
    call.TakeResult(result);
    return S_OK;
  } catch (const std::bad_alloc&) {
    FillException(exception, source, L"Not enough memory", E_OUTOFMEMORY);
  } catch (...) {
    FillException(exception, source, L"Internal error", E_UNEXPECTED);
  }
  return DISP_E_EXCEPTION;
}

}  // namespace activex
