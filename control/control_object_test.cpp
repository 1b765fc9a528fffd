// The control and its property page as a client creates them without a container: by class
// identifier and by ProgID, the interfaces they answer, the persisted ControlData.
#include <gtest/gtest.h>

#include <cstring>

#include "control_test_support.h"
#include "qx30w32_guids.h"

namespace {

using controltest::Ptr;

HRESULT CreateByProgId(const wchar_t* progId, REFIID riid, void** object) {
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(progId, &clsid);
  if (FAILED(hr)) return hr;
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, riid, object);
}

struct InterfaceCase {
  const IID* iid;
  const char* name;
};

const InterfaceCase kControlInterfaces[] = {
    {&IID_IUnknown, "IUnknown"},
    {&IID_IDispatch, "IDispatch"},
    {&qx30w32::kDispatchId, "_DQX"},
    {&IID_IOleObject, "IOleObject"},
    {&IID_IOleWindow, "IOleWindow"},
    {&IID_IOleInPlaceObject, "IOleInPlaceObject"},
    {&IID_IOleControl, "IOleControl"},
    {&IID_IViewObject, "IViewObject"},
    {&IID_IViewObject2, "IViewObject2"},
    {&IID_IPersist, "IPersist"},
    {&IID_IPersistStreamInit, "IPersistStreamInit"},
    {&IID_IProvideClassInfo, "IProvideClassInfo"},
    {&IID_IProvideClassInfo2, "IProvideClassInfo2"},
    {&IID_ISpecifyPropertyPages, "ISpecifyPropertyPages"},
    {&IID_IConnectionPointContainer, "IConnectionPointContainer"},
};

TEST(ControlObject, AnswersItsInterfacesByClassIdAndByProgId) {
  Ptr<IUnknown> byClass;
  ASSERT_EQ(S_OK, CoCreateInstance(qx30w32::kControlClassId, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IUnknown, byClass.OutVoid()));
  Ptr<IUnknown> byProgId;
  ASSERT_EQ(S_OK, CreateByProgId(L"QX30W32.QXCtrl.1", IID_IUnknown, byProgId.OutVoid()));
  for (IUnknown* object : {byClass.get(), byProgId.get()}) {
    for (const InterfaceCase& c : kControlInterfaces) {
      Ptr<IUnknown> answer;
      EXPECT_EQ(S_OK, object->QueryInterface(*c.iid, answer.OutVoid())) << c.name;
    }
    // The same identity behind every interface.
    Ptr<IUnknown> viaOle;
    Ptr<IOleObject> ole;
    ASSERT_EQ(S_OK, object->QueryInterface(IID_IOleObject, ole.OutVoid()));
    ASSERT_EQ(S_OK, ole->QueryInterface(IID_IUnknown, viaOle.OutVoid()));
    EXPECT_EQ(object, viaOle.get());
    // Not offered: the things the control does not do.
    Ptr<IUnknown> none;
    EXPECT_EQ(E_NOINTERFACE,
              object->QueryInterface(IID_IOleInPlaceObjectWindowless, none.OutVoid()));
    EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(IID_IClassFactory2, none.OutVoid()));
  }
}

TEST(ControlObject, RefusesAggregation) {
  Ptr<IClassFactory> factory;
  ASSERT_EQ(S_OK, CoGetClassObject(qx30w32::kControlClassId, CLSCTX_INPROC_SERVER, nullptr,
                                   IID_IClassFactory, factory.OutVoid()));
  Ptr<IUnknown> object;
  IUnknown* outer = reinterpret_cast<IUnknown*>(factory.get());
  EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer, IID_IUnknown, object.OutVoid()));
}

