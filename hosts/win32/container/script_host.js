// Drives the registered server from the system's JScript engine, as a page's script would:
// every class by ProgId, properties set and read, PopupMenu into a script object with its
// optional arguments left out, and a member's error caught with its number and description.
// Prints a line for each failed check and a closing "N passed, M failed".
var passed = 0, failed = 0;
function check(ok, what) {
    if (ok) {
        passed++;
    } else {
        failed++;
        WScript.Echo("FAIL: " + what);
    }
}

var progIds = ["Tessivra.TextoEmMaiusculo", "Tessivra.TextoEmMinusculo", "Tessivra.MailText",
               "Tessivra.UrlText", "Tessivra.Moeda", "Tessivra.ScrollText",
               "Tessivra.HoraAtual", "Tessivra.Sobre"];
for (var i = 0; i < progIds.length; i++) {
    var made = null;
    try {
        made = new ActiveXObject(progIds[i]);
    } catch (e) {
        made = null;
    }
    check(made !== null, progIds[i] + " is created by its ProgId");
}

var m = new ActiveXObject("Tessivra.Moeda");
m.Text = "1234.5";
check(m.Text === "1234.5", "Moeda.Text set and read back: " + m.Text);
m.Alignment = 1;
check(m.Alignment === 1 && typeof m.Alignment === "number", "Alignment reads back as a number");

try {
    m.Alignment = 7;
    check(false, "a refused value raises an error");
} catch (e) {
    check((e.number & 0xFFFF) === 380, "a refused value raises 380: " + (e.number & 0xFFFF));
    check(e.description === "Invalid property value", "with its description: " + e.description);
}
check(m.Alignment === 1, "and the property keeps its value");

// A script object's function is a method to the server; the arguments left out arrive omitted.
var menu = {
    calls: 0,
    given: -1,
    Popup: function (flags, x, y, defaultMenu) {
        this.calls++;
        this.given = arguments.length;
    }
};
var upper = new ActiveXObject("Tessivra.TextoEmMaiusculo");
upper.PopupMenu(menu);
check(menu.calls === 1, "PopupMenu reaches the menu object with only the menu given");
upper.PopupMenu(menu, 0, 15, 30);
check(menu.calls === 2, "and with its position given");

var lower = new ActiveXObject("tessivra.textoemminusculo");
lower.ToolTipText = "tip";
check(lower.ToolTipText === "tip", "a ProgId in any case; ToolTipText kept");

WScript.Echo("script-host-js: " + passed + " passed, " + failed + " failed");
WScript.Quit(failed);
