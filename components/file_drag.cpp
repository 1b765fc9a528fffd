#include "file_drag.h"

#include <shellapi.h>

#include <vector>

#include "forms/win_control.h"

TFileDrag::TFileDrag(forms::Component* owner) : Component(owner) {
  window_ = dynamic_cast<forms::WinControl*>(owner);
  if (window_ != nullptr) {
    hook_ = window_->AddMessageHook([this](forms::Message& message) {
      if (message.msg != WM_DROPFILES) return false;
      HandleDrop(reinterpret_cast<HDROP>(message.wParam));
      message.result = 0;
      return true;
    });
  }
  SetEnableDrop(false);
}

TFileDrag::~TFileDrag() {
  if (window_ != nullptr) {
    window_->RemoveMessageHook(hook_);
    if (window_->Handle() != nullptr) DragAcceptFiles(window_->Handle(), FALSE);
  }
}

void TFileDrag::SetEnableDrop(bool value) {
  enableDrop_ = value && window_ != nullptr;
  if (window_ != nullptr && window_->Handle() != nullptr)
    DragAcceptFiles(window_->Handle(), enableDrop_);
}

void TFileDrag::HandleDrop(HDROP drop) {
  std::vector<char> buffer(128);
  nameWithPath_.Clear();
  nameOnly_.Clear();
  extension_.Clear();
  fileCount_ = static_cast<int>(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0));
  for (int index = 0; index < fileCount_; ++index) {
    const UINT needed = DragQueryFileA(drop, static_cast<UINT>(index), nullptr, 0) + 1;
    if (needed > buffer.size()) buffer.resize(needed);
    const UINT length = DragQueryFileA(drop, static_cast<UINT>(index), buffer.data(),
                                       static_cast<UINT>(buffer.size()));
    const std::string name(buffer.data(), length);
    // From the end: each dot remembers the place after it; the first backslash ends the scan.
    size_t nameStart = 0;
    size_t afterDot = std::string::npos;
    for (size_t i = name.size(); i > 0; --i) {
      const char c = name[i - 1];
      if (c == '.') afterDot = i;
      if (c == '\\') {
        nameStart = i;
        break;
      }
    }
    nameWithPath_.Add(name);
    nameOnly_.Add(name.substr(nameStart));
    extension_.Add(afterDot == std::string::npos ? std::string() : name.substr(afterDot));
  }
  // The drop is released once listed, before the handler runs.
  DragFinish(drop);
  if (OnDrop) OnDrop(*this);
}