TEST(ControlObject, PropertyPageIsAClassOfItsOwn) {
  Ptr<IPropertyPage> byClass;
  ASSERT_EQ(S_OK, CoCreateInstance(qx30w32::kPropertyPageClassId, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IPropertyPage, byClass.OutVoid()));
  Ptr<IPropertyPage> byProgId;
  ASSERT_EQ(S_OK, CreateByProgId(L"QX30W32.QXPropPage.1", IID_IPropertyPage, byProgId.OutVoid()));
  PROPPAGEINFO info = {};
  ASSERT_EQ(S_OK, byClass->GetPageInfo(&info));
  EXPECT_STREQ(L"General", info.pszTitle);
  EXPECT_GT(info.size.cx, 0);
  EXPECT_GT(info.size.cy, 0);
  CoTaskMemFree(info.pszTitle);
  Ptr<IUnknown> none;
  EXPECT_EQ(E_NOINTERFACE, byClass->QueryInterface(IID_IDispatch, none.OutVoid()));
  EXPECT_EQ(S_FALSE, byClass->IsPageDirty());
}

TEST(ControlObject, NamesItsPropertyPageAndEventInterface) {
  Ptr<ISpecifyPropertyPages> pages;
  ASSERT_EQ(S_OK, CoCreateInstance(qx30w32::kControlClassId, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ISpecifyPropertyPages, pages.OutVoid()));
  CAUUID list = {0, nullptr};
  ASSERT_EQ(S_OK, pages->GetPages(&list));
  ASSERT_EQ(1u, list.cElems);
  EXPECT_TRUE(IsEqualGUID(qx30w32::kPropertyPageClassId, list.pElems[0]));
  CoTaskMemFree(list.pElems);

  Ptr<IProvideClassInfo2> classInfo;
  ASSERT_EQ(S_OK, pages->QueryInterface(IID_IProvideClassInfo2, classInfo.OutVoid()));
  GUID events = GUID_NULL;
  ASSERT_EQ(S_OK, classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events));
  EXPECT_TRUE(IsEqualGUID(qx30w32::kEventsId, events));
  Ptr<ITypeInfo> coclass;
  ASSERT_EQ(S_OK, classInfo->GetClassInfo(coclass.Out()));
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(S_OK, coclass->GetTypeAttr(&attr));
  EXPECT_TRUE(IsEqualGUID(qx30w32::kControlClassId, attr->guid));
  coclass->ReleaseTypeAttr(attr);

  Ptr<IOleObject> ole;
  ASSERT_EQ(S_OK, pages->QueryInterface(IID_IOleObject, ole.OutVoid()));
  DWORD status = 0;
  ASSERT_EQ(S_OK, ole->GetMiscStatus(DVASPECT_CONTENT, &status));
  EXPECT_EQ(0u, status & OLEMISC_INVISIBLEATRUNTIME);
  CLSID clsid = CLSID_NULL;
  ASSERT_EQ(S_OK, ole->GetUserClassID(&clsid));
  EXPECT_TRUE(IsEqualCLSID(qx30w32::kControlClassId, clsid));
}

std::vector<uint8_t> StreamBytes(IStream* stream) {
  HGLOBAL memory = nullptr;
  EXPECT_EQ(S_OK, GetHGlobalFromStream(stream, &memory));
  STATSTG stat = {};
  stream->Stat(&stat, STATFLAG_NONAME);
  std::vector<uint8_t> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
  void* data = GlobalLock(memory);
  if (data != nullptr && !bytes.empty()) std::memcpy(bytes.data(), data, bytes.size());
  GlobalUnlock(memory);
  return bytes;
}

void Rewind(IStream* stream) {
  LARGE_INTEGER zero = {};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
}

