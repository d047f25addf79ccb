' An installation without an imaging application executable: InitApplication enters stub mode,
' whose placeholder answers travel back through the by-reference arguments; requests that need
' the imaging application find no window.
Dim appl, result, name, version
Dim patId, firstName, lastName, birthdate, sex, address, tel1, tel2, mobile, email, comments
Dim userId, prefix, first, last, login, group, workstation, loggedIn, method, rights, extra
Dim folder, info

Set appl = CreateObject("Orvabridge.Appl")
CheckEqual "ToFile is off", appl.ToFile, False

name = ""
version = ""
result = appl.InitApplication(name, version)
CheckEqual "InitApplication enters stub mode", result, 1
CheckOutput "AppName in stub mode", name, "OrvaStub", "String"
CheckOutput "AppVersion in stub mode", version, "1.0.0", "String"

patId = "" : firstName = "" : lastName = ""
birthdate = "1980-01-01" : sex = "F" : address = "Main St" : tel1 = "1" : tel2 = "2"
mobile = "3" : email = "e@x" : comments = "kept"
result = appl.GetCurrentPatient(patId, firstName, lastName, birthdate, sex, address, tel1, tel2, _
                                mobile, email, comments)
CheckEqual "GetCurrentPatient answers the placeholder", result, 1
CheckOutput "placeholder PatID", patId, "-", "String"
CheckOutput "placeholder FName", firstName, " ", "String"
CheckOutput "placeholder LName", lastName, " ", "String"
CheckOutput "Birthdate untouched", birthdate, "1980-01-01", "String"
CheckOutput "Comments untouched", comments, "kept", "String"

firstName = "Ann" : lastName = "Lee"
result = appl.FindPatient("4711", firstName, lastName)
CheckEqual "FindPatient without a target window", result, -4
CheckOutput "FName left as it was", firstName, "Ann", "String"
CheckOutput "LName left as it was", lastName, "Lee", "String"

userId = 77 : prefix = "Dr." : loggedIn = True : method = 5 : extra = "note"
result = appl.GetSessionInfo(userId, prefix, first, last, login, group, workstation, loggedIn, _
                             method, rights, extra)
CheckEqual "GetSessionInfo without a target window", result, -4
CheckOutput "UserID left as it was", userId, 77, "Long"
CheckOutput "UserPrefix left as it was", prefix, "Dr.", "String"
CheckOutput "IsLoggedIn left as it was", loggedIn, True, "Boolean"
CheckOutput "LoginMethod left as it was", method, 5, "Integer"
CheckOutput "sextra left as it was", extra, "note", "String"
CheckOutput "an Empty variable comes back as the parameter's type", rights, 0, "Integer"

CheckEqual "SetWindowState without a target window", appl.SetWindowState(2, , , 800, 600), -4
CheckEqual "UserLogin without a target window", appl.UserLogin("anna", "secret"), -4

folder = appl.GetCurrentPatientFolder()
CheckEqual "GetCurrentPatientFolder in stub mode is TEMP", folder, _
           CreateObject("WScript.Shell").ExpandEnvironmentStrings("%TEMP%")

' No database connection configured: the look-up raises the run time's error.
On Error Resume Next
info = appl.GetGeneralInfo(0)
KeepError
On Error GoTo 0
CheckError "GetGeneralInfo without a connection", 3709, "Orvabridge", Empty

Set appl = Nothing
Done
