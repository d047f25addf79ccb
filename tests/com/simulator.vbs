' A session against the simulated imaging application (orva-sim.exe, started by the test runner
' with its demo data and the user "demo" logged in), as a practice-management script runs one.
Dim appl, result, name, version, firstName, lastName
Dim userId, prefix, first, last, login, group, workstation, loggedIn, method, rights, extra
Dim patId, birthdate, sex, address, tel1, tel2, mobile, email, comments
Dim personId, guid, shortName, contact, personLogin, personType

Set appl = CreateObject("Orvabridge.Appl")
name = "" : version = ""
result = appl.InitApplication(name, version)
CheckEqual "InitApplication finds the simulator", result, 1
CheckOutput "AppName", name, "Orvanta", "String"
CheckOutput "AppVersion", version, "3.1.1199", "String"

extra = "round trip"
result = appl.GetSessionInfo(userId, prefix, first, last, login, group, workstation, loggedIn, _
                             method, rights, extra)
CheckEqual "GetSessionInfo", result, 1
CheckOutput "UserID", userId, 11, "Long"
CheckOutput "UserPrefix", prefix, "Dr.", "String"
CheckOutput "UserFirstname", first, "Mira", "String"
CheckOutput "UserLastname", last, "Sample", "String"
CheckOutput "UserLogin", login, "demo", "String"
CheckOutput "UserGroup", group, "Dentists", "String"
CheckOutput "IsLoggedIn", loggedIn, True, "Boolean"
CheckOutput "LoginMethod", method, 1, "Integer"
CheckOutput "Rights", rights, 35, "Integer"
CheckOutput "sextra travels both ways", extra, "round trip", "String"

result = appl.FindPatient("1002", firstName, lastName)
CheckEqual "FindPatient of a known patient", result, 1
CheckOutput "FName found", firstName, "Jonas", "String"
CheckOutput "LName found", lastName, "Falk", "String"
result = appl.FindPatient("9999", firstName, lastName)
CheckEqual "FindPatient of an unknown patient", result, 0
CheckOutput "FName left as it was", firstName, "Jonas", "String"

result = appl.GetCurrentPatient(patId, firstName, lastName, birthdate, sex, address, tel1, tel2, _
                                mobile, email, comments)
CheckEqual "GetCurrentPatient", result, 1
CheckOutput "current PatID", patId, "1001", "String"
CheckOutput "current LName", lastName, "Holm", "String"
CheckOutput "current Birthdate", birthdate, "04.07.1981", "String"
CheckOutput "current Adress", address, "Quay Street 2, Saltby", "String"
CheckOutput "current Email", email, "Ines.Holm@example.net", "String"

prefix = "x" : first = "" : last = ""
result = appl.UserLogin("admin", "admin", , , prefix, first, last)
CheckEqual "UserLogin as another user", result, 1
CheckOutput "UserPrefix from the login reply", prefix, "", "String"
CheckOutput "UserFirstname from the login reply", first, "Clinic", "String"
CheckOutput "UserLastname from the login reply", last, "Admin", "String"
login = ""
appl.GetSessionInfo , , , , login
CheckOutput "the session follows the login", login, "admin", "String"
CheckEqual "UserLogin with a wrong password", appl.UserLogin("demo", "wrong"), 0
' An enumeration is a plain number to scripts; one outside it reaches the library as it is.
CheckEqual "UserLogin with ChangeRightsMethod 5", appl.UserLogin("demo", "demo", , , , , , 5), -6

result = appl.GetRespPerson(personId, prefix, first, last, guid, shortName, contact, email, _
                            personLogin, personType)
CheckEqual "GetRespPerson", result, 1
CheckOutput "rpLastname", last, "Molar", "String"
CheckOutput "rpLoginname", personLogin, "rmolar", "String"
CheckOutput "rpType", personType, 0, "Long"

CheckEqual "MWLQuery over the whole register", appl.MWLQuery(), 3
CheckEqual "MWLQuery for one patient", appl.MWLQuery("1002"), 1
CheckEqual "SetWindowState minimised", appl.SetWindowState(1), 1
CheckEqual "SetWindowState normal, moved", appl.SetWindowState(0, 40, 40, 800, 600), 1
CheckEqual "ToFile", appl.ToFile, False

Set appl = Nothing
Done
