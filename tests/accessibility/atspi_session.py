"""Helpers for reading a program's accessible tree and events over AT-SPI."""

import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402


class EventLog:
    """Collects AT-SPI events of one application as (type, role, name, detail1, any_data)."""

    def __init__(self, app_name, kinds):
        self.app_name = app_name
        self.events = []
        self._listener = Atspi.EventListener.new(self._on_event)
        for kind in kinds:
            self._listener.register(kind)

    def _on_event(self, event):
        try:
            source = event.source
            app = source.get_application()
            if app is None or app.get_name() != self.app_name:
                return
            any_data = event.any_data
            if isinstance(any_data, Atspi.Accessible):
                any_data = describe(any_data)
            self.events.append((event.type, source.get_role_name(), source.get_name(),
                                event.detail1, any_data))
        except GLib.Error:
            pass  # the object went away meanwhile

    def matching(self, kind, role=None, name=None):
        return [e for e in self.events
                if e[0].startswith(kind) and (role is None or e[1] == role)
                and (name is None or e[2] == name)]


def pump(seconds):
    """Runs the main loop for a while, so events arrive."""
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        while context.pending():
            context.iteration(False)
        time.sleep(0.02)


def wait_for(condition, seconds):
    """Pumps events until condition() gives something true; returns it, or None."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        pump(0.05)
        try:
            result = condition()
        except GLib.Error:
            result = None
        if result:
            return result
    return None


def application(name):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name() == name:
            return app
    return None


def children(node):
    result = []
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            result.append(child)
    return result


def states(node):
    state_set = node.get_state_set()
    return {s.value_nick for s in Atspi.StateType.__enum_values__.values()
            if state_set.contains(s)}


def describe(node):
    return "[%s] %r" % (node.get_role_name(), node.get_name())


def dump(node, depth=0, max_depth=4, lines=None):
    """The tree below node, one line each: role, name, description, some states."""
    lines = [] if lines is None else lines
    shown = states(node) & {"showing", "visible", "focused"}
    description = node.get_description()
    lines.append("%s%s%s %s" % ("  " * depth, describe(node),
                                (" desc=%r" % description) if description else "",
                                ",".join(sorted(shown))))
    if depth < max_depth:
        for child in children(node):
            dump(child, depth + 1, max_depth, lines)
    return lines


def find(node, predicate, max_depth=8):
    """The first node below node (depth first) for which predicate holds."""
    if predicate(node):
        return node
    if max_depth == 0:
        return None
    for child in children(node):
        found = find(child, predicate, max_depth - 1)
        if found is not None:
            return found
    return None


def actions(node):
    action = node.get_action_iface()
    if action is None:
        return []
    return [action.get_action_name(i) for i in range(action.get_n_actions())]


def do_action(node, name):
    action = node.get_action_iface()
    for i in range(action.get_n_actions()):
        if action.get_action_name(i) == name:
            return action.do_action(i)
    raise AssertionError("%s has no action %s (only %s)" % (describe(node), name, actions(node)))


# Key codes of the X server's usual keyboard map (xkb "pc105", "us").
KEYCODES = {"Escape": 9, "Control_L": 37, "k": 45, "Shift_L": 50, "Alt_L": 64, "F10": 76,
            "Up": 111, "Left": 113, "Right": 114, "Down": 116, "Menu": 135}


def press_key(name, modifiers=()):
    """Presses a key through the X server (XTest, by the AT-SPI registry), with
    modifier keys held down."""
    press, release = Atspi.KeySynthType.PRESS, Atspi.KeySynthType.RELEASE
    for modifier in modifiers:
        Atspi.generate_keyboard_event(KEYCODES[modifier], None, press)
    Atspi.generate_keyboard_event(KEYCODES[name], None, press)
    Atspi.generate_keyboard_event(KEYCODES[name], None, release)
    for modifier in reversed(modifiers):
        Atspi.generate_keyboard_event(KEYCODES[modifier], None, release)
