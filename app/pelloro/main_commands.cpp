// The main window's commands: one handler per menu item, toolbar button or component event,
// named by the component and its event (bound in main_form.cpp, the menus through their table).
#include <windows.h>

#include "captions.h"
#include "forms/message_dialogs.h"
#include "main_form.h"

namespace pelloro {

void TMainfrm::OpenNormal1Click() {
  SetCaption(kCaptionBusy);
  struct Idle {
    TMainfrm* form;
    ~Idle() { form->SetCaption(kCaptionIdle); }
  } idle{this};
  if (OpenDialog1->Execute()) OpenByTheRoad(OpenDialog1->FileName);
}

void TMainfrm::Exit1Click() {
  SetCaption(kCaptionExiting);
  Close();
}

void TMainfrm::ExplorerButton10Click() { Exit1Click(); }

void TMainfrm::MRUFileList1MRUItemClick(const std::string& fileName) {
  if (GetFileAttributesA(fileName.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const size_t slash = fileName.find_last_of("\\/:");
    const std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    forms::MessageDlg("Error: The file " + name + " could not be found\r\n\r\n" +
                          "It has been removed from the Recently used files list.",
                      forms::MsgDlgType::mtError, forms::mbCancel, 0);
    return;
  }
  OpenByTheRoad(fileName);
}

}  // namespace pelloro
