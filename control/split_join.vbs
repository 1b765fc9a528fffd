' Splits an archive into volumes and joins them again through the registered QX30W32 control.
' Usage: cscript //nologo split_join.vbs ARCHIVE VOLUME_FOLDER JOIN_FOLDER FIRST_VOLUME_NAME
' Splits ARCHIVE into volumes of 3,000 bytes in VOLUME_FOLDER, joins the set of
' FIRST_VOLUME_NAME into JOIN_FOLDER, prints both results and quits with 10 x Split + Join
' (0 when both succeeded); quits with 100 when it is not given its four arguments.
Option Explicit
Dim qx, splitResult, joinResult
If WScript.Arguments.Count <> 4 Then
  WScript.Echo "usage: cscript //nologo split_join.vbs ARCHIVE VOLUME_FOLDER JOIN_FOLDER FIRST_VOLUME_NAME"
  WScript.Quit 100
End If
Set qx = CreateObject("QX30W32.QXCtrl.1")
' In the foreground (a script host gives the control no window for progress messages); no disk
' prompt is needed on a folder.
splitResult = qx.Split(WScript.Arguments(0), WScript.Arguments(1), 3000, 3000, False, "Disk %1", "Insert disk %1 of %2")
joinResult = qx.Join(WScript.Arguments(3), WScript.Arguments(2), "Disk %1", "Insert disk %1 of %2", False)
WScript.Echo "Split=" & splitResult & " Join=" & joinResult
Set qx = Nothing
WScript.Quit 10 * splitResult + joinResult
