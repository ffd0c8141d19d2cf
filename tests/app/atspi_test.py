#!/usr/bin/python3
"""The page read over the real accessibility bus, as a screen reader reads it.

Starts an X server without a screen, a session bus and the accessibility bus,
then the real window on a temporary diary with today's entry, and reads the
page's name, text, caret and a word through pyatspi; inserts text through the
bus and waits for the insertion and caret events. Exit 77 (skipped) only when
the programs or the Python bindings are not installed.

Usage: atspi_test.py QUILLET_BINARY
"""
import importlib.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def main():
    quillet = sys.argv[1]
    for program in ("Xvfb", "dbus-daemon"):
        if not shutil.which(program):
            print("skipped: %s is not installed" % program)
            return SKIP
    if not os.path.exists(BUS_LAUNCHER):
        print("skipped: the accessibility bus (at-spi2-core) is not installed")
        return SKIP
    # Only looked for here: importing pyatspi connects it to the buses of the moment.
    if importlib.util.find_spec("pyatspi") is None or importlib.util.find_spec("gi") is None:
        print("skipped: python3-pyatspi is not installed")
        return SKIP

    os.umask(0o077)  # a private diary: no notice about making it private
    work = tempfile.mkdtemp(prefix="quillet-atspi-")
    started = []
    try:
        run = os.path.join(work, "run")
        os.mkdir(run, 0o700)
        diary = os.path.join(work, "diary")
        os.makedirs(os.path.join(diary, "Entries"))
        with open(os.path.join(diary, "QX.INI"), "w") as f:
            f.write("[Opening Screen]\nshow=0\n")
        today = time.strftime("%Y%m%d")
        with open(os.path.join(diary, "Entries", today + ".QXE"), "w") as f:
            f.write("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Dear diary\\par today}")

        env = dict(os.environ, XDG_RUNTIME_DIR=run, HOME=work, LC_ALL="C.UTF-8", LANG="C.UTF-8")
        env.pop("QT_QPA_PLATFORM", None)

        # A display number no other X server holds; the server is ready when its socket is there.
        number = next(n for n in range(90 + os.getpid() % 50, 400)
                      if not os.path.exists("/tmp/.X%d-lock" % n) and not os.path.exists("/tmp/.X11-unix/X%d" % n))
        started.append(subprocess.Popen(["Xvfb", ":%d" % number, "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                                         "-noreset"],
                                        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        deadline = time.time() + 10
        while not os.path.exists("/tmp/.X11-unix/X%d" % number):
            if time.time() > deadline or started[-1].poll() is not None:
                fail("Xvfb did not start on :%d" % number)
            time.sleep(0.05)
        env["DISPLAY"] = ":%d" % number

        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                               stdout=subprocess.PIPE, env=env)
        started.append(bus)
        env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()

        started.append(subprocess.Popen([BUS_LAUNCHER, "--launch-immediately"], env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        env["QT_QPA_PLATFORM"] = "xcb"
        app = subprocess.Popen([quillet, "--diary-dir", diary], env=env)
        started.append(app)

        # pyatspi finds the buses through the environment when it is imported.
        os.environ.update({k: env[k] for k in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR")})
        import pyatspi
        from gi.repository import GLib

        page = find_page(pyatspi, app)
        check_page(pyatspi, GLib, page)
        print("ok: the page is read over the accessibility bus")
        return 0
    finally:
        for process in reversed(started):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        shutil.rmtree(work, ignore_errors=True)


def find_page(pyatspi, app):
    deadline = time.time() + 15
    while time.time() < deadline:
        if app.poll() is not None:
            fail("quillet ended early with status %d" % app.returncode)
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            program = desktop.getChildAtIndex(i)
            if program is None or program.name.lower() != "quillet":
                continue
            page = pyatspi.utils.findDescendant(
                program, lambda a: a is not None and all(a.getState().contains(s) for s in (
                    pyatspi.STATE_EDITABLE, pyatspi.STATE_MULTI_LINE, pyatspi.STATE_SHOWING)))
            if page is not None:
                return page
        time.sleep(0.3)
    desktop = pyatspi.Registry.getDesktop(0)
    names = [desktop.getChildAtIndex(i).name for i in range(desktop.childCount) if desktop.getChildAtIndex(i)]
    fail("no editable page of Quillet appeared on the accessibility bus; programs there: %r" % names)


def check_page(pyatspi, GLib, page):
    year = time.strftime("%Y")
    if year not in page.name:
        fail("the page is named %r, not by the day it shows" % page.name)
    text = page.queryText()
    whole = text.getText(0, -1)
    if whole != "Dear diary\ntoday":
        fail("the page reads %r" % whole)
    if text.caretOffset != 0:
        fail("the caret is at %d, not at the start" % text.caretOffset)
    text.setCaretOffset(7)
    if text.caretOffset != 7:
        fail("the caret did not move to 7 but to %d" % text.caretOffset)
    word, start, end = text.getTextAtOffset(7, pyatspi.TEXT_BOUNDARY_WORD_START)
    if word.strip() != "diary" or start != 5:
        fail("the word at 7 is %r at %d..%d" % (word, start, end))

    # Text put in over the bus is told back as an insertion, and the caret as moved.
    seen = []

    def listen(event):
        seen.append((event.type, event.detail1, event.any_data))

    pyatspi.Registry.registerEventListener(listen, "object:text-changed:insert", "object:text-caret-moved")

    def insert():
        page.queryEditableText().insertText(0, "Oh ", 3)
        return False

    loop_ends = time.time() + 5

    def stop_when_seen():
        inserted = any(t.startswith("object:text-changed:insert") and d == 0 and s == "Oh " for t, d, s in seen)
        if inserted or time.time() > loop_ends:
            pyatspi.Registry.stop()
            return False
        return True

    GLib.timeout_add(200, insert)
    GLib.timeout_add(100, stop_when_seen)
    pyatspi.Registry.start()
    if not any(t.startswith("object:text-changed:insert") and d == 0 and s == "Oh " for t, d, s in seen):
        fail("no insertion event came: %r" % seen)
    if text.getText(0, -1) != "Oh Dear diary\ntoday":
        fail("after the insertion the page reads %r" % text.getText(0, -1))


if __name__ == "__main__":
    sys.exit(main())
