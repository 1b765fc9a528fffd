#include "vantrel_startup.h"

#include <memory>

#include "forms/application.h"
#include "forms/guard.h"
#include "shell_add_form.h"
#include "shell_add_rules.h"
#include "shell_add_texts.h"

namespace vantrel {

int RunVantrel() {
  forms::Application& app = forms::App();
  app.Initialize("Vantrel");  // its windows' classes: "VantrelWindow", ...
  app.Title = kAppTitle;
  std::unique_ptr<TShellAddfrm> form;
  try {
    TShellAddfrmOptions options;
    options.Folders = CommandLineFolders();
    form = std::make_unique<TShellAddfrm>(nullptr, std::move(options));
  } catch (...) {
    // Without the registered control there is no form: the standard message, then out.
    forms::ReportCurrentException();
    return kExitStartFailed;
  }
  app.MainForm = form.get();
  app.Run();
  app.MainForm = nullptr;
  form.reset();
  return 0;
}

}  // namespace vantrel
