#include "toolbar_images.h"

#include <windows.h>

#include <functional>
#include <map>

namespace pelloro {

namespace {

constexpr COLORREF kClear = RGB(255, 0, 255);  // left out when drawn
constexpr COLORREF kInk = RGB(0, 0, 0);
constexpr COLORREF kPaper = RGB(255, 255, 255);
constexpr COLORREF kFolder = RGB(240, 200, 60);
constexpr COLORREF kZip = RGB(60, 110, 200);
constexpr COLORREF kGreen = RGB(40, 160, 60);
constexpr COLORREF kRed = RGB(200, 40, 40);
constexpr COLORREF kGrey = RGB(128, 128, 128);

// The drawing tools of one picture, each selected for one shape and released after it.
class Painter {
 public:
  explicit Painter(HDC dc) : dc_(dc) {}
  void Box(int l, int t, int r, int b, COLORREF fill, COLORREF edge = kInk) {
    Shape(fill, edge, [&] { Rectangle(dc_, l, t, r, b); });
  }
  void Round(int l, int t, int r, int b, COLORREF fill, COLORREF edge = kInk) {
    Shape(fill, edge, [&] { Ellipse(dc_, l, t, r, b); });
  }
  void Poly(std::initializer_list<POINT> points, COLORREF fill, COLORREF edge = kInk) {
    Shape(fill, edge, [&] { Polygon(dc_, points.begin(), static_cast<int>(points.size())); });
  }
  void Line(int x1, int y1, int x2, int y2, COLORREF colour, int width = 1) {
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    HGDIOBJ old = SelectObject(dc_, pen);
    MoveToEx(dc_, x1, y1, nullptr);
    LineTo(dc_, x2, y2);
    SelectObject(dc_, old);
    DeleteObject(pen);
  }
  // A sheet of paper with a folded corner.
  void Page(int l, int t, int r, int b) {
    Poly({{l, t}, {r - 5, t}, {r, t + 5}, {r, b}, {l, b}}, kPaper);
    Line(r - 5, t, r - 5, t + 5, kInk);
    Line(r - 5, t + 5, r, t + 5, kInk);
  }
  // An archive: a blue box with the zipper down its middle.
  void Archive(int l, int t, int r, int b) {
    Box(l, t, r, b, kZip);
    const int x = (l + r) / 2;
    for (int y = t + 2; y < b - 1; y += 2) Line(x - 1, y, x + 2, y, kPaper);
  }
  void Folder(int l, int t, int r, int b) {
    Poly({{l, t + 2}, {l + 6, t + 2}, {l + 8, t}, {r, t}, {r, b}, {l, b}}, kFolder);
  }

