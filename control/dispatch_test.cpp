// Automation through IDispatch as script hosts and C++ clients call it: names from the type
// library, by-value and by-reference arguments, the calling flags, the errors with their
// descriptions, and every member's result type and failure value while the engine objects are
// not there.
#include <gtest/gtest.h>

#include "control_test_support.h"
#include "dispatch_members.h"
#include "zctrl.h"
#include "qx30w32_guids.h"

namespace {

using controltest::Ptr;

class Dispatch : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CoCreateInstance(qx30w32::kControlClassId, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IDispatch, control_.OutVoid()));
  }

  DISPID IdOf(const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    EXPECT_EQ(S_OK, control_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)) << name;
    return id;
  }

  // args in declaration order.
  HRESULT Call(DISPID id, std::vector<VARIANT> args, VARIANT* result, WORD flags = DISPATCH_METHOD,
               EXCEPINFO* exception = nullptr, UINT* argError = nullptr) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                         static_cast<UINT>(reversed.size()), 0};
    VariantInit(result);
    return control_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, exception,
                            argError);
  }

  static VARIANT Short(short value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I2;
    V_I2(&v) = value;
    return v;
  }

  Ptr<IDispatch> control_;
};

TEST_F(Dispatch, BufferSizesByName) {
  struct Case {
    const wchar_t* name;
    DISPID id;
    short value;
  };
  const Case cases[] = {{L"GetZipBufferSize", 2, 32767}, {L"GetUnzipBufferSize", 3, 24576}};
  for (const Case& c : cases) {
    ASSERT_EQ(c.id, IdOf(c.name));
    // As C++ clients call, and as VBScript calls (method and property get at once).
    for (WORD flags : {WORD(DISPATCH_METHOD), WORD(DISPATCH_METHOD | DISPATCH_PROPERTYGET)}) {
      VARIANT result;
      ASSERT_EQ(S_OK, Call(c.id, {}, &result, flags));
      EXPECT_EQ(VT_I2, V_VT(&result));
      EXPECT_EQ(c.value, V_I2(&result));
    }
  }
}

TEST_F(Dispatch, NamesAreCaseInsensitiveAndUnknownNamesFail) {
  EXPECT_EQ(63, IdOf(L"unzipfiles"));
  EXPECT_EQ(-552, IdOf(L"AboutBox"));
  EXPECT_EQ(-515, IdOf(L"hWnd"));
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"NoSuchMethod")};
  EXPECT_EQ(DISP_E_UNKNOWNNAME, control_->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
  VARIANT result;
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(1000, {}, &result));
}

TEST_F(Dispatch, ConvertsByValueAndByReferenceArguments) {
  // GetCount(szZipName, bBackGroundProcessing): a text given by reference, a TRUE given as 1
  // (as hosts pass it) and as a text; all accepted and converted.
  BSTR name = SysAllocString(L"C:\\none.zip");
  VARIANT byRef;
  VariantInit(&byRef);
  V_VT(&byRef) = VT_BSTR | VT_BYREF;
  V_BSTRREF(&byRef) = &name;
  VARIANT one;
  VariantInit(&one);
  V_VT(&one) = VT_I4;
  V_I4(&one) = 1;
  VARIANT result;
  ASSERT_EQ(S_OK, Call(39, {byRef, one}, &result));
  EXPECT_EQ(VT_I2, V_VT(&result));
  EXPECT_EQ(-1, V_I2(&result));  // no reader engine: the count's failure value

  VARIANT text;
  VariantInit(&text);
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"True");
  VARIANT variantRef;
  VariantInit(&variantRef);
  V_VT(&variantRef) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&variantRef) = &text;
  ASSERT_EQ(S_OK, Call(39, {byRef, variantRef}, &result));
  VariantClear(&text);
  SysFreeString(name);
}

TEST_F(Dispatch, NullStringsCountAsEmpty) {
  VARIANT nullText;
  VariantInit(&nullText);
  V_VT(&nullText) = VT_BSTR;
  V_BSTR(&nullText) = nullptr;
  VARIANT result;
  ASSERT_EQ(S_OK, Call(55, {nullText}, &result));  // SetHelpFile
  EXPECT_EQ(VT_EMPTY, V_VT(&result));
  ASSERT_EQ(S_OK, Call(56, {nullText}, &result));  // SetIniFile
}

TEST_F(Dispatch, ReportsWrongArgumentCountsAndTypes) {
  VARIANT result;
  EXCEPINFO exception = {};
  EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(2, {Short(1)}, &result));
  EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(57, {Short(1)}, &result));  // SetPasswordMode wants two

  // IsWriteable(szDestFile, lSizeInBytes): a text that is no number for the second argument.
  VARIANT file;
  VariantInit(&file);
  V_VT(&file) = VT_BSTR;
  V_BSTR(&file) = SysAllocString(L"C:\\x");
  VARIANT notANumber;
  VariantInit(&notANumber);
  V_VT(&notANumber) = VT_BSTR;
  V_BSTR(&notANumber) = SysAllocString(L"many");
  UINT argError = 99;
  EXPECT_EQ(DISP_E_TYPEMISMATCH,
            Call(54, {file, notANumber}, &result, DISPATCH_METHOD, &exception, &argError));
  EXPECT_EQ(0u, argError);  // the caller's index: the last argument comes first
  VariantClear(&file);
  VariantClear(&notANumber);

  // Named arguments are not taken by methods.
  DISPID named = 0;
  VARIANT arg = Short(1);
  DISPPARAMS params = {&arg, &named, 1, 1};
  EXPECT_EQ(DISP_E_NONAMEDARGS,
            control_->Invoke(45, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr));
  EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, control_->Invoke(2, IID_IDispatch, 0, DISPATCH_METHOD, &params,
                                                      &result, nullptr, nullptr));
}

