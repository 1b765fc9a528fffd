// The in-process server's entry points: module start, class objects, unloading and
// self-registration.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include "activex/activex_control.h"
#include "activex/class_factory.h"
#include "activex/server_module.h"
#include "activex/server_registration.h"
#include "dialog_prompts.h"
#include "base/module_state.h"
#include "qx30w32_guids.h"
#include "zctrl.h"
#include "zproppage.h"

namespace {

activex::ClassFactory g_controlFactory(qx30w32::kControlClassId, &CZCtrl::Create);
activex::ClassFactory g_pageFactory(qx30w32::kPropertyPageClassId, &CZPropPage::Create);
activex::ClassFactory* const g_factories[] = {&g_controlFactory, &g_pageFactory};

const activex::ServerClass kControlClass = {&qx30w32::kControlClassId, qx30w32::kControlProgId,
                                            "Quillet32bits Component", true,
                                            &qx30w32::kLibraryId,      "3.0",
                                            CZCtrl::kMiscStatus};
const activex::ServerClass kPageClass = {&qx30w32::kPropertyPageClassId,
                                         qx30w32::kPropertyPageProgId,
                                         "QX Property Page",
                                         false,
                                         nullptr,
                                         nullptr,
                                         0};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    activex::SetModuleHandle(module);
    // The control folder (settings file, stubs) and the prompt dialogs' templates come from here.
    RecordModuleInstance(module);
    InstallDialogPrompts();
    DisableThreadLibraryCalls(module);
    if (!activex::RegisterControlWindowClass(module, CZCtrl::ClassInfo())) return FALSE;
  } else if (reason == DLL_PROCESS_DETACH) {
    activex::UnregisterControlWindowClass(module, CZCtrl::ClassInfo());
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
  return activex::GetClassObjectFrom(g_factories, 2, clsid, riid, object);
}

STDAPI DllCanUnloadNow() { return activex::ModuleInUse() ? S_FALSE : S_OK; }

STDAPI DllUnregisterServer() {
  try {
    HRESULT classes = activex::UnregisterServerClass(kControlClass);
    HRESULT page = activex::UnregisterServerClass(kPageClass);
    HRESULT library = activex::UnregisterModuleTypeLibrary(
        qx30w32::kLibraryId, qx30w32::kLibraryMajor, qx30w32::kLibraryMinor);
    if (FAILED(library)) return library;
    return FAILED(classes) ? classes : page;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDAPI DllRegisterServer() {
  try {
    HRESULT hr = activex::RegisterModuleTypeLibrary(activex::ModulePathW());
    if (SUCCEEDED(hr)) hr = activex::RegisterServerClass(kControlClass, activex::ModulePathA());
    if (SUCCEEDED(hr)) hr = activex::RegisterServerClass(kPageClass, activex::ModulePathA());
    // A half-made registration is worse than none.
    if (FAILED(hr)) DllUnregisterServer();
    return hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
