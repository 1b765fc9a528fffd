// Process-wide state of the engine module that the control sets and the engine reads.
#pragma once

#include <windows.h>

// The foreground flag: TRUE while the current call was made without background processing.
// The control's methods set it to the negation of their bBackGroundProcessing argument; the
// archive-comment reader pumps the message queue between its steps only while it is FALSE.
// TRUE until a method sets it.
void SetForegroundProcessing(BOOL foreground);
BOOL IsForegroundProcessing();
