# SPDX-License-Identifier: MIT
"""What Orca says as a person drives the open tab with the keyboard alone, on the accessibility bus that
tests/test_orca.sh starts: a table of key sequences, each with what must be heard after it, in order, read
from the log Orca writes utterance by utterance. Usage: test_orca.py BUILD_DIR (inside tests/test_orca.sh)."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from checks import Checks  # noqa: E402

BUILD = sys.argv[1]
SPEECH_LOG = os.environ["BRIMVEL_SPEECH_LOG"]
SETTINGS = os.path.join(os.environ["XDG_CONFIG_HOME"], "Brimvel-Blue.conf")

# Page 1: Alpha, Bravo, Gamma in rows 1 to 3; page 2: Beta one and Beta two in rows 1 and 2.
LINKS = {
    0: {0: ("Alpha", "http://alpha.example/"), 1: ("Bravo", "http://bravo.example/"),
        2: ("Gamma", "http://gamma.example/")},
    1: {0: ("Beta one", "http://one.example/"), 1: ("Beta two", "http://two.example/")},
}
# Stay on top on (the questions must stand above the tab), sound off, hover opening and auto-retract off.
START_SETTINGS = {"ont": "1", "sdo": "0", "mso": "0", "atr": "0", "mdt": "0"}

check = Checks()


def wait_until(condition, seconds=20):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.05)
    return condition()


def spoken():
    with open(SPEECH_LOG, encoding="utf-8") as f:
        return [line.rstrip("\n") for line in f]


def heard_in_order(utterances, expected):
    """True when each expected text is part of an utterance, in the order given (later ones after earlier)."""
    at = 0
    for text in expected:
        while at < len(utterances) and text.lower() not in utterances[at].lower():
            at += 1
        if at == len(utterances):
            return False
        at += 1
    return True


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


# ---- the program ----
work = tempfile.mkdtemp()
program_folder = os.path.join(work, "prog")
os.makedirs(os.path.join(program_folder, "data", "links"))
os.makedirs(os.path.join(program_folder, "data", "sounds"))
shutil.copy(os.path.join(BUILD, "brimvel"), program_folder)
for wav in os.listdir(os.path.join(BUILD, "data", "sounds")):
    shutil.copy(os.path.join(BUILD, "data", "sounds", wav), os.path.join(program_folder, "data", "sounds"))
link_file = os.path.join(program_folder, "data", "links", "plink.dat")
with open(link_file, "w") as f:
    for page, slots in LINKS.items():
        f.write(f"[{page}]\n")
        for slot, (name, address) in slots.items():
            f.write(f"name{slot}={name}\nurl{slot}={address}\n")
with open(SETTINGS, "w") as f:
    f.write("[General]\n" + "".join(f"{k}={v}\n" for k, v in START_SETTINGS.items()))

helpers = []


def finish():
    for p in helpers:
        p.kill()
        p.wait()
    print(check.summary())
    if check.failed:
        print("Orca said:\n  " + "\n  ".join(spoken()), file=sys.stderr)
        print("the program said:\n" + open(os.path.join(work, "program.log")).read(), file=sys.stderr)
    shutil.rmtree(work, ignore_errors=True)
    sys.exit(1 if check.failed else 0)


if not check("Orca speaks once it has started", wait_until(lambda: spoken() != [], 60)):
    finish()

brimvel = os.path.join(program_folder, "brimvel")
program_log = open(os.path.join(work, "program.log"), "w")
program = subprocess.Popen([brimvel], stdout=program_log, stderr=subprocess.STDOUT)
helpers.append(program)

# Another program's window holds the keyboard, as a user's would when the global shortcut runs.
other = subprocess.Popen(["xmessage", "-name", "previous", "-geometry", "+100+100", "a window that had the keyboard"],
                         stderr=subprocess.DEVNULL)
helpers.append(other)


def window_of(*args):
    return xdotool("search", "--all", "--onlyvisible", *args).split("\n")[0]


if not check("the tab and another window come up",
             wait_until(lambda: window_of("--pid", str(program.pid), "--name", "^Brimvel-Blue$") != ""
                        and window_of("--classname", "^previous$") != "", 30)):
    finish()
tab_window = window_of("--pid", str(program.pid), "--name", "^Brimvel-Blue$")
previous = window_of("--classname", "^previous$")
xdotool("windowactivate", "--sync", previous)
check("the other window holds the keyboard", wait_until(lambda: xdotool("getwindowfocus") == previous))


def focused_window_name():
    return xdotool("getwindowfocus", "getwindowname")


# Which window must hold the keyboard before a key is sent to it.
TAB = "tab"
DIALOG = "dialog"
MENU = "menu"


def holds_keyboard(where):
    if where == TAB:
        return xdotool("getwindowfocus") == tab_window
    if where == DIALOG:
        # The editor and the questions are the program's managed windows, titled "Brimvel".
        return focused_window_name() == "Brimvel"
    return True  # a menu takes the keyboard by a grab; the step before waits until its item is heard


def toggle():
    subprocess.run([brimvel, "--toggle"], timeout=10)


# Each step: what it does (keys for the window that must hold them, or a command), and what must be heard
# after it, in order. A step's keys go only once that window holds the keyboard.
STEPS = [
    ("brimvel --toggle", [("run", toggle)], ["Alpha, link 1 of 10, page 1"]),
    ("Down", [(TAB, "Down")], ["Bravo, link 2 of 10, page 1"]),
    ("Right shows page 2", [(TAB, "Right")], ["Page 2", "Beta two, link 2 of 10, page 2"]),
    ("F2 opens the editor, named by its row and page", [(TAB, "F2")], ["link editor, link 2, page 2"]),
    ("Escape closes it, the row heard again", [(DIALOG, "Escape")], ["Beta two, link 2 of 10, page 2"]),
    ("F2, a new address, OK: the save heard", [(TAB, "F2"), (DIALOG, "ctrl+a"),
                                               (DIALOG, "type:http://new.example/"), (DIALOG, "Return")],
     ["Saved Beta two", "Beta two, link 2 of 10, page 2"]),
    ("Shift+F10 opens the row's menu", [(TAB, "shift+F10")], ["Edit"]),
    ("Remove asks", [(MENU, "r")], ["Remove the link"]),
    ("Yes: the removal heard, then the row", [(DIALOG, "Return")], ["Removed Beta two", "Empty slot 2"]),
    ("Left shows page 1", [(TAB, "Left")], ["Page 1", "Bravo, link 2 of 10, page 1"]),
    ("Shift+F10, Move to page, 2: the move heard, the focus on the emptied row",
     [(TAB, "shift+F10"), (MENU, "m")], ["Page 2"]),
    ("... page 2", [(MENU, "2")], ["Moved Bravo to page 2", "Empty slot 2"]),
    ("Tab round the stops: the page selector", [(TAB, "Tab")], ["Page 1"]),
    ("... the switches", [(TAB, "Tab")], ["Stay on top"]),
    ("... Sound", [(TAB, "Tab")], ["Sound"]),
    ("... Auto-retract", [(TAB, "Tab")], ["Auto-retract"]),
    ("... Open on hover", [(TAB, "Tab")], ["Open on hover"]),
    ("... Exit", [(TAB, "Tab")], ["Exit"]),
    ("Exit asks", [(TAB, "Return")], ["Are you sure you want to exit"]),
    ("No: the focus back on Exit", [(DIALOG, "n")], ["Exit"]),
    ("Tab goes round to the row", [(TAB, "Tab")], ["Empty slot 2"]),
]

for what, actions, expected in STEPS:
    before = len(spoken())
    ok = True
    for where, key in actions:
        if where == "run":
            key()
            continue
        if not wait_until(lambda: holds_keyboard(where), 15):
            ok = check(f"{what}: the {where} holds the keyboard", False, f"focus on {focused_window_name()!r}")
            break
        if key.startswith("type:"):
            xdotool("type", "--delay", "20", key[5:])
        else:
            xdotool("key", key)
    heard = ok and wait_until(lambda: heard_in_order(spoken()[before:], expected))
    check(f"{what}: heard {expected}", heard, f"heard {spoken()[before:]}")
    print("   Orca: " + " | ".join(spoken()[before:]))
    if not heard:
        break

check("the program still runs", program.poll() is None)
finish()
