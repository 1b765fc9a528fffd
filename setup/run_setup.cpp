#include "run_setup.h"

#include <memory>

#include "background_form.h"
#include "forms/application.h"
#include "main_form.h"
#include "progman_dde.h"
#include "setup_texts.h"
#include "status_form.h"
#include "uninstall_form.h"

namespace setup {

int RunSetup() {
  forms::Application& app = forms::App();
  app.Initialize("Setup");
  app.Title = texts::kApplicationTitle;
  int exitCode = texts::kExitOk;
  const auto finish = [&](int code) {
    exitCode = code;
    app.Terminate();
  };
  auto background = std::make_unique<TBackgroundfrm>(nullptr);
  auto status = std::make_unique<TStatusfrm>(nullptr);
  auto popup = std::make_unique<TPopupfrm>(nullptr);
  auto wizard = std::make_unique<TMainfrm>(nullptr, *background->DdeClient, *status, *popup);
  auto uninstaller = std::make_unique<TUninstallfrm>(nullptr);
  background->Wizard = wizard.get();
  background->Uninstaller = uninstaller.get();
  background->OnFinished = finish;
  wizard->OnFinished = finish;
  uninstaller->OnFinished = [&] { finish(texts::kExitOk); };
  app.MainForm = background.get();
  background->SetWindowState(forms::WindowState::wsMaximized);
  app.Run();
  app.MainForm = nullptr;
  return exitCode;
}

}  // namespace setup
