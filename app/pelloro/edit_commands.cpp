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

void TMainfrm::CreateNewZip1Click() {
  auto dialog = std::make_unique<TNewZipFrm>(this, *this);
  // Files are added only to an archive this dialog created and listed.
  const bool created = dialog->ShowModal() == forms::mrOk;
  const bool addNow = created && dialog->CheckBox1->Checked();
  dialog.reset();
  if (addNow) Addfiles1Click();
}

void TMainfrm::Addfiles1Click() {
  DisableActions();
  struct Enable {
    TMainfrm* main;
    ~Enable() {
      forms::Guard([this] { main->EnableActions(); });
    }
  } enable{this};
  auto dialog = std::make_unique<TAddFilesfrm>(this, *this);
  dialog->ShowModal();
}

void TMainfrm::Extract1Click() {
  DisableActions();
  struct Enable {
    TMainfrm* main;
    ~Enable() {
      forms::Guard([this] { main->EnableActions(); });
    }
  } enable{this};
  auto dialog = std::make_unique<Tunzipnow>(this, *this);
  dialog->ShowModal();
}

void TMainfrm::Properties1Click() {
  DisableActions();
  struct Enable {
    TMainfrm* main;
    ~Enable() {
      forms::Guard([this] { main->EnableActions(); });
    }
  } enable{this};
  auto dialog = std::make_unique<Tpropsfrm>(this, *this);
  dialog->ShowModal();
}

void TMainfrm::Removewithwildcard1Click() {
  DisableActions();
  struct Enable {
    TMainfrm* main;
    ~Enable() {
      forms::Guard([this] { main->EnableActions(); });
    }
  } enable{this};
  auto dialog = std::make_unique<TWildcardremove>(this, *this);
  dialog->ShowModal();
}

void TMainfrm::Refresh1Click() {
  DisableActions();
  struct Enable {
    TMainfrm* main;
    ~Enable() {
      forms::Guard([this] { main->EnableActions(); });
    }
  } enable{this};
  Repaint();
  if (forms::MessageDlg("Would you like to re-read the contents of the Zip file as well?",
                        forms::MsgDlgType::mtConfirmation, forms::mbYes | forms::mbNo,
                        0) == forms::mrYes) {
    TQXCtrl::CallScope call(*QXCtrl1);
    OpenAndList();
  }
}

}  // namespace pelloro
