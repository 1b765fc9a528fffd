// Self-registration of QX30W32: the keys DllRegisterServer writes, regsvr32 unregistering them
// (keys gone) and registering them again. The environment registers the built DLL for every
// other test of this program.
#include <gtest/gtest.h>

#include <olectl.h>

#include "activex/server_registration.h"
#include "control_test_support.h"
#include "qx30w32_guids.h"
#include "zctrl.h"

namespace {

using controltest::KeyExists;
using controltest::KeyValue;

HRESULT CallDllEntry(const char* name) {
  HMODULE module = LoadLibraryA(controltest::DllPath().c_str());
  if (module == nullptr) return HRESULT_FROM_WIN32(GetLastError());
  auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, name)));
  HRESULT hr = entry != nullptr ? entry() : E_NOTIMPL;
  FreeLibrary(module);
  return hr;
}

class ControlEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    ASSERT_EQ(S_OK, CallDllEntry("DllRegisterServer"));
  }
  void TearDown() override {
    CoFreeUnusedLibraries();
    OleUninitialize();
  }
};

testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new ControlEnvironment);

// Runs a program of the prefix and returns its exit code (-1 when it could not start).
DWORD RunProgram(const std::string& commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return static_cast<DWORD>(-1);
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = static_cast<DWORD>(-1);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

std::string ClassKey(const CLSID& clsid) { return "CLSID\\" + activex::GuidText(clsid); }

struct KeyCase {
  std::string key;
  const char* name;
  std::string value;
};

TEST(Registration, WritesTheControlAndPageClasses) {
  const std::string control = ClassKey(qx30w32::kControlClassId);
  const std::string page = ClassKey(qx30w32::kPropertyPageClassId);
  const std::string library = activex::GuidText(qx30w32::kLibraryId);
  const KeyCase cases[] = {
      {control, nullptr, "Quillet32bits Component"},
      {control + "\\InprocServer32", nullptr, controltest::DllPath()},
      {control + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {control + "\\ProgID", nullptr, "QX30W32.QXCtrl.1"},
      {control + "\\TypeLib", nullptr, library},
      {control + "\\Version", nullptr, "3.0"},
      {control + "\\MiscStatus\\1", nullptr, std::to_string(CZCtrl::kMiscStatus)},
      {"QX30W32.QXCtrl.1\\CLSID", nullptr, activex::GuidText(qx30w32::kControlClassId)},
      {page, nullptr, "QX Property Page"},
      {page + "\\InprocServer32", nullptr, controltest::DllPath()},
      {page + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {page + "\\ProgID", nullptr, "QX30W32.QXPropPage.1"},
      {"QX30W32.QXPropPage.1\\CLSID", nullptr, activex::GuidText(qx30w32::kPropertyPageClassId)},
      {"TypeLib\\" + library + "\\3.0", nullptr, "QX30W32 ActiveX Control module"},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.key);
    std::string value = KeyValue(c.key, c.name);
    if (c.key.find("InprocServer32") != std::string::npos && c.name == nullptr) {
      EXPECT_EQ(0, lstrcmpiA(c.value.c_str(), value.c_str())) << value;
    } else {
      EXPECT_EQ(c.value, value);
    }
  }
  EXPECT_TRUE(KeyExists(control + "\\Control"));
  EXPECT_TRUE(KeyExists("Interface\\" + activex::GuidText(qx30w32::kDispatchId)));
  EXPECT_TRUE(KeyExists("Interface\\" + activex::GuidText(qx30w32::kEventsId)));
}

TEST(Registration, NeverMarksTheControlInvisibleAtRunTime) {
  // The control window is the engine's notification window: hosts must create it.
  const DWORD status = std::stoul(KeyValue(ClassKey(qx30w32::kControlClassId) + "\\MiscStatus\\1"));
  EXPECT_EQ(0u, status & OLEMISC_INVISIBLEATRUNTIME);
  EXPECT_NE(0u, status & OLEMISC_ACTIVATEWHENVISIBLE);
  EXPECT_NE(0u, status & OLEMISC_SETCLIENTSITEFIRST);
}

TEST(Registration, Regsvr32UnregistersAndRegistersAgain) {
  const std::string library = activex::GuidText(qx30w32::kLibraryId);
  const std::vector<std::string> keys = {ClassKey(qx30w32::kControlClassId),
                                         ClassKey(qx30w32::kPropertyPageClassId),
                                         "QX30W32.QXCtrl.1",
                                         "QX30W32.QXPropPage.1",
                                         "TypeLib\\" + library,
                                         "Interface\\" + activex::GuidText(qx30w32::kDispatchId),
                                         "Interface\\" + activex::GuidText(qx30w32::kEventsId)};
  std::string dll = "\"";  // built piecewise: GCC 12 warns falsely about "x" + string&&
  dll += controltest::DllPath();
  dll += '"';

  ASSERT_EQ(0u, RunProgram("regsvr32.exe /s /u " + dll));
  for (const std::string& key : keys) EXPECT_FALSE(KeyExists(key)) << key;

  ASSERT_EQ(0u, RunProgram("regsvr32.exe /s " + dll));
  for (const std::string& key : keys) EXPECT_TRUE(KeyExists(key)) << key;
  EXPECT_EQ(0,
            lstrcmpiA(controltest::DllPath().c_str(),
                      KeyValue(ClassKey(qx30w32::kControlClassId) + "\\InprocServer32").c_str()));
}

TEST(Registration, UnregisteringTwiceSucceeds) {
  // A second unregistration finds nothing to remove; then the environment's state is restored.
  EXPECT_EQ(S_OK, CallDllEntry("DllUnregisterServer"));
  EXPECT_EQ(S_OK, CallDllEntry("DllUnregisterServer"));
  EXPECT_FALSE(KeyExists(ClassKey(qx30w32::kControlClassId)));
  EXPECT_EQ(S_OK, CallDllEntry("DllRegisterServer"));
  EXPECT_TRUE(KeyExists(ClassKey(qx30w32::kControlClassId)));
}

}  // namespace
