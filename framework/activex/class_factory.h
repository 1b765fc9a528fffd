// The class object of one creatable class: makes instances through a creation function. The
// factories are static objects of the module, so their reference counts do not own them.
#pragma once

#include <windows.h>
#include <ole2.h>

namespace activex {

// Creates a new object and returns its interface riid; the object starts with that one
// reference.
using CreateInstanceFunction = HRESULT (*)(REFIID riid, void** object);

class ClassFactory final : public IClassFactory {
 public:
  ClassFactory(const CLSID& clsid, CreateInstanceFunction create)
      : clsid_(clsid), create_(create) {}

  const CLSID& clsid() const { return clsid_; }

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  const CLSID& clsid_;
  CreateInstanceFunction create_;
};

// DllGetClassObject over a list of factories.
HRESULT GetClassObjectFrom(ClassFactory* const* factories, int count, REFCLSID clsid, REFIID riid,
                           void** object);

}  // namespace activex
