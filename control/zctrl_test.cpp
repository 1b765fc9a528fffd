// CZCtrl itself: drawing in design mode (a site whose ambient UserMode is FALSE), the
// process-wide current control when a control goes, and the settings-file name when the
// control's folder is unknown.
#include <gtest/gtest.h>

#include "control_test_support.h"
#include "control_settings.h"
#include "base/module_state.h"
#include "process_state.h"
#include "qx30w32_guids.h"
#include "zctrl.h"

namespace {

using controltest::Ptr;

// A client site that answers the ambient UserMode with a fixed value.
class AmbientSite final : public controltest::PassiveClientSite, public IDispatch {
 public:
  explicit AmbientSite(bool userMode) : userMode_(userMode) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
      *object = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(riid, IID_IDispatch)) {
      *object = static_cast<IDispatch*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    if (id != DISPID_AMBIENT_USERMODE) return DISP_E_MEMBERNOTFOUND;
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = userMode_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  LONG references = 1;

 private:
  bool userMode_;
};

// Draws the control through IViewObject into a white-on-black probe bitmap.
struct Drawing {
  explicit Drawing(IViewObject2* view) {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, 100, 100);
    ReleaseDC(nullptr, screen);
    old = SelectObject(dc, bitmap);
    RECT all = {0, 0, 100, 100};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECTL bounds = {0, 0, 100, 100};
    result = view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr,
                        nullptr, 0);
  }
  ~Drawing() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  bool AnyPixelNot(COLORREF colour, int left, int top, int right, int bottom) const {
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) {
        if (GetPixel(dc, x, y) != colour) return true;
      }
    }
    return false;
  }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  HRESULT result;
};

TEST(ControlDrawing, DesignModeShowsNameAndIconOnWhite) {
  Ptr<IOleObject> ole;
  ASSERT_EQ(S_OK, CoCreateInstance(qx30w32::kControlClassId, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IOleObject, ole.OutVoid()));
  AmbientSite designer(false);
  ASSERT_EQ(S_OK, ole->SetClientSite(&designer));
  Ptr<IViewObject2> view;
  ASSERT_EQ(S_OK, ole->QueryInterface(IID_IViewObject2, view.OutVoid()));
  {
    Drawing drawing(view.get());
    ASSERT_EQ(S_OK, drawing.result);
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(drawing.dc, 95, 95));  // filled white
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(drawing.dc, 2, 90));
    EXPECT_TRUE(drawing.AnyPixelNot(RGB(255, 255, 255), 1, 1, 90, 16));    // "Quillet OCX"
    EXPECT_TRUE(drawing.AnyPixelNot(RGB(255, 255, 255), 34, 34, 66, 66));  // the 32 x 32 icon
    EXPECT_FALSE(drawing.AnyPixelNot(RGB(255, 255, 255), 70, 70, 100, 100));
  }
  ASSERT_EQ(S_OK, ole->SetClientSite(nullptr));
  EXPECT_EQ(1, designer.references);

  // At run time (UserMode TRUE) nothing is drawn.
  AmbientSite runner(true);
  ASSERT_EQ(S_OK, ole->SetClientSite(&runner));
  {
    Drawing drawing(view.get());
    ASSERT_EQ(S_OK, drawing.result);
    EXPECT_FALSE(drawing.AnyPixelNot(RGB(0, 0, 0), 0, 0, 100, 100));
  }
  ASSERT_EQ(S_OK, ole->SetClientSite(nullptr));
}

TEST(ControlInstance, GoingControlClearsTheCurrentControl) {
  // These instances are made from the control's sources linked into this program.
  Ptr<IDispatch> first;
  Ptr<IDispatch> second;
  ASSERT_EQ(S_OK, CZCtrl::Create(IID_IDispatch, first.OutVoid()));
  ASSERT_EQ(S_OK, CZCtrl::Create(IID_IDispatch, second.OutVoid()));
  auto* firstControl = static_cast<CZCtrl*>(static_cast<activex::ActiveXControl*>(first.get()));
  SetCurrentModalBracket(firstControl);
  second.Reset();  // another control going leaves the current one alone
  EXPECT_EQ(firstControl, CurrentModalBracket());
  first.Reset();
  EXPECT_EQ(nullptr, CurrentModalBracket());
}

TEST(ControlInstance, SettingsFileIsTheBareNameWhenTheFolderIsUnknown) {
  // Linked into this program there is no module handle, so the control's folder is unknown.
  Ptr<IDispatch> control;
  ASSERT_EQ(S_OK, CZCtrl::Create(IID_IDispatch, control.OutVoid()));
  EXPECT_EQ(CZText(""), ControlFolder());
  EXPECT_EQ(CZText("QX30.INI"), IniName());
  EXPECT_TRUE(ShowPasswords());
  EXPECT_TRUE(SavePasswords());

  // SetIniFile and SetPasswordMode take their arguments as given. (No type library in this
  // program: the calls go by DISPID.)
  auto call = [&](DISPID id, std::vector<VARIANT> args) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    VARIANT result;
    VariantInit(&result);
    return control->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
  };
  VARIANT file;
  VariantInit(&file);
  V_VT(&file) = VT_BSTR;
  V_BSTR(&file) = SysAllocString(L"relative.ini");
  EXPECT_EQ(S_OK, call(56, {file}));
  VariantClear(&file);
  EXPECT_EQ(CZText("relative.ini"), IniName());
  VARIANT yes;
  VariantInit(&yes);
  V_VT(&yes) = VT_I2;
  V_I2(&yes) = 1;  // a host's TRUE may arrive as 1
  VARIANT no;
  VariantInit(&no);
  V_VT(&no) = VT_BOOL;
  V_BOOL(&no) = VARIANT_FALSE;
  EXPECT_EQ(S_OK, call(57, {no, yes}));
  EXPECT_FALSE(ShowPasswords());
  EXPECT_TRUE(SavePasswords());
}

}  // namespace
