// ShowCompressionError over -1 and 0..18: each message dialog read while it is up (OnModal): the
// code's text, the error type, a single OK button.
#include <gtest/gtest.h>

#include <string>

#include "app_test_support.h"
#include "compression_error.h"
#include "forms/buttons.h"
#include "forms/label.h"
#include "gui_driver.h"

namespace {

constexpr char kCatchAll[] =
    "You should not see this error, if you do please contact Brindle Corvex";

const struct {
  short code;
  const char* text;
} kCases[] = {
    {-1, kCatchAll},
    {0, kCatchAll},
    {1, "Received a Warning, But Zip file was not corrupted."},
    {2, "Destination Zip file was corrupt."},
    {3, "Internal Compression Error."},
    {4, "The file you are trying to compress to is not a Zip..."},
    {5, "Insufficiant memory to perform compression..."},
    {6, "Nothing to do, select some files first..."},
    {7, "Required DLL's were not found, contact Brindle Corvex..."},
    {8, "Comment missing or Null."},
    {9, "Could not encrypt files."},
    {10, kCatchAll},
    {11, kCatchAll},
    {12, "Access to Zip file denied.  Please unlock it then try again."},
    {13, "Drive not ready"},
    {14, "The drive you are trying to compress to is Read-Only."},
    {15, "The drive you are trying to compress to is Write-Protected."},
    {16, "Disk drive full. Free some space and try again."},
    {17, "User abort.  Zip may be corrupt."},
    {18, kCatchAll},
};

class CompressionErrorTest : public apptest::AppTest {};

TEST_F(CompressionErrorTest, EachCodeShowsItsTextWithTheErrorIconAndOkOnly) {
  for (const auto& c : kCases) {
    std::string text, caption;
    std::vector<std::string> buttons;
    guitest::OnModal([&](forms::Form& dialog) {
      caption = dialog.Caption();
      text = guitest::Get<forms::Label>(dialog, "Message").Caption();
      for (forms::Component* part : dialog.Components()) {
        if (dynamic_cast<forms::Button*>(part) != nullptr) buttons.push_back(part->Name());
      }
      if (c.code == 17) guitest::SaveScreenshot(dialog.Handle(), "pelloro_result_17.bmp");
      guitest::Click(dialog, "OK");
    });
    pelloro::ShowCompressionError(c.code);
    EXPECT_EQ(text, c.text) << c.code;
    EXPECT_EQ(text, pelloro::CompressionErrorText(c.code)) << c.code;
    EXPECT_EQ(caption, "Error") << c.code;  // the error type: its caption and icon
    EXPECT_EQ(buttons, std::vector<std::string>{"OK"}) << c.code;
  }
  EXPECT_TRUE(exceptions.empty());
}

}  // namespace
