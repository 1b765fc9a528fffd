#include "wizard_commands.h"

#include <functional>
#include <string>

#include "about_box.h"
#include "batch_decompress.h"
#include "captions.h"
#include "forms/application.h"
#include "forms/guard.h"
#include "main_form.h"
#include "options_form.h"
#include "unzip_wizard.h"

namespace pelloro {

namespace {

void OnClick(TMainfrm& main, const char* name, std::function<void()> click) {
  if (auto* item = dynamic_cast<forms::MenuItem*>(main.FindComponent(name))) {
    item->OnClick = [click](forms::Component&) { click(); };
  }
}

// The caption reads " - Busy" while the dialog is up and " - Idle" afterwards, however it ends.
template <class Dialog>
void ShowBusy(TMainfrm& main) {
  main.SetCaption(kCaptionBusy);
  struct Idle {
    TMainfrm& main;
    ~Idle() {
      forms::Guard([this] { main.SetCaption(kCaptionIdle); });
    }
  } idle{main};
  Dialog dialog(&main);
  dialog.ShowModal();
}

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
  OnClick(main, "UnzipWizard1", [window] { UnzipWizard1Click(*window); });
  OnClick(main, "BatchDecompress1", [window] {
    TBatchDecompressfrm batch(nullptr, *window);
    batch.ShowModal();
    batch.RethrowFailure();
  });
  OnClick(main, "Options1", [window] { ShowBusy<TOptionsfrm>(*window); });
  OnClick(main, "About1", [window] { ShowBusy<TAboutBox>(*window); });
}

}  // namespace pelloro
