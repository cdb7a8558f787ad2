#!/usr/bin/env python3
"""Walks the real program as a screen reader meets it.

Starts an X server of its own (Xvfb) and the emulated radio, runs the
program with Qt's accessibility bridge on, and goes through the scenes only
through AT-SPI, the way Orca does: it reads each scene's notice text, finds
the buttons by caption and presses them through their action, finds the port
box by its name and types into it, reads the progress bar's value while the
radio is written, and listens to the events a reader hears. Run inside a
private session bus (dbus-run-session), which starts the accessibility bus.

    screen_reader_walk.py --program P --radio R --case update|port-failure --log FILE

Exit status: 0 passed, 1 failed, 77 skipped (Xvfb or the accessibility bus
could not start).
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import warnings
import time

SKIP = 77

# Newer libatspi renames some calls; the old names work on every version.
warnings.filterwarnings("ignore", category=DeprecationWarning)

# Real time on a loaded machine: generous limits, never a fixed wait for
# something that can be watched.
START_LIMIT = 60.0
SCENE_LIMIT = 60.0
WRITE_LIMIT = 400.0

PROGRAM_NAME = "rx77nova-update"
CARD_TITLE = "RX-77NOVA Firm Update (Release E2)"
PORT_BOX = "COM port number"
PROGRESS = "Firmware writing progress"

# Words each scene's notice holds, and its buttons, as the catalogue gives them.
SCENES = {
    "opening": ("Do you agree to all of the above?", ["Yes", "No"]),
    "port": ("Specify the COM port number", ["OK", "Cancel"]),
    "confirm": ("Do you wish to start the firmware update?", ["Yes", "No"]),
    "cpu": ("Updating the firmware in CPU.", []),
    "dsp": ("Updating the firmware in DSP.", []),
    "completed": ("Firmware updating is completed.", ["OK"]),
    "port-failure": ("Cannot access COM port.", ["Retry", "Cancel"]),
}


class Skip(Exception):
    pass


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Log:
    def __init__(self, path):
        self.file = open(path, "w", encoding="utf-8")
        self.start = time.monotonic()

    def line(self, text):
        stamp = "%8.3f s  " % (time.monotonic() - self.start)
        self.file.write(stamp + text + "\n")
        self.file.flush()
        print(stamp + text, flush=True)


def start_xvfb(workdir):
    for tool, package in (("Xvfb", "xvfb"), ("xdotool", "xdotool")):
        if shutil.which(tool) is None:
            raise Skip("%s (package %s) is not installed" % (tool, package))
    read_end, write_end = os.pipe()
    log = open(os.path.join(workdir, "xvfb.log"), "w")
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdout=log, stderr=log)
    os.close(write_end)
    display = b""
    deadline = time.monotonic() + START_LIMIT
    while not display.endswith(b"\n") and time.monotonic() < deadline:
        chunk = os.read(read_end, 32)
        if not chunk:
            break
        display += chunk
    os.close(read_end)
    if not display.strip():
        server.kill()
        server.wait()
        raise Skip("Xvfb did not come up: " + open(os.path.join(workdir, "xvfb.log")).read())
    return server, ":" + display.decode().strip()


def connect_atspi():
    try:
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi, GLib
    except (ImportError, ValueError) as error:
        raise Skip("AT-SPI for Python (gir1.2-atspi-2.0, python3-gi) is missing: %s" % error)
    if Atspi.init() not in (0, 1):
        raise Skip("the accessibility bus cannot start")
    try:
        Atspi.get_desktop(0).get_child_count()
    except GLib.Error as error:
        raise Skip("the accessibility bus does not answer: %s" % error.message)
    return Atspi, GLib


class Walk:
    def __init__(self, args, Atspi, GLib, log):
        self.args = args
        self.Atspi = Atspi
        self.GLib = GLib
        self.log = log
        self.events = []
        self.app = None
        self.listener = Atspi.EventListener.new(self.on_event)
        for kind in ("object:property-change:accessible-name",
                     "object:property-change:accessible-description",
                     "object:property-change:accessible-value",
                     "object:text-changed",
                     "object:state-changed:showing",
                     "object:state-changed:focused",
                     "focus:",
                     "window:activate"):
            self.listener.register(kind)

    # -- events ---------------------------------------------------------

    def on_event(self, event):
        try:
            source = event.source
            if source is None or source.get_process_id() != self.program.pid:
                return
            role = source.get_role_name()
            name = source.get_name() or ""
        except self.GLib.Error:
            return
        detail = ""
        kind = event.type
        if kind.startswith("object:text-changed"):
            detail = " %r" % (event.any_data,)
        elif kind.startswith("object:state-changed"):
            detail = " = %d" % event.detail1
        elif kind == "object:property-change:accessible-value":
            try:
                detail = " = %g" % source.get_value_iface().get_current_value()
            except (self.GLib.Error, AttributeError):
                detail = ""
        elif kind == "object:property-change:accessible-description":
            detail = " -> %r" % (source.get_description() or "")
        record = (time.monotonic(), kind, role, name, detail)
        self.events.append(record)
        # The progress moves hundreds of times; the log keeps the events a
        # reader turns into speech and every tenth value.
        if kind == "object:property-change:accessible-value":
            return
        self.log.line("EVENT %s  [%s] %r%s" % (kind, role, short(name), detail))

    def pump(self, seconds=0.05):
        context = self.GLib.MainContext.default()
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            while context.pending():
                context.iteration(False)
            time.sleep(0.01)

    def wait_for(self, what, probe, limit):
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            check(self.program.poll() is None,
                  "the program ended (status %s) while waiting for %s" % (self.program.returncode, what))
            self.pump(0.1)
            try:
                found = probe()
            except self.GLib.Error:
                found = None
            if found:
                return found
        raise Failure("no %s within %d s" % (what, limit))

    # -- the tree -------------------------------------------------------

    def find_app(self):
        desktop = self.Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_process_id() == self.program.pid:
                return app
        return None

    def nodes(self):
        """Every object of the program's shown windows, depth first."""
        self.app.clear_cache()
        found = []

        def visit(node, depth):
            if node is None or depth > 12:
                return
            found.append(node)
            for i in range(node.get_child_count()):
                visit(node.get_child_at_index(i), depth + 1)

        for i in range(self.app.get_child_count()):
            window = self.app.get_child_at_index(i)
            if window is not None and self.showing(window):
                visit(window, 0)
        return found

    def dump(self):
        """The program's whole tree, for a failure's log."""
        lines = []

        def visit(node, depth):
            if node is None or depth > 12:
                return
            states = [s.value_nick for s in node.get_state_set().get_states()]
            lines.append("%s%s %r %s" % ("  " * depth, node.get_role_name(), short(node.get_name() or ""),
                                         ",".join(states)))
            for i in range(node.get_child_count()):
                visit(node.get_child_at_index(i), depth + 1)

        try:
            self.app.clear_cache()
            visit(self.app, 0)
        except self.GLib.Error as error:
            lines.append("(the tree cannot be read: %s)" % error.message)
        return "\n".join(lines)

    def showing(self, node):
        return node.get_state_set().contains(self.Atspi.StateType.SHOWING)

    def shown(self, role):
        return [n for n in self.nodes() if n.get_role() == role and self.showing(n)]

    def notice(self):
        roles = (self.Atspi.Role.LABEL, self.Atspi.Role.STATIC, self.Atspi.Role.ALERT)
        notices = [n for n in self.nodes() if n.get_role() in roles and self.showing(n)
                   and n.get_text_iface() is not None and self.text_of(n).count("\n") >= 0
                   and n.get_name() == self.text_of(n) and self.text_of(n)]
        return notices[0] if len(notices) == 1 else None

    def text_of(self, node):
        text = node.get_text_iface()
        return text.get_text(0, text.get_character_count()) if text is not None else ""

    def buttons(self):
        return {b.get_name(): b for b in self.shown(self.Atspi.Role.PUSH_BUTTON)}

    # -- a scene --------------------------------------------------------

    def scene(self, key):
        """Waits until the notice holds the scene's words, then checks what a
        reader finds there; returns the notice and the buttons by caption."""
        words, captions = SCENES[key]

        def reached():
            node = self.notice()
            if node is not None and words in self.text_of(node):
                buttons = self.buttons()
                if sorted(buttons) == sorted(captions):
                    return node, buttons
            return None

        node, buttons = self.wait_for("scene '%s' (%r)" % (key, words), reached, SCENE_LIMIT)
        self.focus_window()
        text = self.text_of(node)
        self.log.line("SCENE %s: %s %r; buttons %s" % (key, node.get_role_name(), text, sorted(buttons)))
        check(node.get_name() == text, "the notice's name is not its text: %r" % node.get_name())
        states = node.get_state_set()
        check(states.contains(self.Atspi.StateType.ENABLED), "the notice is announced as unavailable")
        check(not states.contains(self.Atspi.StateType.FOCUSABLE), "the notice claims the keyboard focus")
        for caption, button in buttons.items():
            action = button.get_action_iface()
            check(action is not None and action.get_n_actions() > 0, "button %s has no action" % caption)
            names = [action.get_action_name(i) for i in range(action.get_n_actions())]
            check("Press" in names, "button %s offers %s, not Press" % (caption, names))
            check(button.get_state_set().contains(self.Atspi.StateType.FOCUSABLE),
                  "button %s cannot take the keyboard focus" % caption)
        if len(captions) >= 1:
            # The keyboard focus is on a button of the scene, so Enter or Space answers.
            def focused():
                return [c for c, b in self.buttons().items()
                        if b.get_state_set().contains(self.Atspi.StateType.FOCUSED)]
            on = self.wait_for("keyboard focus on a button of scene %s" % key, focused, SCENE_LIMIT)
            check(len(on) == 1, "buttons %s of scene %s all have the focus" % (on, key))
            self.log.line("FOCUS %s" % on[0])
        return node, buttons

    def xdotool(self, *args):
        done = subprocess.run(["xdotool"] + list(args), capture_output=True, text=True, timeout=SCENE_LIMIT)
        return done.stdout

    def focus_window(self):
        """Gives the shown window the keyboard, as a window manager does when
        a window appears (the X server of the test has none)."""
        shown = self.xdotool("search", "--onlyvisible", "--pid", str(self.program.pid), "--name", "RX-77NOVA").split()
        if shown:
            self.xdotool("windowfocus", "--sync", shown[0])

    def key(self, name):
        """Presses a key on the focused window."""
        mark = time.monotonic()
        self.log.line("KEY %s" % name)
        self.xdotool("key", "--clearmodifiers", name)
        return mark

    def press(self, buttons, caption):
        """Presses the button through its action; the time just before, from
        which the next scene's announcement is awaited."""
        mark = time.monotonic()
        self.log.line("PRESS %s" % caption)
        action = buttons[caption].get_action_iface()
        names = [action.get_action_name(i) for i in range(action.get_n_actions())]
        action.do_action(names.index("Press"))
        return mark

    def announced(self, since, words, alert=False):
        """The events a reader hears for a scene shown after since."""
        def heard():
            got = [e for e in self.events if e[0] >= since and words in e[3]]
            name = [e for e in got if e[1] == "object:property-change:accessible-name"]
            text = [e for e in self.events if e[0] >= since and e[1].startswith("object:text-changed:insert")
                    and words in e[4]]
            show = [e for e in got if e[1] == "object:state-changed:showing" and e[4] == " = 1"
                    and e[2] == "alert"]
            return name and text and (show or not alert)

        self.wait_for("announcement of %r" % words, heard, SCENE_LIMIT)

    def progress_bar(self):
        bars = [b for b in self.shown(self.Atspi.Role.PROGRESS_BAR) if b.get_name() == PROGRESS]
        return bars[0] if len(bars) == 1 else None

    # -- the cases ------------------------------------------------------

    def start(self):
        self.app = self.wait_for("program on the accessibility bus", self.find_app, START_LIMIT)
        self.log.line("APP %s (pid %d)" % (self.app.get_name(), self.program.pid))
        windows = self.wait_for("opening card", lambda: [w for w in self.shown(self.Atspi.Role.FRAME)
                                                          if w.get_name() == CARD_TITLE], START_LIMIT)
        self.app.clear_cache()
        tops = [self.app.get_child_at_index(i) for i in range(self.app.get_child_count())]
        shown = [w for w in tops if w is not None and self.showing(w)]
        check(len(shown) == 1 and shown[0].get_role() == self.Atspi.Role.FRAME,
              "the program shows %s, not the card alone as a window" % [w.get_role_name() for w in shown])
        self.log.line("WINDOW %r" % windows[0].get_name())
        self.named_controls()
        return self.scene("opening")

    def named_controls(self):
        """Every control of the shown windows has a name a reader can say."""
        controls = (self.Atspi.Role.PUSH_BUTTON, self.Atspi.Role.COMBO_BOX, self.Atspi.Role.PROGRESS_BAR,
                    self.Atspi.Role.TEXT, self.Atspi.Role.ENTRY, self.Atspi.Role.IMAGE,
                    self.Atspi.Role.LABEL, self.Atspi.Role.ALERT)
        for node in self.nodes():
            if node.get_role() in controls and self.showing(node):
                check(node.get_name(), "a shown %s has no name" % node.get_role_name())

    def port_entry(self, mark):
        node, buttons = self.scene("port")
        self.announced(mark, SCENES["port"][0])
        self.named_controls()
        # A combo box is read by what it holds; the text inside it, which
        # takes the focus, is the one a reader names.
        boxes = self.shown(self.Atspi.Role.COMBO_BOX)
        check(len(boxes) == 1, "scene 1 shows %d port boxes" % len(boxes))
        box = boxes[0]
        entry = self.editable_in(box)
        check(entry is not None, "the port box has no editable text")
        check(entry.get_name() == PORT_BOX, "the port box's text is named %r" % entry.get_name())
        check("1 to 256" in (entry.get_description() or ""), "the port box has no description")
        self.log.line("PORTBOX %s %r (%r) holds %r" % (entry.get_role_name(), entry.get_name(),
                                                      entry.get_description(), self.text_of(entry)))
        return box, entry, buttons

    def editable_in(self, box):
        for i in range(box.get_child_count()):
            child = box.get_child_at_index(i)
            if child is not None and child.get_editable_text_iface() is not None:
                return child
        return None

    def whole_update(self):
        node, buttons = self.start()
        mark = self.press(buttons, "Yes")
        box, entry, buttons = self.port_entry(mark)
        check(self.text_of(entry) == str(self.args.com),
              "the port box offers %r, not the radio's COM%d" % (self.text_of(entry), self.args.com))
        mark = self.press(buttons, "OK")

        node, buttons = self.scene("confirm")
        self.announced(mark, SCENES["confirm"][0])
        bar = self.progress_bar()
        check(bar is not None, "scene 4 shows no progress bar named %r" % PROGRESS)
        check(bar.get_value_iface() is not None, "the progress bar has no value")
        self.log.line("PROGRESS %r %r at %g of %g" % (bar.get_name(), bar.get_description(),
                                                    bar.get_value_iface().get_current_value(),
                                                    bar.get_value_iface().get_maximum_value()))
        mark = self.press(buttons, "Yes")

        for key, processor in (("cpu", "CPU"), ("dsp", "DSP")):
            self.scene(key)
            self.announced(mark, SCENES[key][0])
            bar = self.wait_for("progress bar while writing the %s" % processor, self.progress_bar, SCENE_LIMIT)
            description = bar.get_description() or ""
            check(processor in description, "the progress bar says %r while the %s is written"
                  % (description, processor))
            seen = self.watch_progress(bar, SCENES[key][0])
            # A fast write may be over before the bar is first read: the
            # values its change events gave count as well.
            told = [float(e[4].split("= ")[1]) for e in self.events
                    if e[1] == "object:property-change:accessible-value" and e[0] >= mark and e[4]]
            values = seen + told
            check(len(values) >= 2 and max(values) > min(values),
                  "the %s progress read %s and told %d values: it did not move" % (processor, seen, len(told)))
            self.log.line("PROGRESS %s %r read %s" % (processor, description, seen))
            mark = self.left_at

        node, buttons = self.scene("completed")
        self.announced(mark, SCENES["completed"][0])
        check(node.get_role() != self.Atspi.Role.ALERT, "completion is announced as an alert")
        values = [e for e in self.events if e[1] == "object:property-change:accessible-value"]
        check(values, "the progress bar never told a reader its value changed")
        self.log.line("VALUE EVENTS %d" % len(values))
        self.press(buttons, "OK")

    def watch_progress(self, bar, words):
        """Reads the bar's value until the scene is left; every distinct value."""
        seen = []
        last_seen = time.monotonic()
        deadline = time.monotonic() + WRITE_LIMIT
        while time.monotonic() < deadline:
            check(self.program.poll() is None, "the program ended while writing")
            before = time.monotonic()
            try:
                value = bar.get_value_iface().get_current_value()
                node = self.notice()
                still = node is not None and words in self.text_of(node)
            except self.GLib.Error:
                break
            if not seen or value != seen[-1]:
                seen.append(value)
            if not still:
                # The next scene's events came after the last reading that
                # still saw this one.
                self.left_at = last_seen
                return seen
            last_seen = before
            self.pump(0.2)
        raise Failure("the writing did not end within %d s" % WRITE_LIMIT)

    def port_failure(self):
        node, buttons = self.start()
        mark = self.press(buttons, "Yes")
        box, entry, buttons = self.port_entry(mark)
        # A COM number with no device behind it, typed as a reader types.
        entry.get_editable_text_iface().set_text_contents(str(self.args.missing_com))
        self.wait_for("port box holding %d" % self.args.missing_com,
                      lambda: self.text_of(entry) == str(self.args.missing_com), SCENE_LIMIT)
        mark = self.press(buttons, "OK")

        node, buttons = self.scene("port-failure")
        check(node.get_role() == self.Atspi.Role.ALERT,
              "the failure is a %s, not an alert" % node.get_role_name())
        self.announced(mark, SCENES["port-failure"][0], alert=True)
        mark = self.press(buttons, "Retry")

        box, entry, buttons = self.port_entry(mark)
        check(self.notice().get_role() != self.Atspi.Role.ALERT, "the port scene after Retry is still an alert")
        check(self.text_of(entry) == str(self.args.missing_com),
              "after Retry the port box holds %r" % self.text_of(entry))
        # The keyboard alone: the focus rests on Cancel, Enter presses it.
        check(buttons["Cancel"].get_state_set().contains(self.Atspi.StateType.FOCUSED),
              "Cancel does not have the keyboard focus after Retry")
        self.key("Return")


