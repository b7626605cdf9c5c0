#!/usr/bin/python3
"""Tendrel as a screen reader meets it: the app on its own session and accessibility bus, driven
only through AT-SPI (pyatspi): roles, names, states and actions, never coordinates or keys.

Welcome panel -> sample plants -> the Today list read as a list with headings and its six due
items -> one task completed by its button's action, given twice -> the add-plant sheet opened and the plant
form pushed and popped while the tree is read without pause -> the tabs switched through the
sidebar's page tabs, My Plants read as rooms' headings and their plants. Every step waits for what it expects; the app must stay alive throughout.

Usage (see run-atspi-test, which sets up Xvfb, the buses and a throwaway home):
    tst_atspi.py PATH/TO/tendrel
ATSPI_DEBUG=1 also prints the reads that failed because a node went away mid-read.
"""

import os
import signal
import subprocess
import sys
import time

import pyatspi

TIMEOUT = 15.0
APP = None


class Failure(Exception):
    pass


def alive():
    if APP.poll() is not None:
        raise Failure("the app exited with status %s" % APP.returncode)


def wait_for(what, probe, timeout=TIMEOUT):
    """Polls probe() until it returns something true; returns that."""
    deadline = time.monotonic() + timeout
    last_error = None
    while time.monotonic() < deadline:
        alive()
        try:
            found = probe()
            if found:
                return found
        except Exception as error:  # a node went away while it was read: try again
            last_error = error
        time.sleep(0.05)
    raise Failure("timed out waiting for %s (last error: %s)" % (what, last_error))


def states(node):
    node.clearCache()
    return node.getState()


def showing(node):
    return states(node).contains(pyatspi.STATE_SHOWING)


def children(node):
    return [child for child in (node.getChildAtIndex(i) for i in range(node.childCount)) if child]


def find_all(root, role=None, name=None, only_showing=True):
    """Nodes below root (root included) of that role and name; skips subtrees not showing."""
    found = []
    root.clearCache()

    def visit(node):
        if only_showing and not node.getState().contains(pyatspi.STATE_SHOWING):
            return
        if (role is None or node.getRole() == role) and (name is None or node.name == name):
            found.append(node)
        for child in children(node):
            visit(child)

    visit(root)
    return found


def find_first(root, role=None, name=None):
    """The first showing node below root of that role and name, in reading order."""
    root.clearCache()
    return first_below(root, role, name)


def first_below(root, role, name):
    if not root.getState().contains(pyatspi.STATE_SHOWING):
        return None
    if (role is None or root.getRole() == role) and (name is None or root.name == name):
        return root
    for child in children(root):
        found = first_below(child, role, name)
        if found:
            return found
    return None


def find_one(root, role=None, name=None):
    nodes = find_all(root, role, name)
    return nodes[0] if len(nodes) == 1 else None


def read_everything(node):
    """What a reader does on hearing of a change: each node's role, name, states and children,
    from its cache where it has them; a node that went away meanwhile is passed over."""
    count = 1
    try:
        node.getRoleName()
        node.name
        node.getState()
        for i in range(node.childCount):
            child = node.getChildAtIndex(i)
            if child:
                count += read_everything(child)
    except Exception as error:
        if os.environ.get("ATSPI_DEBUG"):
            print("read failed:", repr(error))
    return count


def read_while(what, root, done, minimum=1.0):
    """Reads the whole tree below root without pause while the change runs, until done() holds
    and at least minimum seconds have passed (slides and springs last about that long). Like a
    reader told of the change, it forgets what it knew once, then keeps what it reads: the child
    counts it read a moment ago are the ones the app must keep answering for."""
    start = time.monotonic()
    passes = 0
    root.clearCache()
    while True:
        alive()
        read_everything(root)
        passes += 1
        try:
            finished = time.monotonic() - start >= minimum and done()
        except Exception:
            finished = False
        if finished:
            return passes
        if time.monotonic() - start > TIMEOUT:
            raise Failure("timed out reading the tree during %s" % what)


def act(node, action):
    iface = node.queryAction()
    names = [iface.getName(i) for i in range(iface.nActions)]
    if action not in names:
        raise Failure("%r offers %s, not %s" % (node.name, names, action))
    iface.doAction(names.index(action))


def application():
    desktop = pyatspi.Registry.getDesktop(0)

    def probe():
        desktop.clearCache()
        for app in children(desktop):
            if app.name == "Tendrel":
                return app
        return None

    return wait_for("Tendrel on the accessibility bus", probe, timeout=30.0)


def main_frame(app):
    def probe():
        frames = [w for w in children(app) if w.getRole() == pyatspi.ROLE_FRAME and showing(w)]
        return frames[0] if len(frames) == 1 else None

    return wait_for("the main window", probe)


