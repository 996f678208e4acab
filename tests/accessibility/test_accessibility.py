# SPDX-License-Identifier: MIT
"""The running program as a screen reader sees it, on the accessibility bus that tests/test_accessibility.sh
starts: the role, name, description, states and actions of every control of the tab, the base bar, the link
editor and a message box; actions run through the bus (a link opened, a switch stored, a page shown, a link
edited) with the names and states following and the bus told; then the open tab driven by the keyboard
alone (brimvel --toggle, the arrows, Tab, Enter, Space, Escape), the keyboard going back to the window that
had it. Usage: test_accessibility.py BUILD_DIR (inside tests/desktop.sh)."""

import configparser
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from checks import Checks  # noqa: E402

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402
import pyatspi  # noqa: E402

BUILD = sys.argv[1]
OPEN_LOG = os.environ["BRIMVEL_OPEN_LOG"]
SETTINGS = os.path.join(os.environ["XDG_CONFIG_HOME"], "Brimvel-Blue.conf")

# The seeded link file: rows 1, 3 and 10 of page 1, row 1 of page 2.
LINKS = {
    0: {0: ("Alpha", "http://alpha.example/"), 2: ("Gamma", "http://gamma.example/"),
        9: ("Kappa", "http://kappa.example/")},
    1: {0: ("Beta two", "http://two.example/")},
}
# The stored switches at start (1 on, 0 off): stay on top off, sound on, hover opening and auto-retract off.
START_SETTINGS = {"ont": "0", "sdo": "1", "mso": "0", "atr": "0", "mdt": "0"}


def row_name(link, row, page):
    """What a row holding a link is named: the link, which row of the page it is and which page."""
    return f"{link}, link {row} of 10, page {page}"


check = Checks()


def pump(seconds):
    """Lets the bus's messages (events, cache updates) arrive for a while."""
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        while context.iteration(False):
            pass
        time.sleep(0.02)


def wait_until(condition, seconds=15):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        pump(0.05)
        try:
            if condition():
                return True
        except Exception:  # a node that went away while it was read
            pass
    return False


# ---- what the bus says happened ----
events = []


def on_event(event):
    try:
        name = event.source.get_name()
    except Exception:
        name = None
    events.append((event.type, name, event.detail1))


listener = Atspi.EventListener.new(on_event)
for kind in ("object:state-changed:checked", "object:state-changed:selected", "object:state-changed:focused",
             "object:property-change:accessible-name", "object:property-change:accessible-description"):
    listener.register(kind)


def saw(kind, name, detail=None):
    return any(t.startswith(kind) and n == name and (detail is None or d == detail) for t, n, d in events)


# ---- the program ----
work = tempfile.mkdtemp()
program_folder = os.path.join(work, "prog")
os.makedirs(os.path.join(program_folder, "data", "links"))
os.makedirs(os.path.join(program_folder, "data", "sounds"))
shutil.copy(os.path.join(BUILD, "brimvel"), program_folder)
for wav in os.listdir(os.path.join(BUILD, "data", "sounds")):
    shutil.copy(os.path.join(BUILD, "data", "sounds", wav), os.path.join(program_folder, "data", "sounds"))
with open(os.path.join(program_folder, "data", "links", "plink.dat"), "w") as f:
    for page, slots in LINKS.items():
        f.write(f"[{page}]\n")
        for slot, (name, address) in slots.items():
            f.write(f"name{slot}={name}\nurl{slot}={address}\n")
with open(SETTINGS, "w") as f:
    f.write("[General]\n" + "".join(f"{k}={v}\n" for k, v in START_SETTINGS.items()))
open(OPEN_LOG, "a").close()

brimvel = os.path.join(program_folder, "brimvel")
program_log = open(os.path.join(work, "program.log"), "w")
program = subprocess.Popen([brimvel], stdout=program_log, stderr=subprocess.STDOUT)
helpers = []


def finish():
    for p in helpers + [program]:
        p.kill()
        p.wait()
    print(check.summary())
    if check.failed:
        print("the program said:\n" + open(os.path.join(work, "program.log")).read(), file=sys.stderr)
    shutil.rmtree(work, ignore_errors=True)
    sys.exit(1 if check.failed else 0)


def require(what, ok, detail=""):
    if not check(what, ok, detail):
        finish()


def stored(key):
    parser = configparser.ConfigParser()
    parser.read(SETTINGS)
    return parser.get("General", key, fallback=None)


def opened():
    with open(OPEN_LOG) as f:
        return [line.strip() for line in f if line.strip()]


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.get_process_id() == program.pid:
            return app
    return None


