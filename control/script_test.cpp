// A VBScript under the prefix's cscript creates the registered control by ProgID and calls its
// methods by name; the test checks the script's output and its explicit exit code.
#include <gtest/gtest.h>

#include "control_test_support.h"

namespace {

using testutil::ProgramRun;
using testutil::RunCaptured;

TEST(Script, CreatesTheControlByProgIdAndCallsItsMethodsByName) {
  const char* const iniFile = "C:\\QX30.INI";
  DeleteFileA(iniFile);
  const std::string script = controltest::ControlSourceDir() + "buffer_sizes.vbs";
  ProgramRun run = RunCaptured("cscript.exe //nologo \"" + script + "\"");
  EXPECT_EQ(0u, run.exitCode) << run.output;
  EXPECT_NE(std::string::npos, run.output.find("GetZipBufferSize=32767")) << run.output;
  EXPECT_NE(std::string::npos, run.output.find("GetUnzipBufferSize=24576")) << run.output;
  EXPECT_NE(std::string::npos, run.output.find("OK")) << run.output;
  // SetIniFile took the name as given and DeletePasswords wrote its keys there.
  char value[16] = "unset";
  const DWORD got =
      GetPrivateProfileStringA("ZipUnzipPasswords", nullptr, "", value, sizeof value, iniFile);
  EXPECT_GT(got, 0u) << "no keys in " << iniFile;
  EXPECT_EQ(0u, GetPrivateProfileStringA("ZipUnzipPasswords", "szExtractPassword_12", "x", value,
                                         sizeof value, iniFile));
  DeleteFileA(iniFile);
}

TEST(Script, AScriptErrorIsSeenThroughTheMissingOk) {
  // A call with a wrong argument count stops the script before its OK: the test must not
  // rely on cscript's exit code alone.
  testutil::TempFolder folder;
  const std::string script = folder / "bad_call.vbs";
  ASSERT_TRUE(
      testutil::WriteWholeFile(script, std::string("Set qx = CreateObject(\"QX30W32.QXCtrl.1\")\r\n"
                                                   "x = qx.GetZipBufferSize(1, 2)\r\n"
                                                   "WScript.Echo \"OK\"\r\n"
                                                   "WScript.Quit 0\r\n")));
  ProgramRun run = RunCaptured("cscript.exe //nologo \"" + script + "\"");
  EXPECT_EQ(std::string::npos, run.output.find("OK")) << run.output;
}

}  // namespace
