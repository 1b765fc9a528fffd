' Extracts every file of an archive into a folder through the registered QX30W32 control.
' Usage: cscript //nologo extract_archive.vbs ARCHIVE FOLDER
' Prints UnzipFiles' result and quits with it (0 when every entry was extracted); quits with
' 100 when it is not given its two arguments.
Option Explicit
Dim qx, result
If WScript.Arguments.Count <> 2 Then
  WScript.Echo "usage: cscript //nologo extract_archive.vbs ARCHIVE FOLDER"
  WScript.Quit 100
End If
Set qx = CreateObject("QX30W32.QXCtrl.1")
' Folders rebuilt, read-only files kept, every file replaced, no password, no prompt, in the
' foreground (a script host gives the control no window for progress messages).
result = qx.UnzipFiles(WScript.Arguments(0), "*.*", WScript.Arguments(1), True, False, 1, "", False, False)
WScript.Echo "UnzipFiles=" & result
Set qx = Nothing
WScript.Quit result
