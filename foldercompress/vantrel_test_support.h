// What Vantrel's tests share: the registered control (the environment registers the built
// QX30W32, as an installation leaves it), a working folder per test below the build tree, the
// form with its end requests recorded, a fixture tree with non-ASCII names, the entry names
// store-path method 1 gives for it, python's view of an archive, and the archives kept for the
// peers' judgement after the run (vantrel_tests_peer_check).
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "shell_add_form.h"

namespace vantreltest {

bool CanCreateWindows();

// The fixture tree below root (ending in '\'): files of the top folder (café.txt, a compressible
// text big enough for progress in kilobytes) and a subfolder Grüße with a file and a folder of
// its own; the names are in the ANSI code page 1252.
void MakeTree(const std::string& root);
// The entry names, in archive order, that adding root + "*.*" with store-path method 1 gives: the
// prefix (the stored form of root: relative to the archive's folder, or without its drive) and
// each item's path below root, upper case, '/' separators, folders ending in '/', depth first as
// the system lists each folder, with recurse the contents of subfolders. In Latin-1, as python
// reads the archive's OEM names (code page 437).
std::vector<std::string> ExpectedNames(const std::string& root, const std::string& prefix,
                                       bool recurse);
// The stored form of a folder outside the archive's folder: without its drive and leading
// separators, upper case, '/' separators, ending in '/'.
std::string StoredFormOf(const std::string& folder);

// Python's view of an archive: "OK" then one line per entry ("name|method|size", names in
// Latin-1), or its error.
std::vector<std::string> PythonEntries(const std::string& archive);
// The names alone of PythonEntries.
std::vector<std::string> NamesOf(const std::vector<std::string>& entries);

// Keeps a copy of the archive as name (ending ".zip") for the peers, with the names they must
// read from it.
void KeepForPeers(const std::string& archive, const std::string& name,
                  const std::vector<std::string>& names);

class VantrelTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The form with these folders from the command line; the end requests are counted.
  vantrel::TShellAddfrm& MakeForm(const std::vector<std::string>& folders);
  std::vector<std::string> exceptions;
  int terminateRequests = 0;
  std::string work_;  // this test's own folder, ending in '\'
  std::unique_ptr<vantrel::TShellAddfrm> form_;
};

}  // namespace vantreltest