TEST(ControlObject, SavesTheSixteenByteControlDataAndLoadsItBack) {
  Ptr<IPersistStreamInit> persist;
  ASSERT_EQ(S_OK, CoCreateInstance(qx30w32::kControlClassId, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IPersistStreamInit, persist.OutVoid()));
  ASSERT_EQ(S_OK, persist->InitNew());
  Ptr<IOleObject> ole;
  ASSERT_EQ(S_OK, persist->QueryInterface(IID_IOleObject, ole.OutVoid()));
  SIZEL extent = {450, 503};
  ASSERT_EQ(S_OK, ole->SetExtent(DVASPECT_CONTENT, &extent));
  EXPECT_EQ(S_OK, persist->IsDirty());

  Ptr<IStream> stream;
  ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, stream.Out()));
  ASSERT_EQ(S_OK, persist->Save(stream.get(), TRUE));
  EXPECT_EQ(S_FALSE, persist->IsDirty());
  const std::vector<uint8_t> expected = {0x00, 0x00, 0x03, 0x00, 0xC2, 0x01, 0x00, 0x00,
                                         0xF7, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(expected, StreamBytes(stream.get()));
  ULARGE_INTEGER size = {};
  ASSERT_EQ(S_OK, persist->GetSizeMax(&size));
  EXPECT_EQ(16u, size.QuadPart);

  // A fresh control takes the extent from the stream.
  Ptr<IPersistStreamInit> loaded;
  ASSERT_EQ(S_OK, CoCreateInstance(qx30w32::kControlClassId, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IPersistStreamInit, loaded.OutVoid()));
  Rewind(stream.get());
  ASSERT_EQ(S_OK, loaded->Load(stream.get()));
  Ptr<IOleObject> loadedOle;
  ASSERT_EQ(S_OK, loaded->QueryInterface(IID_IOleObject, loadedOle.OutVoid()));
  SIZEL back = {};
  ASSERT_EQ(S_OK, loadedOle->GetExtent(DVASPECT_CONTENT, &back));
  EXPECT_EQ(450, back.cx);
  EXPECT_EQ(503, back.cy);
}

TEST(ControlObject, AShortStreamFailsAndChangesNothing) {
  Ptr<IPersistStreamInit> persist;
  ASSERT_EQ(S_OK, CoCreateInstance(qx30w32::kControlClassId, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IPersistStreamInit, persist.OutVoid()));
  Ptr<IOleObject> ole;
  ASSERT_EQ(S_OK, persist->QueryInterface(IID_IOleObject, ole.OutVoid()));
  SIZEL extent = {820, 503};
  ASSERT_EQ(S_OK, ole->SetExtent(DVASPECT_CONTENT, &extent));
  // Version and a new cx, then the stream ends.
  const uint8_t truncated[] = {0x00, 0x00, 0x03, 0x00, 0x10, 0x00, 0x00, 0x00, 0x20, 0x00};
  Ptr<IStream> stream;
  ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, stream.Out()));
  ULONG written = 0;
  ASSERT_EQ(S_OK, stream->Write(truncated, sizeof truncated, &written));
  Rewind(stream.get());
  EXPECT_TRUE(FAILED(persist->Load(stream.get())));
  SIZEL back = {};
  ASSERT_EQ(S_OK, ole->GetExtent(DVASPECT_CONTENT, &back));
  EXPECT_EQ(820, back.cx);
  EXPECT_EQ(503, back.cy);
}

TEST(ControlObject, WithoutAContainerHasNoWindowAndDrawsNothingAtRunTime) {
  Ptr<IOleInPlaceObject> inPlace;
  ASSERT_EQ(S_OK, CoCreateInstance(qx30w32::kControlClassId, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IOleInPlaceObject, inPlace.OutVoid()));
  HWND window = reinterpret_cast<HWND>(1);
  EXPECT_EQ(E_FAIL, inPlace->GetWindow(&window));
  EXPECT_EQ(nullptr, window);
  // Without a site the ambient UserMode is TRUE: drawing leaves the device context untouched.
  Ptr<IViewObject2> view;
  ASSERT_EQ(S_OK, inPlace->QueryInterface(IID_IViewObject2, view.OutVoid()));
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 64, 64);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all = {0, 0, 64, 64};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  RECTL bounds = {0, 0, 64, 64};
  EXPECT_EQ(S_OK, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr,
                             nullptr, 0));
  EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 5, 5));
  EXPECT_EQ(DV_E_DVASPECT, view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, dc, &bounds,
                                      nullptr, nullptr, 0));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

}  // namespace
