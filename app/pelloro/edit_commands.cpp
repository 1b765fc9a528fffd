// The main window's editing commands: new archive, adding files, extracting, the archive's
// properties, removing by wildcard or by selection, refreshing, moving or copying and deleting
// the archive, repairing one and adding dropped files.
#include <windows.h>

#include <memory>

#include "add_files_form.h"
#include "captions.h"
#include "command_scopes.h"
#include "compression_error.h"
#include "forms/guard.h"
#include "forms/message_dialogs.h"
#include "main_form.h"
#include "move_copy_form.h"
#include "new_zip_form.h"
#include "op_form.h"
#include "props_form.h"
#include "unzip_now_form.h"
#include "wildcard_remove_form.h"

namespace pelloro {

namespace {

bool AskYesNo(const std::string& question) {
  return forms::MessageDlg(question, forms::MsgDlgType::mtConfirmation, forms::mbYes | forms::mbNo,
                           0) == forms::mrYes;
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

namespace pelloro {

void TMainfrm::MoveCopyZip1Click() {
  const BusyCaption busy(*this);
  const auto dialog = std::make_unique<TMoveCopyfrm>(this, *this);
  dialog->ShowModal();
}

void TMainfrm::RecyclingBin1Click() {
  const BusyCaption busy(*this);
  const std::string path = CurrentArchive();
  if (!AskYesNo("You are about to delete\r\n\r\n" + path + "\r\n\r\n" + "Are you sure?")) return;
  Operator->SetOperation(TFileOperation::foDelete);
  Operator->SetSourceName(path);
  Operator->SetDestination("");
  // Failed, or the shell's own question answered No: the archive stays open and listed.
  if (!Operator->Execute()) return;
  ShowClosed();
}

void TMainfrm::RemoveselectedFiles1Click() {
  const ActionsOff off(*this);
  if (MSListview1->SelCount() == 0 || !AskYesNo("Really delete all selected files?")) return;
  const Progress progress(*this, 'C');
  TQXCtrl::CallScope call(*QXCtrl1);
  QXCtrl1->DeleteWithSelection(CurrentArchive(), MSListview1->Handle(), MSListview1->Handle(), true,
                               true);
  ShowActivity('A');
  OpenAndList();
}

void TMainfrm::RepairCorruptZipfile1Click() {
  const BusyCaption busy(*this);
  if (!OpenDialog1->Execute()) return;
  const std::string path = OpenDialog1->FileName;
  UseArchive(path);
  short result = 0;
  {
    const Progress progress(*this, 'G');
    TQXCtrl::CallScope call(*QXCtrl1);
    result = QXCtrl1->Repare(path, true);
  }
  if (result != 0) {
    forms::MessageDlg("Repair failed (error " + std::to_string(result) + ").",
                      forms::MsgDlgType::mtError, forms::mbOK, 0);
    return;
  }
  if (AskYesNo("Repair completed.  Would you like to try and open this Zip file now?")) {
    OpenByTheRoad(path);
  }
}

void TMainfrm::FileDrag1Drop() {
  std::vector<std::string> paths;
  for (int i = 0; i < FileDrag1->NameWithPath().Count(); ++i) {
    paths.push_back(FileDrag1->NameWithPath()[i]);
  }
  BringToFront();
  if (!AskYesNo("Add all dropped files?")) return;
  const ActionsOff off(*this);
  const Progress progress(*this, 'B');
  TQXCtrl::CallScope call(*QXCtrl1);
  {
    const WindowDisabled disabled(Handle());
    for (const std::string& path : paths) {
      const short result =
          QXCtrl1->ZipFiles(CurrentArchive(), path, false, 0, 0, 0, false, false, "", true);
      if (result != 0) ShowCompressionError(result);
    }
  }
  ShowActivity('A');
  OpenAndList();
}

}  // namespace pelloro