def window(role, name):
    app = application()
    if app is None:
        return None
    for i in range(app.childCount):
        w = app.getChildAtIndex(i)
        if w is not None and w.getRoleName() == role and w.name == name:
            return w
    return None


def descendants(node):
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        yield child
        yield from descendants(child)


def find(root, role, name):
    for node in descendants(root):
        if node.getRoleName() == role and node.name == name:
            return node
    return None


def states(node):
    return {pyatspi.stateToString(s) for s in node.getState().getStates()}


def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i).lower() for i in range(action.nActions)]


def act(node):
    """Runs the node's first action, as a screen reader's user asks for it."""
    return node.queryAction().doAction(0)


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


# ==== the tree ====
tab = None
require("the program shows its tab on the accessibility bus",
        wait_until(lambda: window("frame", "Brimvel") is not None and window("frame", "Brimvel base bar") is not None,
                   30))
tab = window("frame", "Brimvel")
base = window("frame", "Brimvel base bar")
require("the link rows are named", wait_until(lambda: find(tab, "push button", row_name("Alpha", 1, 1)) is not None))

rows = [(row_name(LINKS[0][i][0], i + 1, 1), LINKS[0][i][1]) if i in LINKS[0] else (f"Empty slot {i + 1}", "")
        for i in range(10)]
expected = {("push button", "Open Brimvel"), ("link", "Products"), ("link", "Search"), ("link", "Help"),
            ("link", "Downloads"), ("link", "Home page"), ("check box", "Stay on top"), ("check box", "Sound"),
            ("check box", "Auto-retract"), ("check box", "Open on hover"), ("push button", "Update"),
            ("push button", "Exit"), ("page tab list", "Pages")}
expected |= {("page tab", f"Page {k}") for k in range(1, 10)}
expected |= {("push button", name) for name, _ in rows}
expected |= {("push button", f"Edit link {i}") for i in range(1, 11)}
seen = [(n.getRoleName(), n.name) for n in descendants(tab)]
check("the tab shows every control once, by role and name", sorted(seen) == sorted(expected),
      f"missing {sorted(expected - set(seen))}, unexpected {sorted(set(seen) - expected)}, {len(seen)} nodes")
nameless = [(n.getRoleName(), n.name) for w in (tab, base) for n in descendants(w)
            if not n.name or n.getRoleName() in ("filler", "unknown", "panel")]
check("no node of the tab or the base bar is an unnamed filler", not nameless, str(nameless))
check("the base bar shows its cap and its logo spot",
      sorted((n.getRoleName(), n.name) for n in descendants(base)) == [("link", "Home page"),
                                                                       ("push button", "Open Brimvel")])

for i, (name, address) in enumerate(rows):
    row = find(tab, "push button", name)
    what = f"row {i + 1} ({name})"
    check(f"{what}: described by its address", row is not None and row.description == address,
          row and repr(row.description))
    check(f"{what}: pressed to open, reached by the keyboard",
          row is not None and actions(row) == ["press"] and "focusable" in states(row), row and str(actions(row)))

pages = find(tab, "page tab list", "Pages")
page_tabs = [pages.getChildAtIndex(i) for i in range(pages.childCount)] if pages else []
check("the page tab list holds the nine page selectors in order",
      [p.name for p in page_tabs] == [f"Page {k}" for k in range(1, 10)])
check("only the page shown is selected",
      [("selected" in states(p)) for p in page_tabs] == [True] + [False] * 8)
check("a page tab's parent is the page tab list", page_tabs and page_tabs[3].parent.name == "Pages")

# The switches read as the stored settings set them.
switches = {"Stay on top": "ont", "Sound": "sdo", "Auto-retract": "atr", "Open on hover": "mso"}
for name, key in switches.items():
    node = find(tab, "check box", name)
    on = START_SETTINGS[key] == "1"
    check(f"switch {name}: {'checked' if on else 'not checked'}, toggled by its action",
          node is not None and ("checked" in states(node)) == on and actions(node) == ["toggle"],
          node and f"{states(node)} {actions(node)}")
update = find(tab, "push button", "Update")
check("the update button is disabled with no update, and has no action",
      update is not None and "enabled" not in states(update) and actions(update) == [])

# ==== actions through the bus ====
strip = find(tab, "push button", "Open Brimvel")
act(strip)
check("the strip's action opens the tab, and it is named for what it does now",
      wait_until(lambda: strip.name == "Close Brimvel") and saw("object:property-change:accessible-name",
                                                                 "Close Brimvel"))
check("the tab opened without the keyboard: no row has the focus",
      not any("focused" in states(find(tab, "push button", name)) for name, _ in rows))

