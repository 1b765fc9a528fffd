// The binding's records against the registered type library of QX30W32: each of the 26 stub
// records has the DISPID, argument types and result type of its _DQX member (found by name), and
// the 24 event bindings have the DISPIDs and argument types of _DQXEvents.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "control_test_support.h"
#include "qx30w32_guids.h"
#include "qxctrl.h"
#include "qxctrl_records.h"

namespace {

using controltest::Ptr;

struct FuncShape {
  DISPID id = DISPID_UNKNOWN;
  std::vector<VARTYPE> params;
  VARTYPE result = VT_EMPTY;
  WORD invokeKind = 0;
};

// The functions of a dispinterface of the registered library, by name.
std::map<std::wstring, FuncShape> FunctionsOf(const IID& iid) {
  std::map<std::wstring, FuncShape> shapes;
  Ptr<ITypeLib> library;
  EXPECT_EQ(S_OK, LoadRegTypeLib(qx30w32::kLibraryId, qx30w32::kLibraryMajor,
                                 qx30w32::kLibraryMinor, LOCALE_NEUTRAL, library.Out()));
  if (!library) return shapes;
  Ptr<ITypeInfo> info;
  EXPECT_EQ(S_OK, library->GetTypeInfoOfGuid(iid, info.Out()));
  if (!info) return shapes;
  TYPEATTR* attr = nullptr;
  EXPECT_EQ(S_OK, info->GetTypeAttr(&attr));
  if (attr == nullptr) return shapes;
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* func = nullptr;
    if (FAILED(info->GetFuncDesc(i, &func))) continue;
    BSTR name = nullptr;
    UINT count = 0;
    info->GetNames(func->memid, &name, 1, &count);
    FuncShape shape;
    shape.id = func->memid;
    for (SHORT p = 0; p < func->cParams; ++p) {
      shape.params.push_back(func->lprgelemdescParam[p].tdesc.vt);
    }
    shape.result = func->elemdescFunc.tdesc.vt;
    shape.invokeKind = static_cast<WORD>(func->invkind);
    shapes[std::wstring(name != nullptr ? name : L"")] = shape;
    SysFreeString(name);
    info->ReleaseFuncDesc(func);
  }
  info->ReleaseTypeAttr(attr);
  return shapes;
}

// Shows the record TQXCtrl hands the container.
class RecordProbe : public TQXCtrl {
 public:
  using TQXCtrl::TQXCtrl;
  const olehost::TControlData& Record() { return InitControlData(); }
};

TEST(BindingRecords, ControlDataNamesTheControlAndItsEvents) {
  RecordProbe binding;
  const olehost::TControlData& data = binding.Record();
  EXPECT_TRUE(IsEqualCLSID(qx30w32::kControlClassId, data.ClassID));
  EXPECT_TRUE(IsEqualIID(qx30w32::kEventsId, data.EventIID));
  EXPECT_EQ(24, data.EventCount);
  EXPECT_EQ(qxctrl::kEventDispIDs, data.EventDispIDs);
  EXPECT_EQ(qxctrl::kEventBindings, data.Events);
  EXPECT_EQ(0u, data.Flags);
  EXPECT_EQ(nullptr, data.Reserved);

  // Tests put another control with the same interfaces in its place.
  const CLSID other = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  RecordProbe replaced(other);
  EXPECT_TRUE(IsEqualCLSID(other, replaced.Record().ClassID));
  EXPECT_TRUE(IsEqualIID(qx30w32::kEventsId, replaced.Record().EventIID));
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(BindingRecords, EachStubRecordMatchesItsDispatchMember) {
  const auto functions = FunctionsOf(qx30w32::kDispatchId);
  ASSERT_FALSE(functions.empty());
  ASSERT_EQ(28, qxctrl::kMethodCount);
  for (const auto& [name, stub] : qxctrl::kMethodStubs) {
    SCOPED_TRACE(Narrow(name));
    auto found = functions.find(name);
    ASSERT_NE(functions.end(), found);
    const FuncShape& shape = found->second;
    EXPECT_EQ(shape.id, stub->DispID);
    EXPECT_EQ(DISPATCH_METHOD, stub->CallKind);
    EXPECT_EQ(INVOKE_FUNC, shape.invokeKind);
    EXPECT_EQ(0, stub->NamedArgCount);
    // A member without result is void in the library and VT_EMPTY in the record.
    EXPECT_EQ(shape.result == VT_VOID ? VARTYPE(VT_EMPTY) : shape.result, stub->ResultType);
    ASSERT_EQ(shape.params.size(), stub->ArgCount);
    for (size_t p = 0; p < shape.params.size(); ++p) {
      EXPECT_EQ(shape.params[p], stub->ArgTypes[p]) << "argument " << p + 1;
    }
    for (size_t p = shape.params.size(); p < olehost::kMaxStubArgs; ++p) {
      EXPECT_EQ(0, stub->ArgTypes[p]);
    }
  }
}

// The arguments the issue singles out, spelled out once more by position.
TEST(BindingRecords, ShortArgumentsSitWhereTheControlWantsThem) {
  EXPECT_EQ(VT_I2, qxctrl::kRestore.ArgTypes[2]);
  EXPECT_EQ(VT_I2, qxctrl::kBackup.ArgTypes[8]);
  EXPECT_EQ(VT_I2, qxctrl::kUnzipFiles.ArgTypes[5]);
  for (int p = 3; p <= 5; ++p) EXPECT_EQ(VT_I2, qxctrl::kZipFiles.ArgTypes[p]);
  EXPECT_EQ(VT_I4, qxctrl::kBuildZIPITEMList.ArgTypes[1]);
  EXPECT_EQ(VT_I4, qxctrl::kDeleteWithSelection.ArgTypes[1]);
  EXPECT_EQ(VT_I4, qxctrl::kDeleteWithSelection.ArgTypes[2]);
  EXPECT_EQ(VT_I4, qxctrl::kGetZIPITEMName.ArgTypes[0]);
}

TEST(BindingRecords, EventBindingsMatchTheEventInterface) {
  const auto events = FunctionsOf(qx30w32::kEventsId);
  ASSERT_EQ(24u, events.size());
  ASSERT_EQ(24, qxctrl::kEventCount);
  for (int i = 0; i < qxctrl::kEventCount; ++i) {
    SCOPED_TRACE(Narrow(qxctrl::kEventNames[i]));
    EXPECT_EQ(i + 1, qxctrl::kEventDispIDs[i]);
    auto found = events.find(qxctrl::kEventNames[i]);
    ASSERT_NE(events.end(), found);
    const FuncShape& shape = found->second;
    EXPECT_EQ(shape.id, qxctrl::kEventDispIDs[i]);
    EXPECT_EQ(VT_VOID, shape.result);
    const olehost::TEventBinding& binding = qxctrl::kEventBindings[i];
    ASSERT_EQ(shape.params.size(), binding.ArgCount);
    for (size_t p = 0; p < shape.params.size(); ++p) {
      EXPECT_EQ(shape.params[p], binding.ArgTypes[p]) << "argument " << p + 1;
    }
  }
}

}  // namespace
