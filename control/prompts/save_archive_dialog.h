// The save dialog in which a new blank archive is named (CreateBlankZIPFile with bOpenDialog).
#pragma once

#include "base/cztext.h"

// Shows the system's save dialog, without owner, with replaceable text 20 as its filter ('|'
// separators) and text 21 as its title, the default extension "ZIP" and the question before an
// existing file is replaced. name: the initial name (ANSI, "" for none); on true it receives the
// chosen name as the dialog gives it. False when the user cancels or the dialog cannot be shown.
bool ShowSaveArchiveDialog(CZText& name);
