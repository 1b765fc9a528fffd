#include "wizard_commands.h"

#include <functional>
#include <string>

#include "about_box.h"
#include "batch_decompress.h"
#include "command_scopes.h"
#include "forms/application.h"
#include "forms/guard.h"
#include "main_form.h"
#include "options_form.h"
#include "unzip_wizard.h"

namespace pelloro {

namespace {

// The unzip wizard with the main window hidden; it comes back (actions on) however the wizard
// ends, unless the program is ending.
void UnzipWizard1Click(TMainfrm& main) {
  main.DisableActions();
  struct Back {
    TMainfrm& main;
    ~Back() {
      forms::Guard([this] {
        if (!forms::App().Terminated()) main.Show();
        main.EnableActions();
      });
    }
  } back{main};
  main.Hide();
  TWizardfrm wizard(nullptr, main);
  wizard.ShowModal();
  wizard.RethrowFailure();
}

}  // namespace

void WireWizardCommands(TMainfrm& main) {
  TMainfrm* window = &main;
  BindMenuItem(main, "UnzipWizard1", [window] { UnzipWizard1Click(*window); });
  BindMenuItem(main, "BatchDecompress1", [window] {
    TBatchDecompressfrm batch(nullptr, *window);
    batch.ShowModal();
    batch.RethrowFailure();
  });
  BindMenuItem(main, "Options1", [window] { ShowWhileBusy<TOptionsfrm>(*window); });
  BindMenuItem(main, "About1", [window] { ShowWhileBusy<TAboutBox>(*window); });
}

}  // namespace pelloro
