"""Steps of the end-to-end tests: start a program on run-e2e.sh's display, find
its controls through AT-SPI, click them with xdotool, close windows as a close
button does. Every wait is bounded; a failure says what was expected."""

import contextlib
import os
import shutil
import sqlite3
import signal
import subprocess
import sys
import tempfile
import time

import gi
gi.require_version('Atspi', '2.0')
from gi.repository import Atspi
import pyatspi
from Xlib import X, display as xdisplay, protocol

MENU = "さんすうドリル V20010427"
DB = "ADO_ZEM.MDB"
_started = []


class E2EFailure(Exception):
    pass


def fail(text):
    raise E2EFailure(text)


def wait_for(what, probe, timeout=30.0):
    """Calls probe until it returns something true and returns that. Errors of
    AT-SPI or X while a window changes count as "not yet"."""
    deadline = time.monotonic() + timeout
    error = None
    while True:
        try:
            value = probe()
            if value:
                return value
        except E2EFailure:
            raise
        except Exception as e:
            error = e
        if time.monotonic() > deadline:
            fail(f"Expected {what} within {timeout:.0f} s" + (f" (last error: {error})." if error else "."))
        time.sleep(0.1)


def run_test(body):
    """Runs body(build folder, empty work folder); exits 1 when it fails."""
    work = tempfile.mkdtemp(prefix='sansu-e2e-')
    status = 1
    try:
        body(os.path.abspath(sys.argv[1]), work)
        status = 0
        print("PASS")
    except E2EFailure as error:
        print(f"FAIL: {error}")
        for process in _started:
            process.output.seek(0)
            print(f"--- {process.args[0]}, status {process.poll()} (None: still running), printed ---\n"
                  f"{process.output.read().decode(errors='replace')[-3000:]}")
    finally:
        for process in _started:
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
        shutil.rmtree(work, ignore_errors=True)
    sys.exit(status)


def start(argv, cwd, **env):
    """Starts a program; returns the process and its AT-SPI application."""
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1', LC_ALL='C.UTF-8', SDL_AUDIODRIVER='dummy',
               **env)
    output = tempfile.TemporaryFile()
    process = subprocess.Popen(argv, cwd=cwd, env=env, stdout=output, stderr=subprocess.STDOUT,
                               start_new_session=True)
    process.output = output
    _started.append(process)

    def find_app():
        if process.poll() is not None:
            fail(f"Expected {argv[0]} to show a window, but it ended with status {process.returncode}.")
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == process.pid:
                # Read every state and name afresh, never from a cache.
                app.set_cache_mask(Atspi.Cache.NONE)
                return app
    return process, wait_for(f"{argv[0]} on the accessibility bus", find_app)


def wait_exit(process, expected=None):
    """Waits for the process to end; its status, which must be `expected` when one is given."""
    try:
        status = process.wait(timeout=30)
    except subprocess.TimeoutExpired:
        fail(f"Expected {process.args[0]} to end within 30 s; it is still running.")
    if expected is not None and status != expected:
        fail(f"Expected {process.args[0]} to end with status {expected}, not {status}.")
    return status


def showing(acc):
    return acc.getState().contains(pyatspi.STATE_SHOWING)


def controls(acc, role):
    """The showing descendants of acc with the role."""
    found, stack = [], [acc]
    while stack:
        for child in stack.pop():
            if child is not None and showing(child):
                stack.append(child)
                if child.getRole() == role:
                    found.append(child)
    return found


def find(acc, role, name):
    return wait_for(f"'{name}' to show in '{acc.name}'",
                    lambda: next((n for n in controls(acc, role) if n.name == name), None))


def window(app, title):
    return wait_for(f"the window '{title}' to show",
                    lambda: next((w for w in app if w is not None and w.name == title and showing(w)), None))


def answer(app, text, button):
    """Waits for a message box whose text begins with `text` and clicks `button`."""
    def box():
        for w in app:
            if w is not None and w.getRole() == pyatspi.ROLE_ALERT and showing(w):
                if any(n.name.startswith(text) for n in controls(w, pyatspi.ROLE_LABEL)):
                    return w
    click(find(wait_for(f"the message '{text}'", box), pyatspi.ROLE_PUSH_BUTTON, button))


def place(acc):
    return acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)


def click(*accs):
    """Clicks the middle of each control in turn, all found before the first click."""
    steps = []
    for e in [place(acc) for acc in accs]:
        steps += ['mousemove', '--sync', str(e.x + e.width // 2), str(e.y + e.height // 2), 'click', '1']
    subprocess.run(['xdotool', *steps], check=True, timeout=30)


def _mapped(disp, title):
    """The mapped top-level X windows titled `title` (there is no window manager)."""
    name, utf8 = disp.intern_atom('_NET_WM_NAME'), disp.intern_atom('UTF8_STRING')
    found = []
    for win in disp.screen().root.query_tree().children:
        prop = win.get_full_property(name, utf8)
        if prop and prop.value.decode() == title and win.get_attributes().map_state == X.IsViewable:
            found.append(win)
    return found


def close(title):
    """Closes a window as its close button would and waits until it is gone."""
    disp = xdisplay.Display()
    try:
        windows = wait_for(f"a window titled '{title}' to close", lambda: _mapped(disp, title))
        event = protocol.event.ClientMessage(
            window=windows[0], client_type=disp.intern_atom('WM_PROTOCOLS'),
            data=(32, [disp.intern_atom('WM_DELETE_WINDOW'), X.CurrentTime, 0, 0, 0]))
        windows[0].send_event(event, event_mask=X.NoEventMask)
        # A round trip before going on: the server handles a client's requests
        # in order, so its answer means the close request has been delivered.
        # A connection closed right after sending may be dropped by a busy
        # server before it has read what was sent.
        disp.sync()
        print(f"asked '{title}' to close")
        wait_for(f"the window '{title}' to close", lambda: not _mapped(disp, title))
    finally:
        disp.close()


def screenshot(title, name):
    """With SANSU_SCREENSHOTS set to a folder (scripts/screenshots.sh does),
    captures the window titled `title` there as `name`."""
    folder = os.environ.get("SANSU_SCREENSHOTS")
    if not folder:
        return
    disp = xdisplay.Display()
    try:
        win = wait_for(f"a window titled '{title}' to capture", lambda: _mapped(disp, title))[0]
        time.sleep(0.5)  # painted
        subprocess.run(["import", "-window", str(win.id), os.path.join(folder, name)], check=True, timeout=30)
    finally:
        disp.close()


def sqlite(path, query, rows=()):
    """Runs a statement on a results file, once for each of `rows` when given: the rows it gives, as texts."""
    with contextlib.closing(sqlite3.connect(path)) as db, db:
        return [[str(v) for v in row] for row in (db.executemany(query, rows) if rows else db.execute(query))]


def results_file(path, rows, period="90"):
    """Makes a results file as the program does, holding `rows` (date, drill, score)."""
    sqlite(path, "CREATE TABLE ENV ( SET_LOG TEXT )")
    sqlite(path, "CREATE TABLE LOG ( 日時 TEXT,科目 TEXT,得点 TEXT )")
    sqlite(path, "INSERT INTO ENV ( SET_LOG ) VALUES ( ? )", [(period,)])
    sqlite(path, "INSERT INTO LOG ( 日時,科目,得点 ) VALUES ( ?,?,? )", rows)


def grid(win):
    """The rows of the score window's table, as shown."""
    table = find(win, pyatspi.ROLE_TABLE, "得点一覧").queryTable()
    return [[table.getAccessibleAt(r, c).name for c in range(table.nColumns)] for r in range(table.nRows)]
