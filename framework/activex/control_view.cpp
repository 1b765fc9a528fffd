// IViewObject2: the container asks the control to draw itself into a device context of its own
// (design mode, printing, a form's preview).
#include "activex/activex_control.h"

namespace activex {

STDMETHODIMP ActiveXControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawDC,
                                  LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                                  ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (drawDC == nullptr) return E_INVALIDARG;
  RECT area = {0, 0, 0, 0};
  if (bounds != nullptr) {
    area = {bounds->left, bounds->top, bounds->right, bounds->bottom};
  } else if (window_ != nullptr) {
    GetClientRect(window_, &area);
  } else {
    return E_INVALIDARG;
  }
  try {
    OnDraw(drawDC, area);
  } catch (...) {
    return E_FAIL;
  }
  return S_OK;
}

STDMETHODIMP ActiveXControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                         LOGPALETTE** colors) {
  if (colors != nullptr) *colors = nullptr;
  return S_FALSE;  // no particular palette
}

STDMETHODIMP ActiveXControl::Freeze(DWORD, LONG, void*, DWORD* freeze) {
  if (freeze != nullptr) *freeze = 0;
  return E_NOTIMPL;
}

STDMETHODIMP ActiveXControl::Unfreeze(DWORD) { return E_NOTIMPL; }

STDMETHODIMP ActiveXControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  viewAdvise_ = ComRef<IAdviseSink>::Share(sink);
  viewAdviseAspects_ = aspects;
  viewAdviseFlags_ = flags;
  return S_OK;
}

STDMETHODIMP ActiveXControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects != nullptr) *aspects = viewAdviseAspects_;
  if (flags != nullptr) *flags = viewAdviseFlags_;
  if (sink != nullptr) {
    *sink = ComRef<IAdviseSink>(viewAdvise_).take();
  }
  return S_OK;
}

STDMETHODIMP ActiveXControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

}  // namespace activex
