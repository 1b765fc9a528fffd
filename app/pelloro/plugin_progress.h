// What the three diskette dialogs share: the progress window with activity H ("Plugin Active")
// around one control call, closed on every path out; and a result's message (text and icon).
#pragma once

#include <optional>
#include <string>

#include "forms/guard.h"
#include "forms/message_dialogs.h"
#include "main_form.h"
#include "op_form.h"

namespace pelloro {

class PluginProgress {
 public:
  explicit PluginProgress(TMainfrm& main) : op_(main.Op()) {
    main.ShowActivity('H');
    if (op_ != nullptr) op_->Show();
  }
  ~PluginProgress() {
    if (op_ != nullptr) forms::Guard([this] { op_->Close(); });
  }
  PluginProgress(const PluginProgress&) = delete;
  PluginProgress& operator=(const PluginProgress&) = delete;

 private:
  TOp* op_;
};

struct ResultMessage {
  std::string text;
  forms::MsgDlgType type;
};

// Shows the message (OK button), when there is one.
inline void ShowResult(const std::optional<ResultMessage>& message) {
  if (message) forms::MessageDlg(message->text, message->type, forms::mbOK, 0);
}

}  // namespace pelloro
