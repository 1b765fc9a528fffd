// What the installer's in-process tests share: a scratch installation (Windows folder, shell
// folders, distribution folder), the registry's two roots turned to scratch keys, the Program
// Manager and the started programs recorded, every message form answered and recorded, and a
// small SZDD compressor (the format LZCopy expands).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "forms/form_test_fixture.h"
#include "win_test_util.h"

namespace setup {
class TBackgroundfrm;
class TMainfrm;
class TStatusfrm;
class TPopupfrm;
class TUninstallfrm;
}  // namespace setup

namespace setuptest {

struct ShownMessage {
  std::string text;
  std::string button;  // the one button pressed
};

struct StartedProgram {
  std::string program, parameters, folder;
};

// An SZDD file ("SZDD" 88 F0 27 33, 'A', the missing letter, the length, LZSS data) holding the
// bytes as literals only.
std::vector<uint8_t> SzddCompress(const std::vector<uint8_t>& data);

class SetupTest : public formstest::FormsTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The forms in their order, as setup.exe makes them.
  void MakeForms();
  // Runs the wizard from its showing to the end of the installation with the defaults of the
  // tests (install folder `install`, group `group`); gives the exit code handed to OnFinished
  // (-1 when none came).
  int Install();
  std::string Default(HKEY root, const std::string& key);
  bool KeyExists(HKEY root, const std::string& key);

  std::unique_ptr<testutil::TempFolder> scratch;
  std::string source, windows, system, programs, desktop, install, group;
  std::map<std::string, std::vector<uint8_t>> shipped;  // the distribution's files
  std::vector<ShownMessage> messages;
  std::vector<std::string> macros;
  std::vector<StartedProgram> started;
  std::map<std::string, long> exitCodes;  // by the file named in the parameters
  int finished = -1;

  std::unique_ptr<setup::TBackgroundfrm> background;
  std::unique_ptr<setup::TStatusfrm> status;
  std::unique_ptr<setup::TPopupfrm> popup;
  std::unique_ptr<setup::TMainfrm> wizard;
  std::unique_ptr<setup::TUninstallfrm> uninstaller;

 private:
  void ArmMessageHook();
  HKEY classesRoot_ = nullptr, machine_ = nullptr;
  std::string scratchKey_;
};

}  // namespace setuptest
