// TOp, the progress window: one small always-on-top window shown around each control call. Eight
// activity labels (one of them bold names the work), two status lines and a bar that the
// control's events fill, a cancel button, and a number-guessing game to pass the time.
#pragma once

#include <functional>
#include <string>

#include "explorer_button.h"
#include "forms/buttons.h"
#include "forms/common_controls.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/panel.h"

class TQXCtrl;

namespace pelloro {

class TOp : public forms::Form {
 public:
  static constexpr int kFoldedWidth = 255;
  static constexpr int kUnfoldedWidth = 544;
  static constexpr int kTries = 15;
  static constexpr int kSecretRange = 5000;  // the secret is 0..4999

  // control: whose calls "Cance&l" stops (may be set later).
  explicit TOp(forms::Component* owner, TQXCtrl* control = nullptr);

  // Shows the window (non-modal) and restarts the game.
  void Show();
  void SetControl(TQXCtrl* control) { control_ = control; }
  // The activity labels: all normal, the bar at 0; the letter's label (A..H, any case) bold.
  void ShowActivity(char letter);
  // The label of an activity letter, or null.
  forms::Label* ActivityLabel(char letter) const;
  bool CancelFlag() const { return cancelFlag_; }
  int Secret() const { return secret_; }
  // The random source: a number 0..range-1 (tests replace it); Randomize reseeds it.
  std::function<int(int range)> Random;
  std::function<void()> Randomize;

  // The control's events (the main window binds them here).
  void ZNZipping2(const std::string& file, short rate);
  void ZNFileZipped(const std::string& file, short rate);
  void ZNExpanding(const std::string& name, short rate);
  void ZNEncrypt(const std::string& file, short rate);
  void ZNDeleting(const std::string& file);
  void ZNTest(const std::string& name, bool noError);
  void ZNMakeEXEStep1();
  void ZNMakeEXEStep2(short rate);
  void ZNBackupBuildZip(const std::string& archive);
  void ZNBackupZipDone(int32_t size);
  void ZNRestoreBuildZip(const std::string& archive);
  void ZNRestoreZipDone(int32_t size);
  void ZNSplitting(short sizeInKBytes, const std::string& partFile);
  void ZNSplitted(short partNumber, int32_t sizeInBytes);

  forms::Label* A;
  forms::Label* B;
  forms::Label* C;
  forms::Label* D;
  forms::Label* E;
  forms::Label* f;
  forms::Label* g;
  forms::Label* h;
  forms::Label* Status;
  forms::Label* Prog_Status;
  forms::ProgressBar* Progress;
  TExplorerButton* ExplorerButton1;
  forms::Button* Bitbtn4;
  forms::Panel* Panel2;
  forms::Edit* Edit1;
  forms::UpDown* UpDown1;
  forms::Button* BitBtn1;
  forms::Label* Label6;
  forms::ProgressBar* m1;
  forms::Panel* Panel1;
  forms::Label* Label7;
  forms::Button* BitBtn2;
  forms::Button* BitBtn3;

 private:
  void CancelClick();
  void GameClick();
  void TryClick();
  void PlayAgainClick();
  void NewSecret();

  TQXCtrl* control_ = nullptr;
  int secret_ = 0;
  bool cancelFlag_ = false;
};

}  // namespace pelloro
