' Text-out mode: the calls are only logged, one line each, and the lines reach the workstation's
' file in the text-out folder (the argument) when the object goes. Non-ASCII text travels as
' UTF-16 into the server and is written in the ANSI code page (Chr(252) is a u with umlaut in
' code page 1252).
Dim appl, result, name, version, firstName, lastName, fso, folders, folder, file, lines, expected, i

Set appl = CreateObject("Orvabridge.Appl")
CheckEqual "ToFile is on", appl.ToFile, True
appl.GetComputerOrClientName   ' starts a new, empty call log

name = "" : version = ""
result = appl.InitApplication(name, version)
CheckEqual "InitApplication in text-out mode", result, 1
CheckOutput "AppName is the application key", name, "Orvanta", "String"
CheckOutput "AppVersion is the installed version", version, "3.1.1199", "String"

firstName = "Ann" : lastName = "Lee"
result = appl.FindPatient("4711", firstName, lastName)
CheckEqual "FindPatient in text-out mode", result, 0
CheckOutput "FindPatient empties FName", firstName, "", "String"
CheckOutput "FindPatient empties LName", lastName, "", "String"

CheckEqual "SetWindowState in text-out mode", appl.SetWindowState(2, , 20), 1
CheckEqual "UserLogin in text-out mode", appl.UserLogin("anna", "secret", , , , , , 2, True), 1
CheckEqual "AddPatient in text-out mode", _
           appl.AddPatient("4711", "J" & Chr(252) & "rgen", "M" & Chr(252) & "ller", "M", _
                           "Hauptstr. 1", "", "", "", "", "19800101", ""), 1
CheckEqual "CloseApplication in text-out mode", appl.CloseApplication(), 1
Set appl = Nothing

Set fso = CreateObject("Scripting.FileSystemObject")
Set folders = fso.GetFolder(WScript.Arguments(0)).SubFolders
CheckEqual "one folder, named after the workstation", folders.Count, 1
For Each folder In folders
  Set file = fso.OpenTextFile(fso.BuildPath(folder.Path, folder.Name & ".TXT"), 1)
  lines = Split(file.ReadAll, vbCrLf)
  file.Close
Next

expected = Array( _
  "InitApplication ;  ; ", _
  "FindPatient ; 4711 ; Ann ; Lee", _
  "SetWindowState ; 2 ; 0 ; 20 ; 0 ; 0 ; 0", _
  "UserLogin ; anna ; secret ;  ;  ;  ;  ;  ; 2 ; 1 ; 0 ; 0 ; 0 ; 0 ; 0 ; 0 ; 0 ; ", _
  "AddPatientEx ; 4711 ; J" & Chr(252) & "rgen ; M" & Chr(252) & "ller ; M ; Hauptstr. 1 ;  ;  ;  ;  ; 19800101 ;  ; ", _
  "CloseApplication ; ", _
  "")
CheckEqual "the file holds one line per call", UBound(lines), UBound(expected)
For i = 0 To UBound(expected)
  If i <= UBound(lines) Then CheckEqual "log line " & (i + 1), lines(i), expected(i)
Next

Done
