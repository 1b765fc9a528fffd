// The installer's and uninstaller's fixed texts, names and lists, in one place for the forms and
// the tests that read them back.
#pragma once

#include <array>

namespace setup::texts {

inline constexpr char kApplicationTitle[] = "Brindle Corvex Application Installer";
inline constexpr char kProductName[] = "Pelloro for Windows '95";
inline constexpr char kBackgroundCaption[] = "Pelloro for Windows '95 Setup";
inline constexpr char kWizardCaption[] =
    "Welcome to the Pelloro for Windows '95 Installation Program";
inline constexpr char kDefaultInstallFolder[] = "C:\\Pelloro95\\";
inline constexpr char kDefaultGroup[] = "Pelloro for Windows '95";
inline constexpr char kHelpItemName[] = "Pelloro for Windows '95 Help File";
inline constexpr char kLinkFile[] = "Pelloro for Windows '95.lnk";

// The files of the install folder and of the Windows System folder, in the order they are
// copied. No help file ships, so Pelloro.hlp and Pelloro.cnt are not listed; the System list
// holds only what ships, with its empty last row.
inline constexpr std::array<const char*, 4> kFilesToCopy = {"Pelloro.exe", "Vantrel.exe", "Kobu",
                                                            "Nviewlib.dll"};
inline constexpr std::array<const char*, 4> kSystemCopy = {"QX30w32.ocx", "Ravelin.32",
                                                           "English.elf", ""};
// The file the compression control is, among the System rows.
inline constexpr char kControlFile[] = "QX30w32.ocx";

inline constexpr char kOptionsMessage[] =
    "Command line options\r\n\r\n/remove - Uninstall Pelloro '95\r\n<blank> - Install Pelloro '95";
inline constexpr char kCouldNotInstallHead[] = "Error: Could not install file \r\n\r\n";
inline constexpr char kCouldNotInstallReason[] =
    "Reason: File could not be found in Installation directory. ";
inline constexpr char kInstallWillContinue[] = "Install will continue.";
inline constexpr char kCouldNotCopy[] =
    "Error: Could not copy file.\r\n\r\nIt may be in use by Windows, the disk may be full or you "
    "may not have write access.\r\n\r\nInstallation will continue but may fail.";
inline constexpr char kNoProgramGroup[] =
    "Error: Could not create Program Group.\r\n\r\nIt is recommended that you restart your "
    "computer and Re-Install Pelloro '95 This is not a fatal error. Install will continue";
inline constexpr char kNoProgramItem[] = "Error: Unable to create Program Item.";
inline constexpr char kNotRegistered[] =
    "Error: Could not register the compression control.\r\n\r\nPelloro '95 will not run until it "
    "is registered.";
inline constexpr char kComplete[] =
    "The installation is complete.\r\n\r\nIt is recommended you restart your computer, but it is "
    "not necesarry.";

// The uninstall key: the registry file that ships beside setup writes it, and the installer keeps
// the class ".zip" named before in it.
inline constexpr char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pelloro95";
inline constexpr char kPreviousZipClass[] = "PreviousZipClass";
inline constexpr char kZipClass[] = "ZipFile";

// Exit codes of setup.exe.
inline constexpr int kExitOk = 0;
inline constexpr int kExitAborted = 3;  // a source file went missing while copying

}  // namespace setup::texts