 private:
  template <class F>
  void Shape(COLORREF fill, COLORREF edge, F draw) {
    HBRUSH brush = CreateSolidBrush(fill);
    HPEN pen = CreatePen(PS_SOLID, 1, edge);
    HGDIOBJ oldBrush = SelectObject(dc_, brush);
    HGDIOBJ oldPen = SelectObject(dc_, pen);
    draw();
    SelectObject(dc_, oldPen);
    SelectObject(dc_, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
  }
  HDC dc_;
};

using Picture = std::function<void(Painter&)>;

const std::map<std::string, Picture>& Pictures() {
  static const std::map<std::string, Picture> pictures = {
      {"ExplorerButton1",  // open: a folder with the archive coming out
       [](Painter& p) {
         p.Folder(1, 8, 22, 22);
         p.Archive(9, 2, 19, 13);
       }},
      {"ExplorerButton2",  // new: a fresh page with a star
       [](Painter& p) {
         p.Page(4, 2, 19, 22);
         p.Poly({{15, 1},
                 {17, 6},
                 {22, 6},
                 {18, 9},
                 {20, 14},
                 {15, 11},
                 {10, 14},
                 {12, 9},
                 {8, 6},
                 {13, 6}},
                RGB(255, 230, 0));
       }},
      {"ExplorerButton12",  // find: a magnifying glass
       [](Painter& p) {
         p.Line(13, 13, 21, 21, kInk, 3);
         p.Round(2, 2, 16, 16, RGB(200, 230, 255));
       }},
      {"ExplorerButton4",  // unzip: an arrow out of the archive
       [](Painter& p) {
         p.Archive(1, 8, 13, 22);
         p.Poly({{12, 4}, {18, 4}, {18, 1}, {23, 7}, {18, 13}, {18, 10}, {12, 10}}, kGreen);
       }},
      {"ExplorerButton9",  // delete: a red cross over a page
       [](Painter& p) {
         p.Page(2, 2, 17, 22);
         p.Line(9, 9, 21, 21, kRed, 3);
         p.Line(21, 9, 9, 21, kRed, 3);
       }},
      {"ExplorerButton6",  // add: a plus beside the archive
       [](Painter& p) {
         p.Archive(1, 6, 13, 22);
         p.Box(15, 8, 19, 20, kGreen, kGreen);
         p.Box(11, 12, 23, 16, kGreen, kGreen);
       }},
      {"ExplorerButton7",  // properties: a page with lines of text
       [](Painter& p) {
         p.Page(3, 1, 20, 22);
         for (int y = 7; y <= 18; y += 3) p.Line(6, y, 17, y, kZip);
       }},
      {"ExplorerButton8",  // repair: a spanner across the archive
       [](Painter& p) {
         p.Archive(1, 1, 14, 16);
         p.Line(8, 21, 19, 10, kGrey, 3);
         p.Round(16, 3, 23, 10, kGrey, kGrey);
         p.Round(18, 4, 22, 8, kClear, kClear);
       }},
      {"ExplorerButton5",  // view: an eye
       [](Painter& p) {
         p.Round(1, 6, 23, 18, kPaper);
         p.Round(8, 8, 16, 16, kZip);
         p.Round(10, 10, 14, 14, kInk);
       }},
      {"ExplorerButton3",  // the wasted-space wizard: a broom
       [](Painter& p) {
         p.Line(16, 1, 9, 14, RGB(140, 80, 20), 2);
         p.Poly({{5, 12}, {14, 16}, {11, 23}, {1, 19}}, kFolder);
       }},
      {"Installbtn",  // install: a box with an arrow into it
       [](Painter& p) {
         p.Box(2, 11, 22, 22, RGB(200, 150, 90));
         p.Poly({{9, 1}, {15, 1}, {15, 7}, {19, 7}, {12, 14}, {5, 7}, {9, 7}}, kGreen);
       }},
      {"ExplorerButton11",  // the unzip wizard: a wand over the archive
       [](Painter& p) {
         p.Archive(1, 9, 13, 22);
         p.Line(11, 12, 21, 2, kInk, 2);
         p.Poly({{19, 0}, {21, 3}, {23, 2}, {22, 5}, {23, 7}, {20, 6}}, RGB(255, 230, 0));
       }},
      {"ExplorerButton13",  // make a self-extractor: the archive with a gear
       [](Painter& p) {
         p.Archive(1, 1, 13, 15);
         p.Round(10, 10, 23, 23, kGrey);
         p.Round(14, 14, 19, 19, kPaper);
       }},
      {"ExplorerButton10",  // exit: an open door
       [](Painter& p) {
         p.Box(4, 1, 18, 23, RGB(150, 100, 50));
         p.Poly({{4, 1}, {13, 4}, {13, 23}, {4, 23}}, RGB(190, 140, 80));
         p.Poly({{15, 9}, {21, 9}, {21, 6}, {24, 12}, {21, 18}, {21, 15}, {15, 15}}, kRed);
       }},
  };
  return pictures;
}

}  // namespace

bool DrawToolbarImage(const std::string& button, forms::Bitmap& image) {
  const auto picture = Pictures().find(button);
  if (picture == Pictures().end()) return false;
  image.SetSize(kToolbarImageSize, kToolbarImageSize);
  HDC dc = image.GetCanvas().Handle();
  HBRUSH clear = CreateSolidBrush(kClear);
  const RECT all = {0, 0, kToolbarImageSize, kToolbarImageSize};
  ::FillRect(dc, &all, clear);
  DeleteObject(clear);
  Painter painter(dc);
  picture->second(painter);
  SetPixel(dc, 0, 0, kClear);  // the corner names the colour left out
  image.Changed();
  return true;
}

}  // namespace pelloro
