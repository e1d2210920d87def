"""The program as a screen reader meets it, read over AT-SPI.

Starts the real program in a fresh program directory (first run: greeting and
the name box) and checks what assistive technology gets: every speech
announced once as a notification named with its words, the name box's prompt
without its padding, the collapsed windows hidden, the figure described with a
ShowMenu action, its menu opened from the keyboard under the figure, and the
chat window's named controls. Writes what happened (the event log and the
tree) to the file named by the second argument.
Exit status: 0 passed, 1 failed, 77 skipped.
"""

import os
import shutil
import subprocess
import sys
import tempfile

from gi.repository import Atspi

from atspi_session import (EventLog, actions, application, children, describe, do_action,
                           dump, find, press_key, states, wait_for)

APP = "tovrinkin"
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)
    return condition


def notifications(log, name):
    return [e for e in log.matching("object:state-changed:showing", "notification", name)
            if e[3] == 1]


def spoken(log):
    """What a screen reader is given to speak, in order: notifications shown,
    focus changes and window activations."""
    lines = []
    for kind, role, name, detail, _ in log.events:
        if kind == "object:state-changed:showing" and role == "notification" and detail == 1:
            lines.append("notification: %s" % name)
        elif kind.startswith("focus:"):
            lines.append("focus: %s %s" % (name, role))
        elif kind.startswith("window:activate"):
            lines.append("window: %s" % name)
    return lines


