// The main window's editing commands: new archive, adding files, extracting, the archive's
// properties and removing by wildcard.
#include <memory>

#include "add_files_form.h"
#include "forms/guard.h"
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

}  // namespace pelloro
