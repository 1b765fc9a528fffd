#include "startup.h"

#include <memory>

#include "captions.h"
#include "forms/application.h"
#include "forms/guard.h"
#include "main_form.h"
#include "op_form.h"
#include "splash_form.h"

namespace pelloro {

int RunPelloro(const CLSID* control, std::function<void(forms::Form& owner)> showTipWindow) {
  forms::Application& app = forms::App();
  app.Initialize("Pelloro");  // its windows' classes: "PelloroWindow", ...
  // Only the second argument is looked at: the archive (the first is the shell's switch).
  const std::string argument =
      forms::Application::ParamCount() >= 2 ? forms::Application::ParamStr(2) : std::string();
  auto splash = std::make_unique<TSplash>(nullptr, argument);
  splash->Show();
  splash->Repaint();
  if (splash->HandoffFlag == 1) return kExitHandedOff;

  app.Title = kAppTitle;
  app.HelpFile = kHelpFileName;
  std::unique_ptr<TMainfrm> main;
  std::unique_ptr<TOp> op;
  try {
    TMainfrmOptions options;
    options.Argument = argument;
    options.ControlClass = control;
    options.ShowTipWindow = showTipWindow;
    main = std::make_unique<TMainfrm>(nullptr, options);
    op = std::make_unique<TOp>(nullptr);
    main->SetOp(op.get());
  } catch (...) {
    // Without the registered control there is no main window: the standard message, then out.
    forms::ReportCurrentException();
    return kExitStartFailed;
  }
  splash.reset();
  app.MainForm = main.get();
  app.Run();
  app.MainForm = nullptr;
  main->SetOp(nullptr);
  op.reset();
  main.reset();
  return 0;
}

}  // namespace pelloro