def main():
    build_dir, report_path = sys.argv[1], sys.argv[2]
    program_dir = tempfile.mkdtemp(prefix="tk-atspi-")
    for name in ("tovrinkin", "tovrin.acs", "readme.txt", "fonts.cmd"):
        shutil.copy(os.path.join(build_dir, name), program_dir)
    shutil.copytree(os.path.join(build_dir, "snds"), os.path.join(program_dir, "snds"))

    log = EventLog(APP, ["object:state-changed", "object:property-change:accessible-name",
                         "window:activate", "focus:"])
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
               QT_ACCESSIBILITY="1")
    env.pop("QT_QPA_PLATFORMTHEME", None)
    program = subprocess.Popen([os.path.join(program_dir, "tovrinkin")], env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    report = []
    try:
        app = wait_for(lambda: application(APP), 20)
        if not check(app is not None, "the program is on the accessibility bus"):
            return 1

        # First run: Tovrin greets and asks the name in a box.
        box = wait_for(lambda: find(app, lambda n: n.get_role_name() == "dialog"
                                    and n.get_name() == "TOVRIN SAYS", 2), 20)
        if not check(box is not None, "the name box opens"):
            return 1
        check(wait_for(lambda: notifications(log, "Tell me, what's your name?"), 20),
              "the question is announced as a notification named with its words")
        for line in ("Welcome!", "I see, this is our first time talking to each other.",
                     "Tell me, what's your name?"):
            check(len(notifications(log, line)) == 1, "announced once: %r" % line)
        label = find(box, lambda n: n.get_role_name() == "label")
        field = find(box, lambda n: n.get_role_name() == "text")
        check(label.get_name() == "TOVRIN: What's your name?",
              "the prompt is read without its padding: %r" % label.get_name())
        check(field.get_name() == "TOVRIN: What's your name?", "the name field is named")
        report.append("Tree with the name box open:")
        report += dump(app)

        hidden = [n for n in children(app) if n.get_name() in
                  ("Tovrin Kin Personal Edition", "Checking Files...")]
        check(len(hidden) == 2, "both collapsed windows are in the tree")
        for window in hidden:
            check(not {"showing", "visible"} & states(window) and window.get_child_count() == 0,
                  "collapsed window hidden and without children: %s" % describe(window))

        Atspi.EditableText.set_text_contents(field, "Ada")
        do_action(find(box, lambda n: n.get_name() == "OK"), "Press")
        check(wait_for(lambda: notifications(log, "Hello! Ada"), 20),
              "the reply with the name is announced")

        figure = find(app, lambda n: n.get_role_name() in ("window", "frame")
                      and n.get_name() == "Tovrin", 1)
        if not check(figure is not None, "the figure is a window named Tovrin"):
            return 1
        check(figure.get_description()
              == "Tovrin, your desktop companion. Press Shift+F10 for its menu.",
              "the figure's description tells how to reach its menu")
        check("ShowMenu" in actions(figure), "the figure offers ShowMenu: %s" % actions(figure))

        # The menu from the keyboard: focus on the figure, then Shift+F10.
        del log.events[:]
        do_action(figure, "SetFocus")
        check(wait_for(lambda: "focused" in states(figure) or "active" in states(figure), 5),
              "the figure takes the focus")
        press_key("F10", ("Shift_L",))
        menu = wait_for(lambda: find(figure, lambda n: n.get_role_name() == "popup menu"
                                     and "showing" in states(n), 1), 10)
        if not check(menu is not None, "Shift+F10 opens the menu, found under the figure"):
            return 1
        check(menu.get_name() == "Tovrin", "the menu is named: %r" % menu.get_name())
        check(wait_for(lambda: log.matching("focus:", "menu item", "Real Chat"), 5),
              "its first entry has the focus")
        entries = [(n.get_role_name(), n.get_name()) for n in children(menu)]
        check(("separator", "") in entries and not any("---" in e[1] for e in entries),
              "the line of dashes is a separator: %s" % entries)
        press_key("Down")
        check(wait_for(lambda: log.matching("focus:", "separator", ""), 5),
              "Down moves the focus to the next entry, the line, heard as a separator")
        report.append("")
        report.append("Menu opened with Shift+F10:")
        report += dump(menu, 1, 2)
        report.append("")
        report.append("Events while opening the menu by keyboard:")
        report += ["  " + line for line in spoken(log)]

        # The chat window, opened from the menu.
        chat_entry = find(menu, lambda n: n.get_name() == "Real Chat", 1)
        del log.events[:]
        do_action(chat_entry, "Press")
        chat = wait_for(lambda: find(app, lambda n: n.get_name() == "Real Chat 1", 1), 10)
        if not check(chat is not None, "the chat window opens"):
            return 1
        check(chat.get_role_name() in ("window", "frame"),
              "the chat window is a window: %s" % chat.get_role_name())
        check(wait_for(lambda: notifications(log, "What do you wanna chat about?"), 20),
              "the chat question is announced")
        report.append("")
        report.append("Events while the chat window opens:")
        report += ["  " + line for line in spoken(log)]
        start = find(chat, lambda n: n.get_name() == "START", 2)
        picture = find(chat, lambda n: n.get_role_name() == "image", 2)
        check(picture is not None and picture.get_name() != "", "the picture is named")
        do_action(start, "Press")
        box = wait_for(lambda: find(chat, lambda n: n.get_role_name() == "combo box"
                                    and "showing" in states(n), 2), 5)
        if check(box is not None, "START shows the phrase box"):
            # On this desktop a combo box's name is its text; what it is for is its description.
            check(box.get_description() == "Phrase for Tovrin to say",
                  "the phrase box says what it is for")
            edit = find(box, lambda n: n.get_role_name() == "text", 2)
            check(edit is not None and edit.get_name() == "Phrase for Tovrin to say",
                  "its edit field is named")
            headers = find(box, lambda n: n.get_name() == "General, section heading", 5)
            check(headers is not None, "section headers are read as headings")

        # The global key: from the chat window to the figure, its menu, and back.
        check(wait_for(lambda: "active" in states(chat), 5), "the chat window is active")
        del log.events[:]
        press_key("k", ("Control_L", "Alt_L"))
        check(wait_for(lambda: log.matching("focus:", "frame", "Tovrin"), 5),
              "Ctrl+Alt+K gives the figure the focus")
        press_key("Menu")
        check(wait_for(lambda: find(figure, lambda n: n.get_role_name() == "popup menu"
                                    and "showing" in states(n), 1), 5),
              "the Menu key opens the menu")
        press_key("Escape")
        check(wait_for(lambda: find(figure, lambda n: n.get_role_name() == "popup menu"
                                    and "showing" in states(n), 1) is None, 5),
              "Escape closes the menu")
        press_key("Escape")
        check(wait_for(lambda: "active" in states(chat), 5),
              "Escape on the figure gives the focus back to the chat window")
        report.append("")
        report.append("Events for Ctrl+Alt+K, the Menu key, Escape, Escape:")
        report += ["  " + line for line in spoken(log)]
        report.append("")
        report.append("Chat window after START:")
        report += dump(chat, 1, 3)
    finally:
        program.kill()
        program.wait()
        shutil.rmtree(program_dir, ignore_errors=True)
        with open(report_path, "w", encoding="utf-8") as out:
            out.write("\n".join(report) + "\n")
            out.write("\n".join("FAILED: " + f for f in failures) + "\n")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
