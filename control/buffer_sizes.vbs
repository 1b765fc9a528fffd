' Creates the control by its ProgID and calls methods by name, as a script host does.
' Wine's cscript ends with code 0 even after a script error, so the script ends with its own
' code: 0 only when everything answered as expected.
Option Explicit
Dim qx, zipSize, unzipSize
Set qx = CreateObject("QX30W32.QXCtrl.1")
zipSize = qx.GetZipBufferSize()
unzipSize = qx.GetUnzipBufferSize
qx.SetIniFile "C:\QX30.INI"
qx.SetPasswordMode True, False
qx.SetHelpFile "QXSHELL.HLP"
qx.SetStringResource 5, "%1 exists. Replace it?"
' Empties the remembered passwords: writes the 13 keys into the settings file named above.
qx.DeletePasswords
WScript.Echo "GetZipBufferSize=" & zipSize
WScript.Echo "GetUnzipBufferSize=" & unzipSize
If zipSize = 32767 And unzipSize = 24576 Then
  WScript.Echo "OK"
  WScript.Quit 0
End If
WScript.Echo "WRONG"
WScript.Quit 3
