' How the server takes VBScript's arguments: every variable comes as a VARIANT by reference,
' literals and parenthesised expressions by value; values are coerced to the parameter's type,
' and by-reference variables receive that type back. Runs in stub mode, where GetCurrentPatient
' answers without an imaging application.
Dim appl, result, name, version, numbers(1)
Dim patId, firstName, lastName, birthdate, sex, address, tel1, tel2, mobile, email, comments
Dim card, pid, xml, path

Set appl = CreateObject("Orvabridge.Appl")
name = "" : version = ""
appl.InitApplication name, version

' A number in a text parameter: coerced in, and the variable holds the parameter's type after.
patId = "" : firstName = "" : lastName = "" : birthdate = 19800101
result = appl.GetCurrentPatient(patId, firstName, lastName, birthdate, sex, address, tel1, tel2, _
                                mobile, email, comments)
CheckEqual "GetCurrentPatient with a number for Birthdate", result, 1
CheckOutput "Birthdate comes back as text", birthdate, "19800101", "String"
CheckOutput "an Empty variable comes back as empty text", comments, "", "String"

' Parentheses pass a copy: the placeholder does not reach the variable.
patId = "before"
result = appl.GetCurrentPatient((patId), firstName, lastName, birthdate, sex, address, tel1, _
                                tel2, mobile, email, comments)
CheckEqual "GetCurrentPatient with PatID by value", result, 1
CheckOutput "a by-value PatID stays unchanged", patId, "before", "String"

' Literals are accepted anywhere.
result = appl.GetCurrentPatient("a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k")
CheckEqual "GetCurrentPatient with literals only", result, 1

' Text for flags, numbers for text, an Empty variable for a number: all coerced.
result = appl.GetSelectedImageCard(card, 12345, xml, path, "True", 0)
CheckEqual "GetSelectedImageCard with coerced arguments", result, -4
CheckOutput "ImageCardID comes back as a number", card, 0, "Long"

' Optional arguments may be left out anywhere, also in the middle.
CheckEqual "SetWindowState with gaps", appl.SetWindowState(, , , 800), -4
CheckEqual "ShowObject with its enumeration as text", appl.ShowObject("3", 12), -4
CheckEqual "MWLQuery with a date given as text", appl.MWLQuery(, , , , "2024-05-01"), -4

' What cannot be coerced is refused before the call, with the automation errors VBScript knows.
On Error Resume Next
result = appl.FindPatient(numbers, firstName, lastName)
KeepError
CheckError "an array for PatID", 13, Empty, Empty
result = appl.FindPatient(Null, firstName, lastName)
KeepError
CheckError "Null for PatID", 13, Empty, Empty
result = appl.SetWindowState(70000)
KeepError
CheckError "70000 for the 16-bit iState", 6, Empty, Empty
result = appl.FindPatient("4711")
KeepError
CheckError "FindPatient with one of its three arguments", 450, Empty, Empty
result = appl.FindPatient("4711", firstName, lastName, "extra")
KeepError
CheckError "FindPatient with four arguments", 450, Empty, Empty
result = appl.FindPatient(, firstName, lastName)
KeepError
CheckError "FindPatient with its required PatID left out", 449, Empty, Empty
result = appl.NoSuchMember()
KeepError
CheckError "a member that does not exist", 438, Empty, Empty
appl.ToFile = True
KeepError
Check "ToFile cannot be assigned", lastErrorNumber <> 0, "the assignment raised no error"
On Error GoTo 0

Set appl = Nothing
Done
