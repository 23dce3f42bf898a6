#!/usr/bin/python3
# What a screen reader gets from the real program over AT-SPI, in a desktop session of its own
# (x11/session.sh): every control of the main window has a name, and every study step moves the
# focus to an object named with the card shown, which Orca speaks (Qt 6.4's name changes carry
# no name). Arguments: the program and the folder of the installed card files.
import os
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib

PROGRAM, RESOURCES = sys.argv[1:3]
ORDER, RANDOM = "Option3=False\nOption4=True\n", "Option3=True\nOption4=False\n"
TOGETHER = "Option1=False\nOption2=True\n"
# Study options, cards, keys, and the names heard: the card at the opening, then one per key.
ROWS = [
    (ORDER, ["Q1|A1", "Q2|A2", "Q3|A3"], "space space space space BackSpace space",
     ["Q1", "Q1\nA1", "Q2", "Q2\nA2", "Q3", "Q2", "Q2\nA2"]),
    # The same text again is heard again.
    (ORDER + TOGETHER, ["Q1|A1"], "space space BackSpace", ["Q1\nA1"] * 4),
    (RANDOM, ["Q1|A1"], "space space BackSpace space", ["Q1", "Q1\nA1", "Q1", "Q1", "Q1\nA1"]),
    (RANDOM + TOGETHER, ["Q1|A1", "Q1|A1"], "space BackSpace", ["Q1\nA1"] * 3),
]

heard = []  # (name, description, object) of each object that took the focus
reached = []  # keys that reached a window: not taken by the card window
failures = []


def focused(event):
    if event.detail1:
        heard.append((event.source.name, event.source.description, event.source))


def key(event):
    reached.append(event.event_string)
    return False  # the key goes on to the window


def wait(condition, what):
    deadline = time.monotonic() + 60
    while not (result := condition()):
        if time.monotonic() > deadline:
            sys.exit(f"timed out waiting for {what}; heard {[h[:2] for h in heard]}")
        if not GLib.MainContext.default().iteration(False):
            time.sleep(0.01)
    return result


def check(got, expected, what):
    if got != expected:
        failures.append(f"{what}: got {got!r}, expected {expected!r}")


def press(name):
    # In the card window's first 10 ms its keys are not yet taken: a key then reaches the window
    # as any key does and is no step, so it is pressed again.
    while True:
        steps, keys = len(heard), len(reached)
        subprocess.run(["xdotool", "key", name], check=True)
        wait(lambda: len(heard) > steps or len(reached) > keys, "the step of " + name)
        if len(heard) > steps:
            return


def focused_object(pid):
    # Read from the tree: the program may take the focus before it is connected for events. A
    # new window may not get the focus by itself: ask the window manager until it has it.
    try:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == pid:
                found = pyatspi.findDescendant(
                    app, lambda node: node.getState().contains(pyatspi.STATE_FOCUSED))
                if found:
                    return found
    except GLib.GError:  # an object gone while it is read
        pass
    subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid), "--name",
                    "^Quorvane$", "windowactivate"], capture_output=True)


def controls(node):
    for child in node:
        if child.getState().contains(pyatspi.STATE_FOCUSABLE):
            yield child
        yield from controls(child)


def labels(control):
    return [r.getTarget(i).name for r in control.getRelationSet()
            if r.getRelationType() == pyatspi.RELATION_LABELLED_BY for i in range(r.getNTargets())]


pyatspi.Registry.registerEventListener(focused, "object:state-changed:focused")
pyatspi.Registry.registerKeystrokeListener(key, kind=(pyatspi.KEY_PRESSED_EVENT,))
for row, (options, cards, keys, expected) in enumerate(ROWS):
    folder = tempfile.TemporaryDirectory()
    with open(os.path.join(RESOURCES, "default-sets.dat"), "rb") as source, \
            open(os.path.join(folder.name, "default-sets.dat"), "wb") as copy:
        copy.write(source.read())
    with open(os.path.join(folder.name, "default.dat"), "w", newline="") as deck:
        deck.write("".join(line + "\r\n" for line in ["States|Capitals"] + cards))
    with open(os.path.join(folder.name, "Tindrel.ini"), "w") as settings:
        settings.write("[Quorvane]\n" + options)
    program = subprocess.Popen([PROGRAM, "--folder", folder.name], env=dict(
        os.environ, XDG_CONFIG_HOME=folder.name, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))
    try:
        first = wait(lambda: focused_object(program.pid), "the main window's focus")
        check(first.name, "Press Tab to reach the study options", "the first focus")
        if row == 0:
            window = first.parent
            check([c.getRoleName() for c in controls(window) if not c.name and not labels(c)],
                  [], "controls without a name")
            check([label for c in controls(window) if c.getRole() == pyatspi.ROLE_COMBO_BOX
                   for label in labels(c) if label.startswith("Font S")],
                  ["Font Size:", "Font Style:"], "the combo boxes' labels")
        heard.clear()
        subprocess.run(["xdotool", "key", "Tab", "space"], check=True)  # Start Showing Flashcards
        described = lambda: [description for _, description, _ in heard]
        wait(lambda: "Flashcard" in described(), "the card window's focus")
        opening = described().index("Flashcard")
        check(heard[opening][0], expected[0], f"row {row}: the opening")
        for name in keys.split():
            press(name)
        check([name for name, _, _ in heard[opening + 1:]], expected[1:], f"row {row}: the steps")
    finally:
        program.terminate()
        program.wait()
        folder.cleanup()

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
