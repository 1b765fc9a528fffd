// The fixture of the component tests: the application initialised and every standard exception
// message recorded instead of shown (the forms tests' fixture), none expected at the end.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/application.h"
#include "forms/bitmap.h"
#include "forms/form_test_fixture.h"

namespace componenttest {

// The forms tests' fixture, and a component test ends with no standard exception message left.
class ComponentTest : public formstest::FormsTest {
 protected:
  void TearDown() override {
    formstest::FormsTest::TearDown();
    EXPECT_TRUE(exceptions.empty()) << (exceptions.empty() ? "" : exceptions.front());
  }
};

// A memory device context with a 32-bit image of the size, filled with a colour.
class MemoryCanvas {
 public:
  MemoryCanvas(int width, int height, COLORREF fill) {
    bitmap_.SetSize(width, height);
    RECT all = {0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc(), &all, brush);
    DeleteObject(brush);
  }
  HDC dc() { return bitmap_.GetCanvas().Handle(); }
  COLORREF Pixel(int x, int y) { return GetPixel(dc(), x, y) & 0xFFFFFF; }
  forms::Bitmap& Image() { return bitmap_; }

 private:
  forms::Bitmap bitmap_;
};

// A square image: background colour with a filled square of another colour inside.
inline void MakeSquareImage(forms::Bitmap& image, int size, COLORREF background, COLORREF square,
                            int from, int to) {
  image.SetSize(size, size);
  forms::Canvas& c = image.GetCanvas();
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x)
      SetPixel(c.Handle(), x, y,
               (x >= from && x < to && y >= from && y < to) ? square : background);
  }
  image.Changed();
}

}  // namespace componenttest
