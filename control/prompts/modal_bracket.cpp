#include "modal_bracket.h"

namespace {
ModalBracket* g_current = nullptr;
// The innermost open scope; the controls' apartment thread is the only one that opens scopes.
ModalScope* g_innermost = nullptr;
}  // namespace

ModalBracket* CurrentModalBracket() { return g_current; }

void SetCurrentModalBracket(ModalBracket* control) { g_current = control; }

void ForgetModalBracket(ModalBracket* control) {
  if (g_current == control) g_current = nullptr;
  for (ModalScope* scope = g_innermost; scope != nullptr; scope = scope->outer_) {
    if (scope->control_ == control) scope->control_ = nullptr;
  }
}

// The control is held for the whole dialog: the Post call goes to the control the Pre call went
// to, even when the current control changes meanwhile.
ModalScope::ModalScope() : control_(g_current), outer_(g_innermost) {
  g_innermost = this;
  if (control_ != nullptr) {
    control_->PreModalDialog();
    owner_ = control_->DialogOwner();
  }
}

ModalScope::~ModalScope() {
  g_innermost = outer_;
  if (control_ != nullptr) control_->PostModalDialog();
}
