#include "ed_intern_form.h"

#include <windows.h>
// after windows.h
#include <richedit.h>

#include <vector>

#include "nviewlib.h"
#include "view_commands.h"

namespace pelloro {

namespace {

constexpr int kPictureExtent = 2500;

forms::FormCreateArgs ViewerArgs() {
  forms::FormCreateArgs args;
  args.caption = "Internal Viewer";
  args.width = 560;
  args.height = 420;
  args.borderStyle = forms::BorderStyle::bsSizeable;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

// The file's bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path) {
  std::string text;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char buffer[16384];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

// Lines split at CR LF, LF or a lone CR, as a text viewer shows them.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c == '\0' ? ' ' : c;  // a NUL would end the control's text
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

TEdInternfrm::TEdInternfrm(forms::Component* owner) : Form(owner, ViewerArgs()) {
  SetName("EdInternfrm");
  using forms::Add;
  Panel1 = Add<forms::Panel>(this, this, "Panel1", {.caption = "", .width = 552, .height = 33});
  Panel1->SetAlign(forms::Align::alTop);
  Label1 = Add<forms::Label>(this, Panel1, "Label1", {.caption = "File :", .left = 8, .top = 10});
  Label2 = Add<forms::Label>(this, Panel1, "Label2", {.caption = "(none)", .left = 44, .top = 10});
  BitBtn1 = Add<forms::Button>(
      this, Panel1, "BitBtn1",
      {.caption = "&Close", .left = 468, .top = 4, .isDefault = true, .cancel = true});
  BitBtn1->OnClick = [this](forms::Component&) { SetModalResult(forms::mrOk); };
  RichEdit1 = Add<forms::RichEdit>(
      this, this, "RichEdit1",
      {.text = "", .top = 33, .width = 552, .height = 360, .readOnly = true, .wordWrap = false});
  RichEdit1->SetAlign(forms::Align::alClient);
  ScrollBox1 = Add<forms::ScrollBox>(this, this, "ScrollBox1", {.top = 33, .width = 552});
  ScrollBox1->SetAlign(forms::Align::alClient);
  ScrollBox1->SetVisible(false);
  Image1 = Add<forms::Image>(this, ScrollBox1, "Image1", {});
  Image1->SetVisible(false);
}

void TEdInternfrm::LoadFile(const std::string& path) {
  if (IsImageFile(path)) {
    LoadPicture(path);
  } else {
    LoadText(path);
  }
}

void TEdInternfrm::LoadPicture(const std::string& path) {
  RichEdit1->SetVisible(false);
  ScrollBox1->SetVisible(true);
  Image1->SetVisible(true);
  Image1->SetBounds(0, 0, kPictureExtent, kPictureExtent);
  // The loader's bitmap is ours: the picture keeps a copy, the handle is freed here.
  const HBITMAP bitmap = NViewLibLoad(path.c_str(), 1);
  if (bitmap != nullptr) {
    Image1->Picture.AssignHandle(bitmap);
    DeleteObject(bitmap);
  } else {
    Image1->Picture.Clear();
  }
  Image1->Invalidate();
  ScrollBox1->UpdateScrollRange();
}

void TEdInternfrm::LoadText(const std::string& path) {
  // The control's own limit (32 KB) would cut a longer file.
  SendMessageA(RichEdit1->Handle(), EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  RichEdit1->SetLines(SplitLines(ReadWholeFile(path)));
  Image1->SetVisible(false);
  ScrollBox1->SetVisible(false);
  RichEdit1->SetVisible(true);
}

}  // namespace pelloro
