#include "volume_commands.h"

#include <memory>

#include "backup_form.h"
#include "captions.h"
#include "forms/guard.h"
#include "forms/menus.h"
#include "join_form.h"
#include "main_form.h"
#include "restore_form.h"
#include "sfx_wizard.h"

namespace pelloro {

namespace {

void OnClick(TMainfrm& main, const char* name, std::function<void()> click) {
  auto* item = dynamic_cast<forms::MenuItem*>(main.FindComponent(name));
  if (item != nullptr) item->OnClick = [click](forms::Component&) { click(); };
}

// The wizard with the main window's actions off, on again however it ends.
void ShowSfxWizard(TMainfrm& main) {
  main.DisableActions();
  struct On {
    TMainfrm& main;
    ~On() {
      forms::Guard([this] { main.EnableActions(); });
    }
  } on{main};
  const auto wizard = std::make_unique<TForm1form>(&main, main);
  wizard->ShowModal();
}

// A dialog between the busy and idle captions (idle again however it ends).
template <typename Dialog>
void ShowBusy(TMainfrm& main) {
  main.SetCaption(kCaptionBusy);
  struct Idle {
    TMainfrm& main;
    ~Idle() {
      forms::Guard([this] { main.SetCaption(kCaptionIdle); });
    }
  } idle{main};
  const auto dialog = std::make_unique<Dialog>(&main, main);
  dialog->ShowModal();
}

}  // namespace

void WireVolumeCommands(TMainfrm& main) {
  TMainfrm* window = &main;
  OnClick(main, "MakeSFX1", [window] { ShowSfxWizard(*window); });
  OnClick(main, "BackupaDrive1", [window] { ShowBusy<TBackupfilesfrm>(*window); });
  OnClick(main, "RestorefromaBackup1", [window] { ShowBusy<TRestoreform>(*window); });
  OnClick(main, "RejoinZipfile1", [window] { ShowBusy<TJoinfrm>(*window); });
}

}  // namespace pelloro
