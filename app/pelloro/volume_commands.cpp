#include "volume_commands.h"

#include <memory>

#include "backup_form.h"
#include "command_scopes.h"
#include "join_form.h"
#include "main_form.h"
#include "restore_form.h"
#include "sfx_wizard.h"

namespace pelloro {

void WireVolumeCommands(TMainfrm& main) {
  TMainfrm* window = &main;
  BindMenuItem(main, "MakeSFX1", [window] { ShowWithActionsOff<TForm1form>(*window); });
  BindMenuItem(main, "BackupaDrive1", [window] { ShowWhileBusy<TBackupfilesfrm>(*window); });
  BindMenuItem(main, "RestorefromaBackup1", [window] { ShowWhileBusy<TRestoreform>(*window); });
  BindMenuItem(main, "RejoinZipfile1", [window] { ShowWhileBusy<TJoinfrm>(*window); });
}

}  // namespace pelloro
