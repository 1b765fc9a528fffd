// The embedded type library against the descriptor tables: every _DQX member and every
// _DQXEvents event with its DISPID, name, parameter names and types and result type, and nothing
// that the tables do not hold.
#include <gtest/gtest.h>

#include <map>

#include "control_test_support.h"
#include "dispatch_members.h"
#include "event_messages.h"
#include "qx30w32_guids.h"

namespace {

using controltest::Ptr;
using controltest::Wide;

class TypeLibrary : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK,
              LoadTypeLibEx(Wide(controltest::DllPath()).c_str(), REGKIND_NONE, library_.Out()));
  }

  struct Member {
    std::vector<std::wstring> names;  // the member's name, then its parameters'
    std::vector<VARTYPE> paramTypes;
    VARTYPE result;
    bool isProperty;
  };

  std::map<DISPID, Member> Members(const IID& iid) {
    std::map<DISPID, Member> members;
    Ptr<ITypeInfo> info;
    EXPECT_EQ(S_OK, library_->GetTypeInfoOfGuid(iid, info.Out()));
    if (!info) return members;
    TYPEATTR* attr = nullptr;
    EXPECT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
    for (UINT i = 0; i < attr->cFuncs; ++i) {
      FUNCDESC* func = nullptr;
      if (FAILED(info->GetFuncDesc(i, &func))) continue;
      Member member;
      BSTR names[32] = {};
      UINT count = 0;
      info->GetNames(func->memid, names, 32, &count);
      for (UINT n = 0; n < count; ++n) {
        member.names.emplace_back(names[n]);
        SysFreeString(names[n]);
      }
      for (SHORT p = 0; p < func->cParams; ++p) {
        member.paramTypes.push_back(func->lprgelemdescParam[p].tdesc.vt);
      }
      member.result = func->elemdescFunc.tdesc.vt;
      member.isProperty = false;
      members[func->memid] = member;
      info->ReleaseFuncDesc(func);
    }
    for (UINT i = 0; i < attr->cVars; ++i) {
      VARDESC* var = nullptr;
      if (FAILED(info->GetVarDesc(i, &var))) continue;
      Member member;
      BSTR name = nullptr;
      UINT count = 0;
      info->GetNames(var->memid, &name, 1, &count);
      member.names.emplace_back(name != nullptr ? name : L"");
      SysFreeString(name);
      member.result = var->elemdescVar.tdesc.vt;
      member.isProperty = true;
      members[var->memid] = member;
      info->ReleaseVarDesc(var);
    }
    info->ReleaseTypeAttr(attr);
    return members;
  }

  Ptr<ITypeLib> library_;
};

TEST_F(TypeLibrary, IsQX30W32Lib3_0) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(S_OK, library_->GetLibAttr(&attr));
  EXPECT_TRUE(IsEqualGUID(qx30w32::kLibraryId, attr->guid));
  EXPECT_EQ(3, attr->wMajorVerNum);
  EXPECT_EQ(0, attr->wMinorVerNum);
  library_->ReleaseTLibAttr(attr);
  BSTR name = nullptr;
  ASSERT_EQ(S_OK, library_->GetDocumentation(-1, &name, nullptr, nullptr, nullptr));
  EXPECT_STREQ(L"QX30W32Lib", name);
  SysFreeString(name);
}

