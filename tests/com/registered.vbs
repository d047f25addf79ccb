' Whether the ProgIDs resolve: `cscript registered.vbs present` after registration, `absent` after
' unregistration.
Dim expectPresent, progId, appl
expectPresent = (WScript.Arguments(0) = "present")

For Each progId In Array("Orvabridge.Appl", "Orvabridge.Appl.1")
  On Error Resume Next
  Set appl = Nothing
  Set appl = CreateObject(progId)
  KeepError
  On Error GoTo 0
  If expectPresent Then
    CheckError "CreateObject(""" & progId & """)", 0, Empty, Empty
    If lastErrorNumber = 0 Then
      Check progId & " gives the link object", TypeName(appl.ToFile) = "Boolean", _
            "ToFile is a " & TypeName(appl.ToFile)
    End If
  Else
    CheckError "CreateObject(""" & progId & """) without registration", 429, Empty, Empty
  End If
Next
Set appl = Nothing

Done
