// Images: Image (a windowless control showing a bitmap) and ImageList (the system's image
// list, owned or borrowed).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "forms/bitmap.h"
#include "forms/control.h"

namespace forms {

struct ImageCreateArgs {
  int left = 0, top = 0, width = 105, height = 105;
  bool center = false;
  bool stretch = false;
};

class Image : public GraphicControl {
 public:
  using CreateArgs = ImageCreateArgs;
  Image(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  Bitmap Picture;
  bool Center = false;
  bool Stretch = false;

 protected:
  void Paint() override;
};

struct ImageListCreateArgs {
  int width = 16, height = 16;
  bool masked = true;
};

class ImageList : public Component {
 public:
  using CreateArgs = ImageListCreateArgs;
  ImageList(Component* owner, const CreateArgs& args = CreateArgs());
  ~ImageList() override;
  HIMAGELIST Handle() const { return handle_; }
  // Uses an image list that belongs to somebody else (not destroyed here).
  void Borrow(HIMAGELIST list);
  int Count() const { return handle_ != nullptr ? ImageList_GetImageCount(handle_) : 0; }
  int Add(Bitmap& image, Bitmap* mask = nullptr);
  int AddMasked(Bitmap& image, COLORREF maskColor);
  int AddIcon(HICON icon);
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  void Release();
  HIMAGELIST handle_ = nullptr;
  bool owned_ = true;
  int width_, height_;
};

}  // namespace forms