TEST_F(Dispatch, WindowHandleIsAReadOnlyStockProperty) {
  VARIANT result;
  ASSERT_EQ(S_OK, Call(-515, {}, &result, DISPATCH_PROPERTYGET));
  EXPECT_EQ(VT_I4, V_VT(&result));
  EXPECT_EQ(0, V_I4(&result));  // no container: no window

  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_I4;
  V_I4(&value) = 0x1234;
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params = {&value, &put, 1, 1};
  EXCEPINFO exception = {};
  EXPECT_EQ(DISP_E_EXCEPTION, control_->Invoke(-515, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params,
                                               nullptr, &exception, nullptr));
  ASSERT_NE(nullptr, exception.bstrDescription);
  EXPECT_NE(nullptr, wcsstr(exception.bstrDescription, L"hWnd"));
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrHelpFile);
  // A put without its DISPID_PROPERTYPUT name is refused.
  DISPPARAMS unnamed = {&value, nullptr, 1, 0};
  EXPECT_EQ(DISP_E_PARAMNOTFOUND, control_->Invoke(-515, IID_NULL, 0, DISPATCH_PROPERTYPUT,
                                                   &unnamed, nullptr, nullptr, nullptr));
}

// A neutral argument of each parameter type.
VARIANT DefaultArgument(activex::ArgType type) {
  VARIANT v;
  VariantInit(&v);
  switch (type) {
    case activex::ArgType::kText:
      V_VT(&v) = VT_BSTR;
      V_BSTR(&v) = SysAllocString(L"");
      break;
    case activex::ArgType::kShort:
      V_VT(&v) = VT_I2;
      break;
    case activex::ArgType::kLong:
      V_VT(&v) = VT_I4;
      break;
    case activex::ArgType::kDouble:
      V_VT(&v) = VT_R8;
      break;
    case activex::ArgType::kBool:
      V_VT(&v) = VT_BOOL;
      break;
    case activex::ArgType::kVoid:
      break;
  }
  return v;
}

TEST_F(Dispatch, EveryMethodAnswersWithItsResultTypeAndFailureValue) {
  // Every method that needs no engine object answers with its result type, and those whose
  // work is not part of the module give their failure value; the texts are new empty strings
  // and the BOOLs are 0. Both engine objects exist, so their methods answer for real here; their
  // failure values without them are checked by MissingEngine.
  for (const activex::DispatchMember& member : qx30w32::DispatchMembers()) {
    if (member.id == -552 || member.kind != activex::MemberKind::kMethod) continue;  // dialog
    if (member.requirement & (CZCtrl::kNeedsReader | CZCtrl::kNeedsWriter)) continue;
    SCOPED_TRACE(member.name);
    std::vector<VARIANT> args;
    for (int p = 0; p < member.ParamCount(); ++p) {
      args.push_back(DefaultArgument(member.params[p].type));
    }
    VARIANT result;
    ASSERT_EQ(S_OK, Call(member.id, args, &result, DISPATCH_METHOD | DISPATCH_PROPERTYGET));
    for (VARIANT& arg : args) VariantClear(&arg);
    if (member.result == activex::ArgType::kVoid) {
      EXPECT_EQ(VT_EMPTY, V_VT(&result));
      continue;
    }
    ASSERT_EQ(activex::VariantTypeOf(member.result), V_VT(&result));
    if (member.id == 2 || member.id == 3) {
      VariantClear(&result);
      continue;  // the buffer sizes, checked above
    }
    switch (member.result) {
      case activex::ArgType::kText:
        ASSERT_NE(nullptr, V_BSTR(&result));
        EXPECT_EQ(0u, SysStringLen(V_BSTR(&result)));
        break;
      case activex::ArgType::kBool:
        // IsDriveWriteable refuses only CD-ROM drives and protected diskettes: "" is neither.
        EXPECT_EQ(member.id == 53 ? VARIANT_TRUE : VARIANT_FALSE, V_BOOL(&result));
        break;
      case activex::ArgType::kShort:
        EXPECT_EQ(static_cast<short>(member.failure), V_I2(&result));
        break;
      case activex::ArgType::kLong:
        EXPECT_EQ(static_cast<long>(member.failure), V_I4(&result));
        break;
      case activex::ArgType::kDouble:
        EXPECT_EQ(member.failure, V_R8(&result));
        break;
      case activex::ArgType::kVoid:
        break;
    }
    VariantClear(&result);
  }
}

TEST_F(Dispatch, ReportsTheFailureValuesOfTheStatusMethods) {
  // The values a host sees while the engine objects are missing.
  struct Case {
    DISPID id;
    short value;
  };
  const Case cases[] = {{39, -1}, {34, 9}, {47, 6}, {48, 6}, {63, 6},  {46, 6},
                        {64, 5},  {7, 5},  {6, 2},  {43, 2}, {44, 12}, {30, 2}};
  for (const Case& c : cases) {
    const activex::DispatchMember* member = activex::FindMember(qx30w32::DispatchMembers(), c.id);
    ASSERT_NE(nullptr, member);
    EXPECT_EQ(c.value, static_cast<short>(member->failure)) << member->name;
  }
}

}  // namespace
