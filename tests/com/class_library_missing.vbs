' A workstation without the class library: the object still comes up, but cannot attach, and
' the database look-ups fail with the run time's error.
Dim appl, name, version, result, info
Set appl = CreateObject("Orvabridge.Appl")

name = "left over"
version = ""
result = appl.InitApplication(name, version)
CheckEqual "InitApplication without the class library", result, -5
CheckOutput "InitApplication clears AppName", name, "", "String"

CheckEqual "ToFile", appl.ToFile, False
CheckEqual "CloseApplication", appl.CloseApplication(), 1
appl.GetComputerOrClientName

' A run-time error carries its own number (not -100), and the source of the library.
On Error Resume Next
info = appl.GetGeneralInfo(0)
KeepError
On Error GoTo 0
CheckError "GetGeneralInfo without the class library", 429, "Orvabridge", _
           "ActiveX component can't create object"

Set appl = Nothing
Done
