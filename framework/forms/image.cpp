#include "forms/image.h"

namespace forms {

Image::Image(Component* owner, WinControl* parent, const CreateArgs& args)
    : GraphicControl(owner, parent) {
  Center = args.center;
  Stretch = args.stretch;
  bounds_ = {args.left, args.top, args.left + args.width, args.top + args.height};
  Picture.OnChange = [this] { Invalidate(); };
}

void Image::Paint() {
  if (Picture.Empty()) return;
  Canvas& canvas = GetCanvas();
  HDC source = Picture.GetCanvas().Handle();
  if (Stretch) {
    StretchBlt(canvas.Handle(), 0, 0, Width(), Height(), source, 0, 0, Picture.Width(),
               Picture.Height(), SRCCOPY);
  } else {
    const int x = Center ? (Width() - Picture.Width()) / 2 : 0;
    const int y = Center ? (Height() - Picture.Height()) / 2 : 0;
    BitBlt(canvas.Handle(), x, y, Picture.Width(), Picture.Height(), source, 0, 0, SRCCOPY);
  }
  Picture.Dormant();
}

ImageList::ImageList(Component* owner, const CreateArgs& args)
    : Component(owner), width_(args.width), height_(args.height) {
  handle_ =
      ImageList_Create(args.width, args.height, ILC_COLOR24 | (args.masked ? ILC_MASK : 0), 4, 4);
}

ImageList::~ImageList() { Release(); }

void ImageList::Release() {
  if (handle_ != nullptr && owned_) ImageList_Destroy(handle_);
  handle_ = nullptr;
}

void ImageList::Borrow(HIMAGELIST list) {
  Release();
  handle_ = list;
  owned_ = false;
  if (list != nullptr) ImageList_GetIconSize(list, &width_, &height_);
}

namespace {
HBITMAP DeviceCopy(Bitmap& image) {
  // The image list keeps its own copy; hand it a bitmap not selected into any context.
  image.Dormant();
  return static_cast<HBITMAP>(CopyImage(image.Handle(), IMAGE_BITMAP, 0, 0, 0));
}
}  // namespace

int ImageList::Add(Bitmap& image, Bitmap* mask) {
  HBITMAP picture = DeviceCopy(image);
  HBITMAP maskCopy = mask != nullptr ? DeviceCopy(*mask) : nullptr;
  const int index = ImageList_Add(handle_, picture, maskCopy);
  DeleteObject(picture);
  if (maskCopy != nullptr) DeleteObject(maskCopy);
  return index;
}

int ImageList::AddMasked(Bitmap& image, COLORREF maskColor) {
  HBITMAP picture = DeviceCopy(image);
  const int index = ImageList_AddMasked(handle_, picture, maskColor);
  DeleteObject(picture);
  return index;
}

int ImageList::AddIcon(HICON icon) { return ImageList_AddIcon(handle_, icon); }

}  // namespace forms
