' The simulator cuts every 1500 answer after its first 20 bytes (result, user and logged-in
' flag): the rest of the shared record keeps what the request put there. MWLQuery then reads its
' own accession number back as the count, which overflows: its failure handler raises the
' automation error -100.
Dim appl, result, name, version

Set appl = CreateObject("Orvabridge.Appl")
name = "" : version = ""
CheckEqual "InitApplication finds the simulator", appl.InitApplication(name, version), 1
CheckEqual "a small number read back is the result", appl.MWLQuery(, , "42"), 42

On Error Resume Next
result = appl.MWLQuery(, , "99999999999")
KeepError
On Error GoTo 0
CheckError "MWLQuery whose count overflows", -100, "Orvabridge.Appl.MWLQuery", _
           "Orvabridge.Appl.MWLQuery error 6" & vbCrLf & "Overflow"
CheckEqual "the failed call returned nothing", IsEmpty(result), True

Set appl = Nothing
Done