sound = find(tab, "check box", "Sound")
act(sound)
check("the sound switch's action stores the switch off", wait_until(lambda: stored("sdo") == "0"))
check("the sound switch reads unchecked, and the bus was told",
      wait_until(lambda: "checked" not in states(sound)) and saw("object:state-changed:checked", "Sound", 0))
stay = find(tab, "check box", "Stay on top")
act(stay)
check("the stay-on-top switch's action stores it on and reads checked",
      wait_until(lambda: stored("ont") == "1" and "checked" in states(stay)))

# Another page: the selected tab and the rows' names and addresses follow.
row1 = find(tab, "push button", row_name("Alpha", 1, 1))
act(page_tabs[1])
check("page 2's action shows and stores page 2", wait_until(lambda: stored("mdt") == "1"))
check("page 2 is the one selected",
      wait_until(lambda: [("selected" in states(p)) for p in page_tabs] == [False, True] + [False] * 7))
check("row 1 is named and described by page 2's link, and the bus was told",
      wait_until(lambda: row1.name == row_name("Beta two", 1, 2) and row1.description == "http://two.example/")
      and saw("object:property-change:accessible-name", row_name("Beta two", 1, 2)))
check("row 3 reads as an empty slot on page 2", find(tab, "push button", "Empty slot 3") is not None
      and find(tab, "push button", row_name("Gamma", 3, 1)) is None)
act(page_tabs[0])
check("page 1 again: row 1 is Alpha", wait_until(lambda: row1.name == row_name("Alpha", 1, 1)))

# A row's action opens its link as a click does: the tab slides in, then the address goes to the desktop.
act(find(tab, "push button", row_name("Gamma", 3, 1)))
check("row 3's action opens its address", wait_until(lambda: "http://gamma.example/" in opened(), 20),
      str(opened()))
check("and the tab slid in", wait_until(lambda: strip.name == "Open Brimvel"))

# The editor: a dialog whose boxes are named by their captions; a link saved renames its row.
act(find(tab, "push button", "Edit link 2"))
row2 = find(tab, "push button", "Empty slot 2")
require("the light's action shows the link editor as a dialog named by its row and page",
        wait_until(lambda: window("dialog", "Brimvel link editor, link 2, page 1") is not None))
editor = window("dialog", "Brimvel link editor, link 2, page 1")
for role, name in (("text", "Enter URL"), ("text", "Enter Name"), ("push button", "OK"), ("push button", "Cancel"),
                   ("link", "Brimvel product page"), ("link", "Home page")):
    check(f"the editor shows {role} {name!r}", find(editor, role, name) is not None)
check("the address box has the keyboard", wait_until(lambda: "focused" in states(find(editor, "text", "Enter URL"))))
xdotool("type", "--delay", "20", "http://delta.example/")
xdotool("key", "Tab")
xdotool("type", "--delay", "20", "Delta")
xdotool("key", "Return")
check("the saved link names its row at once, and the bus was told",
      row2 is not None and wait_until(lambda: row2.name == row_name("Delta", 2, 1) and row2.description == "http://delta.example/")
      and saw("object:property-change:accessible-name", row_name("Delta", 2, 1)),
      f"rows {[n.name for n in descendants(tab) if n.getRoleName() == 'push button']}, link file "
      f"{open(os.path.join(program_folder, 'data', 'links', 'plink.dat')).read()!r}")

# A message box reads as the toolkit's own dialog: Exit asks, No keeps the program running.
act(find(tab, "push button", "Exit"))


def question():
    app = application()
    for i in range(app.childCount):
        w = app.getChildAtIndex(i)
        if w is not None and w.getRoleName() in ("dialog", "alert") and find(w, "push button", "No"):
            return w
    return None


check("Exit's question reads as a dialog with Yes and No", wait_until(lambda: question() is not None))
box = question()
if box is not None:
    act(find(box, "push button", "No"))
check("No keeps the program running", wait_until(lambda: question() is None) and program.poll() is None)

# ==== the keyboard alone ====
# Another program's window holds the keyboard, as a user's would when the global shortcut runs.
other = subprocess.Popen(["xmessage", "-name", "previous", "-geometry", "+100+100", "a window that had the keyboard"],
                         stderr=subprocess.DEVNULL)
helpers.append(other)


def other_window():
    return xdotool("search", "--onlyvisible", "--classname", "^previous$").split("\n")[0]


require("the other window comes up", wait_until(lambda: other_window() != ""))
xdotool("windowactivate", "--sync", other_window())
xdotool("windowfocus", "--sync", other_window())
require("the other window holds the keyboard", wait_until(lambda: xdotool("getwindowfocus") == other_window()))
tab_window = xdotool("search", "--all", "--onlyvisible", "--pid", str(program.pid), "--name", "^Brimvel-Blue$")


