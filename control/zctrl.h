// CZCtrl, the QX30W32 control: the carrier of the archive engine. It owns the engine objects,
// answers the automation interface _DQX (dispatch_members.cpp), turns the engine's progress
// messages into _DQXEvents events (event_messages.cpp), draws itself only in design mode and
// persists the 16-byte ControlData.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "activex/activex_control.h"
#include "modal_bracket.h"

class CZZip;
class CZUnzip;

class CZCtrl final : public activex::ActiveXControl, public ModalBracket {
 public:
  // Status bits of the content aspect: activated when visible, inside-out, wants its site first.
  // Never OLEMISC_INVISIBLEATRUNTIME: the control window is the engine's notification window.
  static constexpr DWORD kMiscStatus = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST |
                                       OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE |
                                       OLEMISC_RECOMPOSEONRESIZE;
  static constexpr uint32_t kPersistedVersion = 0x00030000;  // 3.0
  static constexpr short kZipBufferSize = 32767;
  static constexpr short kUnzipBufferSize = 24576;

  // What a dispatch member needs of the control (DispatchMember::requirement bits).
  enum Requirement { kNeedsNothing = 0, kNeedsReader = 1, kNeedsWriter = 2 };

  static HRESULT Create(REFIID riid, void** object);
  // The class's names and interfaces as the framework needs them (its window class included).
  static const activex::ControlClassInfo& ClassInfo();

  CZCtrl();
  ~CZCtrl() override;

  CZZip* writer() const { return writer_; }
  CZUnzip* reader() const { return reader_; }
  const std::string& helpFile() const { return helpFileName_; }
  void SetHelpFile(const char* name);
  // The engine's prompts shown on this control's behalf are bracketed by its container.
  void PreModalDialog() override { ActiveXControl::PreModalDialog(); }
  void PostModalDialog() override { ActiveXControl::PostModalDialog(); }
  HWND DialogOwner() override { return ModalParent(); }
  // The About dialog, bracketed by the container's modal-dialog notifications.
  void AboutBox();
  // Creates a blank archive under name, or under the name a save dialog gives when openDialog
  // (bracketed by the container's modal-dialog notifications), and keeps the name for
  // TakeNewZipName. FALSE (nothing kept) when it failed, was cancelled, or name does not fit the
  // 1,023 characters of the name block.
  BOOL CreateBlankZipFile(const char* name, BOOL openDialog);
  // The archive name kept by the last successful CreateBlankZipFile; releases it, so a second
  // call gives "".
  std::string TakeNewZipName();

 protected:
  void OnDraw(HDC dc, const RECT& bounds) override;
  void ExchangeProperties(activex::PropertyExchange& exchange) override;
  bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  bool MemberAvailable(const activex::DispatchMember& member) override;

 private:
  void ReleaseNewNameBlock();

  std::string helpFileName_;
  CZZip* writer_ = nullptr;
  CZUnzip* reader_ = nullptr;
  char* newNameText_ = nullptr;
  HGLOBAL newNameBlock_ = nullptr;
};
