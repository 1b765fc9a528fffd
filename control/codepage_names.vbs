' Calls every method that takes an archive, file, folder, mask or entry name with names spelled
' in one of two ways, through the registered QX30W32 control: "latin" spells them with Latin-1
' letters, "ascii" with one ASCII letter in place of each (the same lengths, no two names alike).
' Usage: cscript //nologo codepage_names.vbs FOLDER latin|ascii
'   FOLDER (without a trailing backslash) holds the test tree that codepage_test.cpp made in the same spelling (caf{e}\...),
'   and is the current folder (the relative archive and mask of the ".." cases mean it).
' Prints one "label=result" line per call, then "OK", and quits with 0; quits with 100 when it is
' not given its arguments. The two spellings must give the same lines.
Option Explicit
Dim latin, root, T, q, zip, text

If WScript.Arguments.Count <> 2 Then
  WScript.Echo "usage: cscript //nologo codepage_names.vbs FOLDER latin|ascii"
  WScript.Quit 100
End If
root = WScript.Arguments(0) & "\"
latin = (WScript.Arguments(1) = "latin")

' A name of the table: {e} and the other tokens become their Latin-1 letter (Chr takes the ANSI
' code, 1252 here; Wine's VBScript has no ChrW) or its ASCII stand-in.
Function N(template)
  Dim tokens, i, s
  ' token, code of the letter in code page 1252, ASCII stand-in
  tokens = Array("{e}", 233, "e", "{E}", 201, "E", "{e2}", 232, "i", "{u}", 252, "u", _
                 "{U}", 220, "U", "{ss}", 223, "s", "{A}", 196, "A", "{a}", 228, "a")
  s = template
  For i = 0 To UBound(tokens) Step 3
    If latin Then
      s = Replace(s, tokens(i), Chr(tokens(i + 1)))
    Else
      s = Replace(s, tokens(i), tokens(i + 2))
    End If
  Next
  N = s
End Function

Sub Show(label, value)
  WScript.Echo label & "=" & CStr(value)
End Sub

Set q = CreateObject("QX30W32.QXCtrl.1")
T = root & N("caf{e}\")
zip = T & N("caf{e2}.zip")

' Adding with relative paths, then every query of the archive.
Show "ZipFiles", q.ZipFiles(zip, T & "src\*.*", True, 1, 0, 0, False, False, "", False)
Show "GetCount", q.GetCount(zip, False)
Show "GetTotalSize", q.GetTotalSize(zip, True, False)
Show "IsZIPFileQuick", q.IsZIPFileQuick(zip, False)
Show "IsZIPFileSlow", q.IsZIPFileSlow(zip, "", False, False)
Show "GetZIPINFOMadeUnder", q.GetZIPINFOMadeUnder(zip, False)
Show "GetZIPINFOVersionMajor", q.GetZIPINFOVersionMajor(zip, False)
Show "GetZIPINFOVersionMinor", q.GetZIPINFOVersionMinor(zip, False)
Show "GetZIPINFODiskID", q.GetZIPINFODiskID(zip, False)
Show "IsFileInTheZIPFile upper mask", q.IsFileInTheZIPFile(zip, N("*GR{U}{ss}E*"), False)
Show "IsFileInTheZIPFile entry", q.IsFileInTheZIPFile(zip, N("r{e}sum{e}.txt"), False)
Show "IsFileInTheZIPFile folder", q.IsFileInTheZIPFile(zip, N("src\n{e2}ve\{e}t{e}.txt"), False)
Show "IsFileNameInFilter", q.IsFileNameInFilter(N("r{e}sum{e}.txt"), N("R{E}SUM{E}.*"))
Show "IsFileNameInFilter case", q.IsFileNameInFilter(N("{a}rger.txt"), N("{A}RGER.TXT"))

' Extraction: the whole tree, one entry by its name, one entry into a file.
Show "UnzipFiles tree", q.UnzipFiles(zip, "*.*", T & N("d{e}st"), True, False, 1, "", False, False)
Show "UnzipFiles one", q.UnzipFiles(zip, N("src\r{e}sum{e}.txt"), T & N("fl{a}t"), False, False, 1, "", False, False)
Show "UnzipToFile", q.UnzipToFile(zip, N("src\n{e2}ve\{e}t{e}.txt"), T & N("one{u}.txt"), False, "", False, False)

' Deleting by a name, repairing.
Show "DeleteWithMask", q.DeleteWithMask(zip, N("gr{u}{ss}e.txt"), False)
Show "IsFileInTheZIPFile deleted", q.IsFileInTheZIPFile(zip, N("gr{u}{ss}e.txt"), False)
Show "GetCount after delete", q.GetCount(zip, False)
Show "Repare", q.Repare(zip, False)
Show "GetCount after repair", q.GetCount(zip, False)

' Comments set and read back.
Show "SetGlobalComment", q.SetGlobalComment(zip, N("Gr{u}{ss}e, caf{e}"), False)
text = q.GetGlobalComment(zip, 100, False)
Show "GetGlobalComment same", (text = N("Gr{u}{ss}e, caf{e}"))
Show "GetGlobalComment length", Len(text)
Show "GetGlobalCommentSize", q.GetGlobalCommentSize(zip, False)
Show "SetLocalComment", q.SetLocalComment(zip, N("src\r{e}sum{e}.txt"), N("{A}rger {u}ber caf{e2}"), False)
text = q.GetLocalComment(zip, N("src\r{e}sum{e}.txt"), 100, False)
Show "GetLocalComment same", (text = N("{A}rger {u}ber caf{e2}"))
Show "GetLocalComment length", Len(text)
Show "GetLocalCommentSize", q.GetLocalCommentSize(zip, N("src\r{e}sum{e}.txt"), False)

' A blank archive and the name read back.
Show "CreateBlankZIPFile", q.CreateBlankZIPFile(T & N("n{e}u.zip"), False)
Show "GetNewZIPName same", (UCase(q.GetNewZIPName()) = UCase(T & N("n{e}u.zip")))
Show "GetCount blank", q.GetCount(T & N("n{e}u.zip"), False)

' Single files and a folder of non-ASCII names, without paths.
Show "ZipFiles one file", q.ZipFiles(T & "l.zip", T & N("src\{A}rger.txt"), False, 0, 0, 0, False, False, "", False)
Show "ZipFiles folder", q.ZipFiles(T & "fl.zip", T & N("src\n{e2}ve\*.*"), True, 0, 0, 0, False, False, "", False)

' ".." inside masks: full paths, relative paths, a relative archive and mask.
Show "ZipFiles dd", q.ZipFiles(T & "dd.zip", T & "u\..\src\a.txt", False, 2, 0, 0, False, False, "", False)
Show "ZipFiles dd1", q.ZipFiles(T & "dd1.zip", T & "src\sub1\..\b.dat", False, 1, 0, 0, False, False, "", False)
Show "ZipFiles rel2", q.ZipFiles("rel2.zip", "u\..\u\f1.txt", False, 2, 0, 0, False, False, "", False)

Set q = Nothing
WScript.Echo "OK"
WScript.Quit 0
