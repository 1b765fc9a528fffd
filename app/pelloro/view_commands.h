// The main window's viewing and launching commands: viewing the selected entry (by its
// association, or through the view-method window), installing the program an archive holds, the
// help items and starting Windows Explorer; and the steps of viewing the view-method window
// shares: the working folder's check, extracting one entry there and showing it.
#pragma once

#include <string>

namespace pelloro {

class TMainfrm;

// The view methods of the associations table.
enum ViewMethod { kViewAssociated = 1, kViewInternal = 2, kViewNotepad = 3 };
inline constexpr char kMethodAssociated[] = "Associated Program";
inline constexpr char kMethodInternal[] = "Internal Viewer";
inline constexpr char kMethodNotepad[] = "Windows Notepad";
inline constexpr char kAssociationsSection[] = "Associations";

// True when the upper-cased extension is one the image loader reads.
bool IsImageFile(const std::string& fileName);
// The extension with its dot ("" when the last path part has none).
std::string ExtractFileExt(const std::string& fileName);
// The part after the last '\' or '/'.
std::string ExtractFileName(const std::string& path);

// Creates the working folder with its parents; false (after the write-access message) when it
// still does not exist.
bool WorkingFolderReady();

// Extracts the entry (its full stored name) into the working folder, folders kept or not, after
// deleting a file of the name it will get; the extracted file's full path, or "" when it could
// not be extracted (a result above 1, or no file afterwards).
std::string ExtractForViewing(TMainfrm& main, const std::string& entry, bool rebuildDir,
                              bool eraseReadOnly);
// "Error: Could not extract " + entry + " to view it." (error, OK).
void ReportNotExtracted(const std::string& entry);

// Shows the extracted file: the associated program, the internal viewer (modal) or Notepad.
void ShowExtracted(TMainfrm& main, ViewMethod method, const std::string& path);

// The internal viewer on a file, shown modally and freed.
void ShowInternalViewer(const std::string& path);

// Views the entry (its full stored name) by a method: the working folder, the progress window
// around the extraction, then the launch or the internal viewer.
void ViewExtractedFile(TMainfrm& main, ViewMethod method, const std::string& entry);

// Binds the viewing, install, help and Explorer commands to the main window's items.
void WireViewCommands(TMainfrm& main);

}  // namespace pelloro
