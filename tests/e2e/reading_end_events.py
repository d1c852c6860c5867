#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Runs the program on the current D-Bus session's accessibility bus, presses Read, then
Read and Stop, through AT-SPI, and checks that each reading's end is told by one
notification shown (what screen readers speak), « Lecture terminée » then « Lecture
arrêtée », and nothing of the kind per character. Prints the AT-SPI events seen.

usage: reading_end_events.py PROGRAM SHORT_CORRECTION LONG_CORRECTION
"""
import os
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

program, short_correction, long_correction = sys.argv[1:4]
start = time.monotonic()
events = []  # (seconds, type, detail1, role, name)


def on_event(event):
    try:
        if event.source.get_application().get_name() == "Virod idadidavir":
            events.append((time.monotonic() - start, event.type, event.detail1,
                           event.source.get_role_name(), event.source.get_name()))
    except (GLib.Error, AttributeError):
        pass


listener = Atspi.EventListener.new(on_event)
for kind in ("object:state-changed:showing", "object:state-changed:focused",
             "object:property-change:accessible-name", "object:property-change:accessible-description"):
    listener.register(kind)


def wait_for(condition, seconds):
    """Runs the AT-SPI event loop until condition() is true or the time is over."""
    deadline = time.monotonic() + seconds

    def check():
        if condition() or time.monotonic() > deadline:
            Atspi.event_quit()
            return False
        return True

    GLib.timeout_add(50, check)
    Atspi.event_main()
    return condition()


def find(node, role, name, depth=0):
    if node is None or depth > 12:
        return None
    if node.get_role_name() == role and node.get_name() == name:
        return node
    for i in range(node.get_child_count()):
        found = find(node.get_child_at_index(i), role, name, depth + 1)
        if found:
            return found
    return None


def button(name):
    desktop = Atspi.get_desktop(0)
    apps = [desktop.get_child_at_index(i) for i in range(desktop.get_child_count())]
    return next((b for b in (find(a, "push button", name) for a in apps if a) if b), None)


def told(text):
    return [e for e in events if e[1:] == ("object:state-changed:showing", 1, "notification", text)]


child = subprocess.Popen([program, short_correction], env=dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))
try:
    if not wait_for(lambda: button("Lire la correction"), 20):
        sys.exit("the program never showed on the accessibility bus")
    time.sleep(1.0)  # past the start-up tick
    Atspi.Action.do_action(button("Lire la correction"), 0)
    finished = wait_for(lambda: told("Lecture terminée"), 20)

    field = find(button("Lire la correction").get_parent(), "text", "Chemin et nom du fichier de correction")
    Atspi.EditableText.set_text_contents(field, long_correction)
    Atspi.Action.do_action(button("Lire la correction"), 0)
    wait_for(lambda: False, 1.5)  # a few characters read
    Atspi.Action.do_action(button("Stop"), 0)
    stopped = wait_for(lambda: told("Lecture arrêtée"), 20)
    wait_for(lambda: False, 2.0)  # anything told once the stopped reading is over
finally:
    child.terminate()
    child.wait(10)

for when, kind, detail, role, name in events:
    print(f"{when:7.3f}  {kind:45} {detail}  {role:13} {name}")
shown = [e for e in events if e[3] == "notification" and e[1] == "object:state-changed:showing"]
problems = [text for text, ok in (("no « Lecture terminée » at the end of the reading", finished),
                                  ("no « Lecture arrêtée » at Stop", stopped),
                                  (f"{len(shown)} notifications, one per reading expected", len(shown) == 2)) if not ok]
for problem in problems:
    print("FAIL:", problem)
sys.exit(1 if problems else 0)
