' Checks shared by the host tests. scripts/wine/com-tests.sh puts this file in front of each test
' script (the script engine under Wine has no Execute or include), so it must come first and
' declare nothing a test declares again.
'
' Every check prints one line, "ok - <name>" or "not ok - <name>: <what was found>"; a script
' ends with "# done", so that a script stopped by an error it did not expect shows as a failure.
Option Explicit

Dim lastErrorNumber, lastErrorSource, lastErrorDescription

' A value as the failure text shows it: type and contents.
Function Describe(value)
  If IsObject(value) Then
    Describe = "object " & TypeName(value)
  ElseIf IsNull(value) Then
    Describe = "Null"
  ElseIf VarType(value) = vbString Then
    Describe = "String """ & value & """"
  ElseIf IsArray(value) Then
    Describe = "array"
  Else
    Describe = TypeName(value) & " " & CStr(value)
  End If
End Function

Sub Check(name, condition, detail)
  If condition Then
    WScript.Echo "ok - " & name
  Else
    WScript.Echo "not ok - " & name & ": " & detail
  End If
End Sub

' Equal values of the same kind: texts compare as texts, numbers as numbers, so "1" is not 1.
Sub CheckEqual(name, actual, expected)
  Dim same
  If VarType(expected) = vbString Or VarType(actual) = vbString Then
    same = (VarType(actual) = vbString And VarType(expected) = vbString)
    If same Then same = (StrComp(actual, expected, vbBinaryCompare) = 0)
  ElseIf IsNumeric(actual) And IsNumeric(expected) And Not IsEmpty(actual) Then
    same = (actual = expected)
  Else
    same = (VarType(actual) = VarType(expected))
  End If
  Check name, same, "got " & Describe(actual) & ", expected " & Describe(expected)
End Sub

' What a by-reference argument holds after a call: value and automation type.
Sub CheckOutput(name, actual, expected, expectedType)
  CheckEqual name, actual, expected
  Check name & " is a " & expectedType, TypeName(actual) = expectedType, "it is a " & TypeName(actual)
End Sub

' Keeps the error the last statement raised; call right after it, under On Error Resume Next.
Sub KeepError()
  lastErrorNumber = Err.Number
  lastErrorSource = Err.Source
  lastErrorDescription = Err.Description
  Err.Clear
End Sub

Sub CheckError(name, number, source, description)
  CheckEqual name & ": Err.Number", lastErrorNumber, number
  If Not IsEmpty(source) Then CheckEqual name & ": Err.Source", lastErrorSource, source
  If Not IsEmpty(description) Then
    CheckEqual name & ": Err.Description", lastErrorDescription, description
  End If
End Sub

Sub Done()
  WScript.Echo "# done"
End Sub
