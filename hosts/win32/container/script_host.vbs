' Drives the registered server from the system's script host, as a page or a macro would:
' CreateObject by ProgId, properties set and read, PopupMenu, and a member's error caught with
' its number and description. Prints one line per check and a closing "N passed, M failed".
Dim passed, failed
passed = 0
failed = 0
Sub Check(ok, what)
    If ok Then
        passed = passed + 1
    Else
        failed = failed + 1
        WScript.Echo "FAIL: " & what
    End If
End Sub

Class Recorder
    Public Calls
    Public LastX
    Public Sub Popup(Flags, X, Y, DefaultMenu)
        Calls = Calls + 1
        LastX = X
    End Sub
End Class

Set m = CreateObject("Tessivra.Moeda")
m.Text = "1234.5"
Check m.Text = "1234.5", "Moeda.Text set and read back: " & m.Text
m.Alignment = 2
Check m.Alignment = 2 And TypeName(m.Alignment) = "Integer", "Alignment is a 16-bit number"
m.BackColor = &HFF0000&
Check m.BackColor = &HFF0000&, "BackColor keeps a colour"
Check TypeName(m.Font) = "IFontDisp" Or TypeName(m.Font) = "Font", "Font is a font object: " & TypeName(m.Font)

On Error Resume Next
m.Alignment = 7
Check Err.Number = 380, "a refused value raises 380: " & Err.Number
Check Err.Description = "Invalid property value", "with its description: " & Err.Description
Err.Clear
m.Alignment = 70000
Check Err.Number <> 0, "a value that overflows is refused: " & Err.Number
Err.Clear
On Error GoTo 0

Set lower = CreateObject("tessivra.textoemmaiusculo")
Set r = New Recorder
r.Calls = 0
' Wine's VBScript refuses a call into a script class with an omitted argument, so every
' argument is passed.
lower.PopupMenu r, 0, 15, 30, Nothing
Check r.Calls = 1 And r.LastX = 15, "PopupMenu reaches the menu object"

Set clock = CreateObject("Tessivra.HoraAtual")
clock.ToolTipText = "now"
Check clock.ToolTipText = "now", "HoraAtual.ToolTipText"
Set about = CreateObject("Tessivra.Sobre")
Check IsObject(about), "Sobre created"

WScript.Echo "script-host: " & passed & " passed, " & failed & " failed"
WScript.Quit failed
