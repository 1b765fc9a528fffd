// The environment of the container and binding tests: OLE initialised on the test thread and the
// built QX30W32 registered (its classes and type library), as an installation leaves it.
#include <gtest/gtest.h>

#include <ole2.h>

#include "control_test_support.h"

namespace {

HRESULT RegisterBuiltControl() {
  HMODULE module = LoadLibraryA(controltest::DllPath().c_str());
  if (module == nullptr) return HRESULT_FROM_WIN32(GetLastError());
  auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
  HRESULT hr = entry != nullptr ? entry() : E_NOTIMPL;
  FreeLibrary(module);
  return hr;
}

class OleHostEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    ASSERT_EQ(S_OK, RegisterBuiltControl());
  }
  void TearDown() override {
    CoFreeUnusedLibraries();
    OleUninitialize();
  }
};

testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new OleHostEnvironment);

}  // namespace
