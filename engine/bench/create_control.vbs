' Creates the registered QX30W32 control and ends: what a scripted run costs besides its calls.
Option Explicit
Dim qx
Set qx = CreateObject("QX30W32.QXCtrl.1")
WScript.Echo "created"
Set qx = Nothing
WScript.Quit 0