def toggle():
    subprocess.run([brimvel, "--toggle"], timeout=10)


def row_focused(name):
    node = find(tab, "push button", name)
    return node is not None and "focused" in states(node)


def tab_holds_keyboard():
    return xdotool("getwindowfocus") == tab_window


toggle()
check("brimvel --toggle opens the tab", wait_until(lambda: strip.name == "Close Brimvel"))
check("the open tab holds the keyboard", wait_until(tab_holds_keyboard))
check("the focus starts on row 1", wait_until(lambda: row_focused(row_name("Alpha", 1, 1))))
xdotool("key", "Down")
check("Down moves the focus to row 2", wait_until(lambda: row_focused(row_name("Delta", 2, 1))))
xdotool("key", "Down")
check("a second Down moves it to row 3, and the bus was told",
      wait_until(lambda: row_focused(row_name("Gamma", 3, 1))) and saw("object:state-changed:focused", row_name("Gamma", 3, 1), 1))
before = len(opened())
xdotool("key", "Return")
check("Return opens row 3's link", wait_until(lambda: opened()[before:] == ["http://gamma.example/"], 20),
      str(opened()[before:]))
check("the tab slid in", wait_until(lambda: strip.name == "Open Brimvel"))
check("the previous window has the keyboard again", wait_until(lambda: xdotool("getwindowfocus") == other_window()))

toggle()
check("brimvel --toggle opens the tab again", wait_until(lambda: strip.name == "Close Brimvel"))
check("the focus starts on row 1 again", wait_until(lambda: row_focused(row_name("Alpha", 1, 1))))
xdotool("key", "Tab")
check("Tab goes on to the page selector of the page shown", wait_until(lambda: "focused" in states(page_tabs[0])))
xdotool("key", "Right")
check("Right shows page 2, whose selector takes the focus",
      wait_until(lambda: stored("mdt") == "1" and "selected" in states(page_tabs[1])
                 and "focused" in states(page_tabs[1])))
check("the rows follow the page", wait_until(lambda: row1.name == row_name("Beta two", 1, 2)))
xdotool("key", "Left")
check("Left shows page 1 again", wait_until(lambda: stored("mdt") == "0" and row1.name == row_name("Alpha", 1, 1)))
xdotool("key", "Tab")
check("Tab goes on to the first switch", wait_until(lambda: "focused" in states(stay)))
xdotool("key", "space")
check("Space toggles the focused switch", wait_until(lambda: stored("ont") == "0" and "checked" not in states(stay)))
xdotool("key", "shift+Tab", "shift+Tab")
check("Shift+Tab twice goes back to the row that had the focus",
      wait_until(lambda: row_focused(row_name("Alpha", 1, 1))))
# The Menu key on a focused row opens the row's menu there (the toolkit shows a popup menu to assistive
# technology through its items' focus); Escape closes the menu and leaves the tab open, the row focused.
def menu_item_focused(label):
    return any(t.startswith("object:state-changed:focused") and d == 1 and (n or "").startswith(label)
               for t, n, d in events)


events.clear()
xdotool("key", "Menu")
pump(0.5)
xdotool("key", "Down")
check("the Menu key opens the focused row's menu, its first item Edit",
      wait_until(lambda: menu_item_focused("Edit")), str([e for e in events if "focused" in e[0]]))
xdotool("key", "Escape")
check("Escape closes the menu; the tab stays open with row 1 focused",
      wait_until(lambda: row_focused(row_name("Alpha", 1, 1))) and strip.name == "Close Brimvel")
wait_until(tab_holds_keyboard)
opened_before = len(opened())
xdotool("key", "Escape")
check("Escape slides the tab in", wait_until(lambda: strip.name == "Open Brimvel"))
check("and gives the keyboard back to the previous window",
      wait_until(lambda: xdotool("getwindowfocus") == other_window()))
check("Escape opened nothing", opened()[opened_before:] == [])
check("no row keeps the focus once the tab is in", not any(row_focused(name) for name, _ in rows))

# The number pad's digits open the rows as before while the keyboard drives the tab.
toggle()
# The keys count once the tab has grown to its full height.
check("brimvel --toggle opens the tab a third time, to its full height",
      wait_until(lambda: "Geometry: 207x301" in xdotool("getwindowgeometry", tab_window)))
wait_until(tab_holds_keyboard)
opened_before = len(opened())
# NumLock on (the X server starts with it off), so that the key is a digit.
xdotool("key", "Num_Lock")
xdotool("key", "KP_1")
check("number pad 1 still opens row 1's link",
      wait_until(lambda: opened()[opened_before:] == ["http://alpha.example/"], 20), str(opened()[opened_before:]))

finish()