TEST_F(TypeLibrary, DispatchInterfaceMatchesTheDescriptorTable) {
  std::map<DISPID, Member> members = Members(qx30w32::kDispatchId);
  const auto table = qx30w32::DispatchMembers();
  EXPECT_EQ(table.size(), members.size());
  EXPECT_EQ(73u, table.size());  // DISPIDs 1 to 71, AboutBox and hWnd
  for (const activex::DispatchMember& entry : table) {
    SCOPED_TRACE(entry.name);
    auto found = members.find(entry.id);
    ASSERT_NE(members.end(), found) << "DISPID " << entry.id;
    const Member& member = found->second;
    EXPECT_EQ(Wide(entry.name), member.names.at(0));
    EXPECT_EQ(entry.kind == activex::MemberKind::kReadOnlyProperty, member.isProperty);
    EXPECT_EQ(activex::VariantTypeOf(entry.result), member.result);
    if (member.isProperty) continue;
    ASSERT_EQ(static_cast<size_t>(entry.ParamCount()), member.paramTypes.size());
    ASSERT_EQ(member.paramTypes.size() + 1, member.names.size());
    for (int p = 0; p < entry.ParamCount(); ++p) {
      EXPECT_EQ(Wide(entry.params[p].name), member.names[p + 1]) << "parameter " << p;
      EXPECT_EQ(activex::VariantTypeOf(entry.params[p].type), member.paramTypes[p])
          << "parameter " << p;
    }
  }
}

TEST_F(TypeLibrary, EventInterfaceMatchesTheEventTable) {
  std::map<DISPID, Member> members = Members(qx30w32::kEventsId);
  const auto table = qx30w32::EventMembers();
  EXPECT_EQ(24u, table.size());
  EXPECT_EQ(table.size(), members.size());
  for (const activex::EventMember& entry : table) {
    SCOPED_TRACE(entry.name);
    auto found = members.find(entry.id);
    ASSERT_NE(members.end(), found);
    const Member& member = found->second;
    EXPECT_EQ(Wide(entry.name), member.names.at(0));
    EXPECT_EQ(VT_VOID, member.result);
    ASSERT_EQ(static_cast<size_t>(entry.ParamCount()), member.paramTypes.size());
    for (int p = 0; p < entry.ParamCount(); ++p) {
      EXPECT_EQ(Wide(entry.params[p].name), member.names.at(p + 1));
      EXPECT_EQ(activex::VariantTypeOf(entry.params[p].type), member.paramTypes[p]);
    }
  }
}

TEST_F(TypeLibrary, UnzipToFileKeepsItsParameterSpelling) {
  // Hosts bind parameters by these names: the seventh one is spelled so.
  std::map<DISPID, Member> members = Members(qx30w32::kDispatchId);
  ASSERT_EQ(8u, members.at(46).names.size());
  EXPECT_EQ(L"bAckGroundProcessing", members.at(46).names[7]);
}

TEST_F(TypeLibrary, ControlClassNamesBothInterfaces) {
  Ptr<ITypeInfo> coclass;
  ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(qx30w32::kControlClassId, coclass.Out()));
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(S_OK, coclass->GetTypeAttr(&attr));
  EXPECT_EQ(TKIND_COCLASS, attr->typekind);
  EXPECT_NE(0, attr->wTypeFlags & TYPEFLAG_FCONTROL);
  ASSERT_EQ(2, attr->cImplTypes);
  coclass->ReleaseTypeAttr(attr);
  bool sawDispatch = false;
  bool sawEvents = false;
  for (UINT i = 0; i < 2; ++i) {
    HREFTYPE ref = 0;
    INT flags = 0;
    ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(i, &ref));
    ASSERT_EQ(S_OK, coclass->GetImplTypeFlags(i, &flags));
    Ptr<ITypeInfo> implemented;
    ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(ref, implemented.Out()));
    TYPEATTR* implAttr = nullptr;
    ASSERT_EQ(S_OK, implemented->GetTypeAttr(&implAttr));
    if (IsEqualGUID(qx30w32::kDispatchId, implAttr->guid)) {
      sawDispatch = true;
      EXPECT_NE(0, flags & IMPLTYPEFLAG_FDEFAULT);
    }
    if (IsEqualGUID(qx30w32::kEventsId, implAttr->guid)) {
      sawEvents = true;
      EXPECT_NE(0, flags & IMPLTYPEFLAG_FSOURCE);
    }
    implemented->ReleaseTypeAttr(implAttr);
  }
  EXPECT_TRUE(sawDispatch);
  EXPECT_TRUE(sawEvents);
}

}  // namespace
