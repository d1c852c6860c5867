#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Runs the program on the accessibility bus of the current D-Bus session, presses Read
and then Stop through AT-SPI as a screen reader user's tools do, and checks that each
reading's end is told once by a notification that screen readers speak when it shows
(« Lecture terminée », then « Lecture arrêtée »), with no such event per character.
Prints the AT-SPI events it saw. Exit 0 when all is as expected.

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
APP_NAME = "Virod idadidavir"
events = []  # (seconds since start, type, detail1, role, name)
start = time.monotonic()


def describe(accessible):
    try:
        return accessible.get_role_name(), accessible.get_name()
    except GLib.Error:
        return "?", "?"


def on_event(event):
    try:
        app = event.source.get_application()
        if app is None or app.get_name() != APP_NAME:
            return
    except GLib.Error:
        return
    role, name = describe(event.source)
    events.append((time.monotonic() - start, event.type, event.detail1, role, name))


listener = Atspi.EventListener.new(on_event)
for kind in ("object:state-changed:showing", "object:state-changed:focused",
             "object:property-change:accessible-name", "object:property-change:accessible-description",
             "object:text-changed", "object:text-caret-moved"):
    listener.register(kind)


def wait_until(condition, seconds):
    """Runs the AT-SPI event loop until condition() holds or the time is over."""
    deadline = time.monotonic() + seconds
    result = condition()

    def check():
        nonlocal result
        result = condition()
        if result or time.monotonic() > deadline:
            Atspi.event_quit()
            return False
        return True

    if not result:
        GLib.timeout_add(50, check)
        Atspi.event_main()
    return result


def find(node, role, name, depth=0):
    if depth > 12 or node is None:
        return None
    try:
        if node.get_role_name() == role and node.get_name() == name:
            return node
        for i in range(node.get_child_count()):
            found = find(node.get_child_at_index(i), role, name, depth + 1)
            if found:
                return found
    except GLib.Error:
        return None
    return None


def application():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        child = desktop.get_child_at_index(i)
        if child is not None and child.get_name() == APP_NAME:
            return child
    return None


def press(app, name):
    button = find(app, "push button", name)
    if button is None:
        raise SystemExit(f"no button « {name} » in the AT-SPI tree")
    Atspi.Action.do_action(button, 0)


def set_field(app, name, text):
    field = find(app, "text", name)
    if field is None:
        raise SystemExit(f"no field « {name} » in the AT-SPI tree")
    Atspi.EditableText.set_text_contents(field, text)


def notices(text):
    return [e for e in events if e[1] == "object:state-changed:showing" and e[2] == 1
            and e[3] == "notification" and e[4] == text]


env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
child = subprocess.Popen([program, short_correction], env=env)
status = 1
try:
    app = None
    wait_until(lambda: (app := application()) is not None and find(app, "push button", "Lire la correction"), 20)
    app = application()
    if app is None:
        raise SystemExit("the program never showed on the accessibility bus")
    time.sleep(1.0)  # past the start-up tick

    press(app, "Lire la correction")
    finished = wait_until(lambda: notices("Lecture terminée"), 20)

    set_field(app, "Chemin et nom du fichier de correction", long_correction)
    press(app, "Lire la correction")
    wait_until(lambda: find(app, "push button", "Stop") and False, 1.5)
    press(app, "Stop")
    stopped = wait_until(lambda: notices("Lecture arrêtée"), 20)
    wait_until(lambda: False, 2.0)  # anything told after the stopped run ends

    for when, kind, detail, role, name in events:
        print(f"{when:7.3f}  {kind:45} {detail}  {role:14} {name}")
    all_notices = [e for e in events if e[3] == "notification" and e[1] == "object:state-changed:showing"]
    problems = []
    if not finished:
        problems.append("no « Lecture terminée » notification at the end of the reading")
    if not stopped:
        problems.append("no « Lecture arrêtée » notification at Stop")
    if len(all_notices) != 2:
        problems.append(f"{len(all_notices)} notifications shown, expected one per reading")
    for problem in problems:
        print("FAIL:", problem)
    status = 1 if problems else 0
finally:
    child.terminate()
    try:
        child.wait(10)
    except subprocess.TimeoutExpired:
        child.kill()
sys.exit(status)
