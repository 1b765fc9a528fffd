// The main window's editing commands: new archive, adding files, extracting, the archive's
// properties, removing by wildcard and refreshing.
#include <memory>

#include "add_files_form.h"
#include "forms/guard.h"
#include "forms/message_dialogs.h"
#include "main_form.h"
#include "new_zip_form.h"
#include "props_form.h"
#include "unzip_now_form.h"
#include "wildcard_remove_form.h"

namespace pelloro {

namespace {

// The main window's actions are off while a command runs and on again however it ends.
class ActionsOff {
 public:
  explicit ActionsOff(TMainfrm& main) : main_(main) { main_.DisableActions(); }
  ~ActionsOff() {
    forms::Guard([this] { main_.EnableActions(); });
  }
  ActionsOff(const ActionsOff&) = delete;
  ActionsOff& operator=(const ActionsOff&) = delete;

 private:
  TMainfrm& main_;
};

// A command that is one modal dialog, with the actions off around it.
template <typename Dialog>
void ShowWithActionsOff(TMainfrm& main) {
  const ActionsOff off(main);
  const auto dialog = std::make_unique<Dialog>(&main, main);
  dialog->ShowModal();
}

}  // namespace

void TMainfrm::CreateNewZip1Click() {
  auto dialog = std::make_unique<TNewZipFrm>(this, *this);
  // Files are added only to an archive this dialog created and listed.
  const bool created = dialog->ShowModal() == forms::mrOk;
  const bool addNow = created && dialog->CheckBox1->Checked();
  dialog.reset();
  if (addNow) Addfiles1Click();
}

void TMainfrm::Addfiles1Click() { ShowWithActionsOff<TAddFilesfrm>(*this); }

void TMainfrm::Extract1Click() { ShowWithActionsOff<Tunzipnow>(*this); }

void TMainfrm::Properties1Click() { ShowWithActionsOff<Tpropsfrm>(*this); }

void TMainfrm::Removewithwildcard1Click() { ShowWithActionsOff<TWildcardremove>(*this); }

void TMainfrm::Refresh1Click() {
  const ActionsOff off(*this);
  Repaint();
  if (forms::MessageDlg("Would you like to re-read the contents of the Zip file as well?",
                        forms::MsgDlgType::mtConfirmation, forms::mbYes | forms::mbNo,
                        0) == forms::mrYes) {
    TQXCtrl::CallScope call(*QXCtrl1);
    OpenAndList();
  }
}

}  // namespace pelloro