def list_lines(the_list):
    """The Today list as it is read: ("heading", "Overdue"), ("item", "Goldie, Water, …")."""
    lines = []
    the_list.clearCache()
    for child in children(the_list):
        role = child.getRole()
        if role == pyatspi.ROLE_HEADING:
            lines.append(("heading", child.name))
        elif role == pyatspi.ROLE_LIST_ITEM:
            lines.append(("item", child.name))
    return lines


def due_items(lines):
    """The items under the "Overdue" and "Today" headings."""
    due, section = [], None
    for kind, name in lines:
        if kind == "heading":
            section = name
        elif section in ("Overdue", "Today"):
            due.append(name)
    return due


def check(condition, message):
    if not condition:
        raise Failure(message)


def read_plant_page(frame, plants, item_name):
    """A plant's page: its picture an image that shows, its schedule gauges read-only."""
    item = wait_for("the plant's item", lambda: find_one(plants, pyatspi.ROLE_LIST_ITEM, item_name))
    act(item, "Press")
    gauges = wait_for("the schedule gauges", lambda: find_all(frame, pyatspi.ROLE_PROGRESS_BAR))
    for gauge in gauges:
        action = gauge.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        check("Increase" not in names and "Decrease" not in names,
              "the read-only gauge %r offers %s" % (gauge.name, names))
    # Only showing nodes are found: the picture must be named, visible and showing.
    def named_picture():
        for image in find_all(frame, pyatspi.ROLE_IMAGE):
            if image.name.startswith(("Species photo: ", "Drawing of ", "Photo of ", "No photo of ")):
                return image
        return None

    picture = wait_for("the plant's picture, named and showing", named_picture)
    check(states(picture).contains(pyatspi.STATE_VISIBLE), "the plant's picture is not visible")
    back = wait_for("the back button", lambda: find_first(frame, pyatspi.ROLE_PUSH_BUTTON, "Back to My Plants"))
    act(back, "Press")
    wait_for("My Plants again", lambda: showing(plants))
    return "plant page: picture %r, %d gauges without Increase or Decrease" % (picture.name, len(gauges))