def short(text, limit=90):
    text = text.replace("\n", " / ")
    return text if len(text) <= limit else text[:limit] + "..."


def stop(process, sig=signal.SIGTERM, limit=20):
    if process is None or process.poll() is not None:
        return
    process.send_signal(sig)
    try:
        process.wait(limit)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


# A loaded machine can hold the pseudo-terminal's bytes back past the
# program's resend, so that its requests reach the radio in a pile and the
# update rightly fails; the radio counts these. Such a run is tried again on
# a fresh radio, at most this many times in all; any other failure fails.
ATTEMPTS = 4


def held_back(radio_said):
    found = re.search(r"requests held back on the way: (\d+)", radio_said)
    return int(found.group(1)) if found else 0


def run_once(args, Atspi, GLib, log, workdir):
    """One walk on a fresh radio and program: 0 or 1, and the radio's count
    of requests held back on the way."""
    os.mkdir(workdir, 0o700)  # the program keeps its lock here: private, as a runtime folder is
    radio = program = walk = None
    radio_out = os.path.join(workdir, "radio.txt")
    try:
        ports = os.path.join(workdir, "ports")
        os.mkdir(ports)
        radio = subprocess.Popen([args.radio, "--port-dir", ports, "--com", str(args.com)],
                                 stdout=open(radio_out, "w"), stderr=subprocess.STDOUT)
        link = os.path.join(ports, "com%d" % args.com)
        deadline = time.monotonic() + START_LIMIT
        while not os.path.exists(link) and time.monotonic() < deadline and radio.poll() is None:
            time.sleep(0.05)
        check(os.path.exists(link), "the emulated radio did not start")

        env = dict(os.environ)
        env.update({"QT_QPA_PLATFORM": "xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
                    "RX77NOVA_PORT_DIR": ports, "XDG_RUNTIME_DIR": workdir})
        env.pop("QT_ACCESSIBILITY", None)
        # Under the sanitizers: Qt's accessibility bridge keeps some of its
        # objects to the end of the process, which the leak check at exit
        # would report as the program's own (and end it with status 1).
        if "ASAN_OPTIONS" in env:
            env["LSAN_OPTIONS"] = (env.get("LSAN_OPTIONS", "") + ":" if env.get("LSAN_OPTIONS") else "") \
                + "suppressions=" + os.path.join(os.path.dirname(os.path.abspath(__file__)), "accessibility-lsan.supp")
        program_out = open(os.path.join(workdir, "program.txt"), "w")
        program = subprocess.Popen([args.program], env=env, stdout=program_out, stderr=subprocess.STDOUT)
        walk = Walk(args, Atspi, GLib, log)
        walk.program = program
        if args.case == "update":
            walk.whole_update()
        else:
            walk.port_failure()
        program.wait(SCENE_LIMIT)
        check(program.returncode == 0, "the program ended with status %d" % program.returncode)
        stop(radio)
        radio_said = open(radio_out).read()
        log.line("RADIO " + short(radio_said, 400))
        if args.case == "update":
            check(radio_said.count("flash: equals the built-in image") == 2,
                  "the radio's flashes do not both equal the images:\n" + radio_said)
        log.line("PASSED")
        return 0, 0
    except Failure as why:
        log.line("FAIL: %s" % why)
        if walk is not None and walk.app is not None:
            log.line("TREE:\n" + walk.dump())
        stop(program)
        stop(radio)
        for name in ("program.txt", "radio.txt"):
            path = os.path.join(workdir, name)
            if os.path.exists(path):
                log.line("%s:\n%s" % (name, open(path).read()))
        return 1, held_back(open(radio_out).read()) if os.path.exists(radio_out) else 0
    finally:
        stop(program)
        stop(radio)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--radio", required=True)
    parser.add_argument("--case", choices=("update", "port-failure"), required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--com", type=int, default=3)
    parser.add_argument("--missing-com", type=int, default=7)
    args = parser.parse_args()

    if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
        print("SKIP: no session bus (run inside dbus-run-session)")
        return SKIP
    log = Log(args.log)
    workdir = tempfile.mkdtemp(prefix="rx-a11y-")
    server = None
    try:
        server, display = start_xvfb(workdir)
        os.environ["DISPLAY"] = display
        Atspi, GLib = connect_atspi()
        for attempt in range(1, ATTEMPTS + 1):
            status, held = run_once(args, Atspi, GLib, log, os.path.join(workdir, "run%d" % attempt))
            if status == 0 or held == 0 or attempt == ATTEMPTS:
                return status
            log.line("RETRY: the machine held %d requests back on the way to the radio; "
                     "again on a fresh radio (attempt %d of %d)" % (held, attempt + 1, ATTEMPTS))
        return 1
    except Skip as why:
        log.line("SKIP: %s" % why)
        return SKIP
    finally:
        stop(server)
        shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
