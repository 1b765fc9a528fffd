// The progress window on its own: the activity labels, the event texts, cancel and the flag's
// reset by the next show, and the game with an injected random source.
#include <gtest/gtest.h>

#include <string>

#include "app_test_support.h"
#include "gui_driver.h"
#include "op_form.h"

namespace {

using pelloro::TOp;

class OpTest : public apptest::AppTest {
 protected:
  void SetUp() override {
    apptest::AppTest::SetUp();
    if (IsSkipped()) return;
    op = std::make_unique<TOp>(nullptr);
    op->Random = [this](int range) {
      lastRange = range;
      return secret;
    };
    op->Randomize = [this] { ++seeds; };
  }
  void TearDown() override {
    op.reset();
    apptest::AppTest::TearDown();
  }
  void Guess(const std::string& text) {
    guitest::SetText(*op->Edit1, text);
    guitest::Click(*op->BitBtn1);
  }
  std::unique_ptr<TOp> op;
  int secret = 4242;
  int lastRange = 0;
  int seeds = 0;
};

bool Bold(forms::Label* label) { return (label->GetFont().Style() & forms::fsBold) != 0; }

TEST_F(OpTest, ShowActivityMakesOneLabelBoldAndResetsTheBar) {
  op->Show();
  const struct {
    char letter;
    const char* caption;
  } cases[] = {{'A', "Reading Zip"},         {'b', "Adding Files"},       {'C', "Removing Files"},
               {'D', "Changing Properties"}, {'E', "Extracting File(s)"}, {'f', "Viewing File"},
               {'G', "Repairing File"},      {'h', "Plugin Active"},      {'Z', nullptr}};
  for (const auto& c : cases) {
    op->Progress->SetPosition(40);
    op->ShowActivity(c.letter);
    EXPECT_EQ(op->Progress->Position(), 0) << c.letter;
    int bold = 0;
    for (forms::Label* label : {op->A, op->B, op->C, op->D, op->E, op->f, op->g, op->h}) {
      if (Bold(label)) {
        ++bold;
        EXPECT_EQ(label->Caption(), c.caption) << c.letter;
      }
    }
    EXPECT_EQ(bold, c.caption != nullptr ? 1 : 0) << c.letter;
  }
  op->ShowActivity('E');
  guitest::SaveScreenshot(op->Handle(), "pelloro_progress_window.bmp");
}

TEST_F(OpTest, ShowRestartsTheGameFoldedAndClearsTheCancelFlag) {
  op->Show();
  EXPECT_EQ(op->Width(), TOp::kFoldedWidth);
  EXPECT_EQ(op->Edit1->Text(), "1");
  EXPECT_EQ(op->m1->Position(), 15);
  EXPECT_EQ(op->Secret(), 4242);
  EXPECT_EQ(lastRange, 5000);
  EXPECT_EQ(seeds, 1);
  EXPECT_EQ(op->Status->Caption(), "Status - Wait");
  guitest::Click(*op->ExplorerButton1);  // nothing running: only the flag
  EXPECT_TRUE(op->CancelFlag());
  op->Close();
  op->Show();
  EXPECT_FALSE(op->CancelFlag());
}

TEST_F(OpTest, GameButtonUnfoldsAndFolds) {
  op->Show();
  guitest::Click(*op->Bitbtn4);
  EXPECT_EQ(op->Width(), TOp::kUnfoldedWidth);
  EXPECT_EQ(op->Bitbtn4->Caption(), "<< Hide Game");
  guitest::SaveScreenshot(op->Handle(), "pelloro_progress_game.bmp");
  guitest::Click(*op->Bitbtn4);
  EXPECT_EQ(op->Width(), TOp::kFoldedWidth);
  EXPECT_EQ(op->Bitbtn4->Caption(), "&Play Game >>");
}

TEST_F(OpTest, HigherLowerAndAWinOnTheFifteenthTry) {
  op->Show();
  Guess("100");
  EXPECT_EQ(op->Label6->Caption(), "The number is HIGHER than your last guess");
  Guess("4999");
  EXPECT_EQ(op->Label6->Caption(), "The number is LOWER than your last guess");
  for (int i = 0; i < 12; ++i) Guess("1");
  EXPECT_EQ(op->m1->Position(), 1);
  EXPECT_TRUE(op->Panel2->Visible());
  Guess("4242");  // the fifteenth
  EXPECT_EQ(op->m1->Position(), 0);
  EXPECT_EQ(op->Label7->Caption(), "You win!!! Congratulations!!!");
  EXPECT_TRUE(op->Panel1->Visible());
  EXPECT_FALSE(op->Panel2->Visible());
}

TEST_F(OpTest, FifteenWrongGuessesLoseAndPlayAgainRestarts) {
  op->Show();
  for (int i = 0; i < 14; ++i) {
    Guess("7");
    EXPECT_TRUE(op->Panel2->Visible()) << i;
  }
  Guess("8");
  EXPECT_EQ(op->Label7->Caption(), "You lose. The number was 4242");
  EXPECT_TRUE(op->Panel1->Visible());
  secret = 17;
  guitest::Click(*op->BitBtn2);  // "&Yes": again
  EXPECT_FALSE(op->Panel1->Visible());
  EXPECT_TRUE(op->Panel2->Visible());
  EXPECT_EQ(op->m1->Position(), 15);
  EXPECT_EQ(op->Edit1->Text(), "1");
  EXPECT_EQ(op->Secret(), 17);
  EXPECT_EQ(seeds, 2);
}

TEST_F(OpTest, EnterInTheEditTriesAndNoFoldsTheGame) {
  op->Show();
  guitest::Click(*op->Bitbtn4);
  guitest::SetText(*op->Edit1, "4242");
  guitest::Char(*op->Edit1, '\r');
  EXPECT_EQ(op->Label7->Caption(), "You win!!! Congratulations!!!");
  guitest::Click(*op->BitBtn3);  // "&No"
  EXPECT_EQ(op->Width(), TOp::kFoldedWidth);
}

TEST_F(OpTest, AnUnreadableGuessCostsATryAndShowsTheStandardMessage) {
  op->Show();
  Guess("abc");
  EXPECT_EQ(op->m1->Position(), 14);
  ASSERT_EQ(exceptions.size(), 1u);
  EXPECT_EQ(exceptions[0], "'abc' is not a valid integer value");
  exceptions.clear();
}

TEST_F(OpTest, EventTextsAsTheWindowShowsThem) {
  op->Show();
  op->ZNZipping2(
      "Gr\xFC\xDF"
      "e.txt",
      30);
  EXPECT_EQ(op->Status->Caption(),
            "Gr\xFC\xDF"
            "e.txt");
  EXPECT_EQ(op->Progress->Position(), 30);
  op->ZNFileZipped("caf\xE9.txt", 55);
  EXPECT_EQ(op->Status->Caption(), "caf\xE9.txt");
  EXPECT_EQ(op->Prog_Status->Caption(), "Compression Rate %");
  EXPECT_EQ(op->Progress->Position(), 55);
  op->ZNExpanding("docs\\a.txt", 60);
  EXPECT_EQ(op->Prog_Status->Caption(), "docs\\a.txt");
  EXPECT_EQ(op->Progress->Position(), 60);
  op->ZNEncrypt("b.txt", 70);
  EXPECT_EQ(op->Status->Caption(), "Encrypting b.txt");
  EXPECT_EQ(op->Prog_Status->Caption(), "Rate Done (%)");
  EXPECT_EQ(op->Progress->Position(), 70);
  op->ZNDeleting("c.txt");
  EXPECT_EQ(op->Status->Caption(), "Deleting c.txt");
  op->ZNTest("d.txt", false);
  EXPECT_EQ(op->Status->Caption(), "Testing d.txt");
  EXPECT_EQ(op->Prog_Status->Caption(), "Previous file corrupt");
  op->ZNTest("e.txt", true);
  EXPECT_EQ(op->Prog_Status->Caption(), "Previous file error free");
  op->ZNMakeEXEStep1();
  EXPECT_EQ(op->Prog_Status->Caption(), "Creating Brindle-SFX (part 1)");
  op->ZNMakeEXEStep2(80);
  EXPECT_EQ(op->Prog_Status->Caption(), "Creating Brindle-SFX (part 2)");
  EXPECT_EQ(op->Progress->Position(), 80);
  op->ZNBackupBuildZip("A:\\backup.zip");
  EXPECT_EQ(op->Status->Caption(), "Building Disk image");
  EXPECT_EQ(op->Prog_Status->Caption(), "A:\\backup.zip");
  op->ZNBackupZipDone(-2147483647 - 1);
  EXPECT_EQ(op->Status->Caption(), "Entering Image Copy");
  EXPECT_EQ(op->Prog_Status->Caption(), "Image size -2147483648");
  op->ZNRestoreBuildZip("A:\\restore.zip");
  EXPECT_EQ(op->Status->Caption(), "A:\\restore.zip");
  op->ZNRestoreZipDone(4096);
  EXPECT_EQ(op->Prog_Status->Caption(), "4096bts buffer allocated");
  op->ZNSplitting(-1, "part1.zip");
  EXPECT_EQ(op->Status->Caption(), "part1.zip");
  EXPECT_EQ(op->Prog_Status->Caption(), "Size = -1");
  op->ZNSplitted(2, 1457664);
  EXPECT_EQ(op->Status->Caption(), "Part 2");
  EXPECT_EQ(op->Prog_Status->Caption(), "Size 1457664");
}

}  // namespace