def run(app_path):
    global APP
    env = dict(os.environ)
    APP = subprocess.Popen([app_path], env=env, start_new_session=True)
    app = application()
    frame = main_frame(app)
    started = time.monotonic()
    steps = []

    def done_with(step):
        steps.append("%s (%.1f s)" % (step, time.monotonic() - started))

    # The welcome panel offers the sample plants.
    wait_for("the welcome heading", lambda: find_first(frame, pyatspi.ROLE_HEADING, "Your jungle awaits"))
    samples = wait_for("the sample button",
                       lambda: find_first(frame, pyatspi.ROLE_PUSH_BUTTON, "Try with Sample Plants"))
    act(samples, "Press")
    done_with("welcome panel: sample plants loaded")

    # The Today list: one list, its sections as headings, six tasks due.
    def today_list():
        lists = find_all(frame, pyatspi.ROLE_LIST)
        for the_list in lists:
            lines = list_lines(the_list)
            if ("heading", "Today") in lines:
                return the_list
        return None

    the_list = wait_for("the Today list", today_list)
    def six_due():
        lines = list_lines(the_list)
        return lines if len(due_items(lines)) == 6 else None

    lines = wait_for("six tasks due", six_due)
    headings = [name for kind, name in lines if kind == "heading"]
    check(headings[:2] == ["Overdue", "Today"], "headings read %s" % headings)
    due = due_items(lines)
    done_with("Today list: headings %s, %d due items" % (headings, len(due)))
    tab = wait_for("the Today tab", lambda: find_first(frame, pyatspi.ROLE_PAGE_TAB, "Today, 6 tasks due"))
    check(states(tab).contains(pyatspi.STATE_SELECTED), "the Today tab is not selected")

    # Complete the first task due today by its button's action, reading the list as it moves.
    first_today = [name for name in due if "Due today" in name][0]
    plant, kind = first_today.split(", ")[:2]
    item = find_one(the_list, pyatspi.ROLE_LIST_ITEM, first_today)
    button = find_one(item, pyatspi.ROLE_PUSH_BUTTON, "Mark %s done for %s" % (kind.lower(), plant))
    check(button is not None, "no done button in %r" % first_today)
    # Pressed twice, as a reader's double activation: the task is done once.
    act(button, "Press")
    time.sleep(0.2)
    act(button, "Press")
    read_while("the list change", the_list, lambda: ("item", first_today) not in list_lines(the_list))
    wait_for("the tab's new count", lambda: find_first(frame, pyatspi.ROLE_PAGE_TAB, "Today, 5 tasks due"))
    time.sleep(0.5)
    summary = list_lines(the_list)[0][1]
    check(summary.endswith(", 1 done today"), "after two presses the summary reads %r" % summary)
    done_with("completed %r by its button, pressed twice" % first_today)

    # The add-plant sheet: a modal dialog, with the window behind it no longer showing.
    add = wait_for("the add button", lambda: find_first(frame, pyatspi.ROLE_PUSH_BUTTON, "Add Plant"))
    act(add, "Press")
    dialog = wait_for("the sheet", lambda: find_first(frame, pyatspi.ROLE_DIALOG, "Add a Plant"))
    check(states(dialog).contains(pyatspi.STATE_MODAL), "the sheet is not modal")
    read_while("the sheet's presentation", frame, lambda: not showing(the_list))

    # Push the plant form and pop it again, reading everything while it slides; for a few
    # species, since how the form's layout settles during the slide depends on its content.
    for common_name in ("Monstera", "Other plant", "Snake Plant"):
        species = wait_for("the %s row" % common_name,
                           lambda: find_first(dialog, pyatspi.ROLE_LIST_ITEM, common_name))
        act(species, "Press")
        read_while("the form's slide", dialog,
                   lambda: find_first(dialog, pyatspi.ROLE_HEADING, "New Plant") and not showing(species))
        stepper = wait_for("the interval stepper",
                           lambda: find_first(dialog, pyatspi.ROLE_SPIN_BUTTON, "Water interval"))
        value = stepper.queryValue()
        # Read now: once the form has gone, its spin button answers nothing meaningful.
        reading = (value.minimumValue, value.maximumValue, value.currentValue)
        check(reading[:2] == (1, 120), "the stepper's range is %s..%s" % reading[:2])
        water = find_first(dialog, pyatspi.ROLE_CHECK_BOX, "Water")
        check(water is not None and states(water).contains(pyatspi.STATE_CHECKED), "the Water switch is off")
        back = wait_for("the back button",
                        lambda: find_first(dialog, pyatspi.ROLE_PUSH_BUTTON, "Back to Add a Plant"))
        act(back, "Press")
        read_while("the form's way back", dialog, lambda: showing(species))
        done_with("%s: plant form read while it slid in and out, spin button %g..%g at %g"
                  % ((common_name,) + reading))

    # Cancel the sheet.
    cancel = wait_for("Cancel", lambda: find_first(dialog, pyatspi.ROLE_PUSH_BUTTON, "Cancel"))
    act(cancel, "Press")
    read_while("the sheet closing", frame, lambda: showing(the_list))
    done_with("sheet closed; the Today list shows again")

    # Switch tabs through the sidebar's page tabs.
    sidebar = find_first(frame, pyatspi.ROLE_PAGE_TAB_LIST)
    for name, heading in (("Explore", "Explore"), ("My Plants", "My Plants"), ("Today, 5 tasks due", "Today")):
        tab = wait_for("the %s tab" % name, lambda: find_one(sidebar, pyatspi.ROLE_PAGE_TAB, name))
        act(tab, "Press")
        wait_for("the %s tab selected" % name, lambda: states(tab).contains(pyatspi.STATE_SELECTED))
        wait_for("the %s page" % heading, lambda: find_first(frame, pyatspi.ROLE_HEADING, heading))
        selected = [t.name for t in children(sidebar) if states(t).contains(pyatspi.STATE_SELECTED)]
        check(selected == [name], "selected tabs: %s" % selected)
        if name == "My Plants":
            # The plants as the screen shows them: a room's heading, then its plants.
            plants = wait_for("the plant list", lambda: find_one(frame, pyatspi.ROLE_LIST, "Plants"))
            lines = wait_for("the rooms and plants", lambda: list_lines(plants))
            check(lines[0] == ("heading", "Bathroom") and lines[1][0] == "item" and "Fernando" in lines[1][1],
                  "My Plants reads %s" % lines[:3])
            done_with("My Plants read %d headings and %d items, from %s"
                      % (sum(1 for kind, _ in lines if kind == "heading"),
                         sum(1 for kind, _ in lines if kind == "item"), lines[:2]))
            done_with(read_plant_page(frame, plants, lines[1][1]))
    done_with("switched Explore, My Plants, Today through the page tabs")

    alive()
    for step in steps:
        print("ok -", step)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    started = time.monotonic()
    try:
        run(sys.argv[1])
        print("passed in %.1f s" % (time.monotonic() - started))
        return 0
    except Failure as failure:
        print("FAIL:", failure)
        return 1
    finally:
        if APP is not None and APP.poll() is None:
            os.killpg(APP.pid, signal.SIGTERM)
            try:
                APP.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(APP.pid, signal.SIGKILL)


if __name__ == "__main__":
    sys.exit(main())
