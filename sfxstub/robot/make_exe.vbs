' Makes a self-extractor through the registered QX30W32 control, as a host does: MakeEXEFile
' with the stub RAVELIN.32 beside the control.
' Usage: cscript //nologo make_exe.vbs ARCHIVE EXE PROGRAM TITLE LANGUAGE_FILE MODE ASK
' PROGRAM "-" runs none; TITLE and LANGUAGE_FILE "-" pass an empty text; ASK 1 lets the user choose
' the folder, 0 extracts into a temporary one.
' Prints "MakeEXEFile=N" and quits with N (0 when built); quits with 100 without its seven
' arguments.
Option Explicit
Dim qx, program, title, language, result
If WScript.Arguments.Count <> 7 Then
  WScript.Echo "usage: cscript //nologo make_exe.vbs ARCHIVE EXE PROGRAM TITLE LANGUAGE_FILE MODE ASK"
  WScript.Quit 100
End If
program = WScript.Arguments(2)
If program = "-" Then program = ""
title = WScript.Arguments(3)
If title = "-" Then title = ""
language = WScript.Arguments(4)
If language = "-" Then language = ""
Set qx = CreateObject("QX30W32.QXCtrl.1")
' In the foreground: a script host gives the control no window for progress messages.
result = qx.MakeEXEFile(WScript.Arguments(0), WScript.Arguments(1), program, title, _
                        language, CInt(WScript.Arguments(5)), _
                        WScript.Arguments(6) = "1", True, False)
WScript.Echo "MakeEXEFile=" & result
Set qx = Nothing
WScript.Quit result
