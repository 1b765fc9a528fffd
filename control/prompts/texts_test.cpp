// The replaceable texts: defaults, replacement, and the indexes that change nothing.
#include <gtest/gtest.h>

#include "dialog_prompts.h"
#include "control_settings.h"

namespace {

class PromptTextsTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetPromptTexts(); }
};

TEST_F(PromptTextsTest, DefaultsOfSomeTexts) {
  EXPECT_STREQ("Rename %1...", PromptText(2));
  EXPECT_STREQ("Ne&ver", PromptText(12));
  EXPECT_STREQ("", PromptText(18));
  EXPECT_STREQ("Please choose backup set...", PromptText(19));
  EXPECT_STREQ("ZIP files|*.ZIP|All|*.*||", PromptText(20));
  EXPECT_STREQ("Build a new ZIP file...", PromptText(21));
}

TEST_F(PromptTextsTest, SetStringResourceReplacesOnlyValidIndexes) {
  SetStringResource(7, "Abbrechen");
  EXPECT_STREQ("Abbrechen", PromptText(7));
  SetStringResource(7, nullptr);
  EXPECT_STREQ("", PromptText(7));
  for (int index : {18, 22, -1, 1000}) {
    SCOPED_TRACE(index);
    SetStringResource(index, "changed");
    for (int i = 0; i < kPromptTextCount; ++i) EXPECT_STRNE("changed", PromptText(i));
    EXPECT_STREQ("", PromptText(index));
  }
}

}  // namespace
