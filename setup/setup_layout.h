// Where the installer's windows put their flat buttons: the wizard's forms and the end-to-end
// driver, which presses the windowless buttons of another process at these rectangles, share it.
#pragma once

#include <windows.h>

namespace setup::layout {

// The wizard's client area: the pages above, the tool panel with the buttons below.
constexpr int kWizardWidth = 480;
constexpr int kWizardHeight = 330;
constexpr RECT kPage = {0, 0, kWizardWidth, 280};
constexpr RECT kToolPanel = {0, 280, kWizardWidth, kWizardHeight};

// In the tool panel's client coordinates.
constexpr RECT kBackButton = {196, 10, 276, 38};
constexpr RECT kNextButton = {286, 10, 366, 38};
constexpr RECT kExitButton = {390, 10, 470, 38};
// In page 3's client coordinates.
constexpr RECT kBrowseButton = {384, 150, 464, 178};

}  // namespace setup::layout
