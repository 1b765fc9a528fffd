#include "activex/class_factory.h"

#include "activex/server_module.h"

namespace activex {

STDMETHODIMP ClassFactory::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

// A class object handed out keeps the module loaded, as a live object does.
STDMETHODIMP_(ULONG) ClassFactory::AddRef() {
  ObjectCreated();
  return 2;
}

STDMETHODIMP_(ULONG) ClassFactory::Release() {
  ObjectDestroyed();
  return 1;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  try {
    return create_(riid, object);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
  LockModule(lock != FALSE);
  return S_OK;
}

HRESULT GetClassObjectFrom(ClassFactory* const* factories, int count, REFCLSID clsid, REFIID riid,
                           void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  for (int i = 0; i < count; ++i) {
    if (IsEqualCLSID(clsid, factories[i]->clsid()))
      return factories[i]->QueryInterface(riid, object);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace activex
