// The pictures of the main window's toolbar buttons, drawn in code: one 24 x 24 image per
// button, its corner pixel the colour left out when the image is drawn.
#pragma once

#include <string>

#include "forms/bitmap.h"

namespace pelloro {

inline constexpr int kToolbarImageSize = 24;

// Draws the picture of the toolbar button of that component name ("ExplorerButton1", ...,
// "Installbtn"); false (the image left as it was) for a name without one.
bool DrawToolbarImage(const std::string& button, forms::Bitmap& image);

}  // namespace pelloro
