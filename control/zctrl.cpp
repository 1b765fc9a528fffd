#include "zctrl.h"

#include <new>

#include "activex/server_module.h"
#include "writing/czzip.h"
#include "dispatch_members.h"
#include "engine_objects.h"
#include "event_messages.h"
#include "control_settings.h"
#include "process_state.h"
#include "qx30w32_guids.h"
#include "resource.h"

namespace {

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  try {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
      EndDialog(dialog, LOWORD(wParam));
      return TRUE;
    }
  } catch (...) {
  }
  return FALSE;
}

}  // namespace

HRESULT CZCtrl::Create(REFIID riid, void** object) {
  // The creation reference goes when this ends; QueryInterface's one stays.
  activex::ComRef<CZCtrl> control(new (std::nothrow) CZCtrl());
  if (!control) return E_OUTOFMEMORY;
  return control->QueryInterface(riid, object);
}

const activex::ControlClassInfo& CZCtrl::ClassInfo() {
  static const activex::ControlClassInfo info = {
      &qx30w32::kControlClassId,      &qx30w32::kLibraryId,
      &qx30w32::kDispatchId,          &qx30w32::kEventsId,
      &qx30w32::kPropertyPageClassId, CZCtrl::kMiscStatus,
      qx30w32::DispatchMembers(),     L"QX30W32 Control",
      L"QX30W32ControlWindow",        L"QX30W32"};
  return info;
}

CZCtrl::CZCtrl() : ActiveXControl(ClassInfo()) {
  // The form size seen in the hosts (HIMETRIC).
  SetInitialExtent({820, 503});
  if (qx30w32::NewWriterEngine(&writer_) == qx30w32::Allocation::kOutOfMemory) {
    MessageBoxA(nullptr, "Internal error.\nNot enough memory for ZIP functions", nullptr,
                MB_OK | MB_ICONSTOP);
  }
  if (qx30w32::NewReaderEngine(&reader_) == qx30w32::Allocation::kOutOfMemory) {
    MessageBoxA(nullptr, "Internal error.\nNot enough memory for UNZIP functions", nullptr,
                MB_OK | MB_ICONSTOP);
  }
  // Both password flags on, the settings file beside the control (the bare name when its folder
  // is unknown).
  ResetSettingsForNewControl();
}

CZCtrl::~CZCtrl() {
  // No later prompt may be bracketed by a control that is gone.
  ForgetModalBracket(this);
  ReleaseNewNameBlock();
  qx30w32::DeleteWriterEngine(writer_);
  writer_ = nullptr;
  qx30w32::DeleteReaderEngine(reader_);
  reader_ = nullptr;
}

void CZCtrl::ReleaseNewNameBlock() {
  if (newNameBlock_ != nullptr) {
    GlobalUnlock(newNameBlock_);
    GlobalFree(newNameBlock_);
  }
  newNameBlock_ = nullptr;
  newNameText_ = nullptr;
}

BOOL CZCtrl::CreateBlankZipFile(const char* name, BOOL openDialog) {
  constexpr SIZE_T kNameBlockSize = 1024;
  ReleaseNewNameBlock();
  const char* proposal = name != nullptr ? name : "";
  // A longer name would be cut to another file's name: refused.
  if (lstrlenA(proposal) >= static_cast<int>(kNameBlockSize)) return FALSE;
  newNameBlock_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kNameBlockSize);
  if (newNameBlock_ != nullptr) newNameText_ = static_cast<char*>(GlobalLock(newNameBlock_));
  if (newNameText_ == nullptr) {
    ReleaseNewNameBlock();
    return FALSE;
  }
  lstrcpynA(newNameText_, proposal, static_cast<int>(kNameBlockSize));
  PreModalDialog();
  const BOOL created = CZZip::CreateBlankZIPFile(newNameText_, openDialog, FALSE);
  PostModalDialog();
  if (!created) ReleaseNewNameBlock();
  return created;
}

std::string CZCtrl::TakeNewZipName() {
  std::string name = newNameText_ != nullptr ? std::string(newNameText_) : std::string();
  ReleaseNewNameBlock();
  return name;
}

void CZCtrl::SetHelpFile(const char* name) {
  helpFileName_ = name != nullptr ? name : "";
  qx30w32::Process().helpFile = helpFileName_;
}

void CZCtrl::AboutBox() {
  PreModalDialog();
  DialogBoxParamW(activex::ModuleHandle(), MAKEINTRESOURCEW(IDD_ABOUTBOX), ModalParent(), AboutProc,
                  0);
  PostModalDialog();
}

void CZCtrl::OnDraw(HDC dc, const RECT& bounds) {
  if (AmbientUserMode()) {
    // At run time the control takes no room on the host's form.
    if (window() != nullptr) SetWindowPos(window(), nullptr, -1, -1, 0, 0, SWP_NOZORDER);
    return;
  }
  FillRect(dc, &bounds, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const int oldMode = GetMapMode(dc);
  if (oldMode != MM_TEXT) SetMapMode(dc, MM_TEXT);
  static const char kName[] = "Quillet OCX";
  TextOutA(dc, bounds.left + 1, bounds.top + 1, kName, static_cast<int>(sizeof kName - 1));
  HICON icon = LoadIconW(activex::ModuleHandle(), MAKEINTRESOURCEW(IDI_CONTROL));
  if (icon != nullptr) {
    const int x = bounds.left + (bounds.right - bounds.left) / 2 - 16;
    const int y = bounds.top + (bounds.bottom - bounds.top) / 2 - 16;
    if (x >= 0 && y >= 0) DrawIcon(dc, x, y, icon);
  }
  if (oldMode != MM_TEXT) SetMapMode(dc, oldMode);
}

void CZCtrl::ExchangeProperties(activex::PropertyExchange& exchange) {
  // The control has no properties of its own: its version, then the base's state (the extent).
  uint32_t version = kPersistedVersion;
  exchange.Exchange(version);
  ExchangeBaseState(exchange);
}

bool CZCtrl::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_CREATE) {
    *result = 0;  // the base's creation has nothing that can fail
    return true;
  }
  if (qx30w32::FireEventForMessage(*this, message, wParam, lParam)) {
    *result = 0;
    return true;
  }
  return false;
}

bool CZCtrl::MemberAvailable(const activex::DispatchMember& member) {
  if ((member.requirement & kNeedsReader) && reader_ == nullptr) return false;
  if ((member.requirement & kNeedsWriter) && writer_ == nullptr) return false;
  return true;
}
