"""Shared helpers of the end-to-end tests: start the real program on the
X display the runner made, find its windows and controls through AT-SPI, click
them with xdotool where they are on the screen, and close windows as a window
manager's close button would (WM_DELETE_WINDOW).

Every wait is bounded; a test that cannot go on raises E2EFailure with a
sentence saying what was expected, and the runner turns it into a failure.
"""

import datetime
import os
import shutil
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


class E2EFailure(Exception):
    pass


def log(text):
    print(text, flush=True)


def fail(text):
    raise E2EFailure(text)


def wait_for(what, probe, timeout=15.0, interval=0.1):
    """Calls probe until it returns something true and returns that; fails
    with `what` after `timeout` seconds. Errors from AT-SPI while a window
    is changing count as "not yet"."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = probe()
            if value:
                return value
        except E2EFailure:
            raise
        except (LookupError, RuntimeError, AttributeError) as error:
            last_error = error
        except Exception as error:  # GLib errors of a vanished object
            last_error = error
        if time.monotonic() > deadline:
            extra = f" (last error: {last_error})" if last_error else ""
            fail(f"timed out after {timeout:.0f} s waiting for {what}{extra}")
        time.sleep(interval)


# ---------------------------------------------------------------- the session

class Session:
    """The accessibility bus and the programs a test starts; everything is
    stopped again by close(), also when the test fails."""

    def __init__(self):
        self.processes = []
        self.bus = None
        self.logs = []

    def start_bus(self):
        self.bus = subprocess.Popen(['/usr/libexec/at-spi-bus-launcher', '--launch-immediately'],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                    start_new_session=True)
        time.sleep(0.5)

    def start(self, argv, cwd, env_extra=None, name='sansu-drill'):
        env = dict(os.environ)
        env.update({'QT_LINUX_ACCESSIBILITY_ALWAYS_ON': '1', 'LC_ALL': 'C.UTF-8'})
        env.setdefault('SDL_AUDIODRIVER', 'dummy')
        env.pop('QT_QPA_PLATFORM', None)
        if env_extra:
            env.update(env_extra)
        out = tempfile.NamedTemporaryFile(prefix='e2e-out-', delete=False)
        self.logs.append(out.name)
        process = subprocess.Popen(argv, cwd=cwd, env=env, stdout=out, stderr=subprocess.STDOUT,
                                   start_new_session=True)
        process.log_path = out.name
        self.processes.append(process)
        log(f"started {' '.join(argv)} (pid {process.pid}) in {cwd}")
        return process

    def close(self):
        for process in self.processes:
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                process.wait(timeout=10)
        if self.bus is not None:
            try:
                os.killpg(self.bus.pid, signal.SIGTERM)
                self.bus.wait(timeout=5)
            except (ProcessLookupError, subprocess.TimeoutExpired):
                try:
                    os.killpg(self.bus.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
        for path in self.logs:
            try:
                os.unlink(path)
            except OSError:
                pass


def program_output(process):
    try:
        with open(process.log_path, encoding='utf-8', errors='replace') as f:
            return f.read()
    except OSError:
        return ''


def run_test(body):
    """Runs body(session) and exits 0 on success, 1 with the reason on failure."""
    session = Session()
    started = time.monotonic()
    try:
        session.start_bus()
        body(session)
    except E2EFailure as error:
        log(f"FAIL: {error}")
        for process in session.processes:
            text = program_output(process).strip()
            if text:
                log(f"--- output of pid {process.pid} ---\n{text[-3000:]}")
        session.close()
        sys.exit(1)
    except BaseException:
        session.close()
        raise
    session.close()
    log(f"PASS in {time.monotonic() - started:.1f} s")
    sys.exit(0)


# ------------------------------------------------------------------- AT-SPI

def application(process, timeout=20.0):
    """The AT-SPI application object of a started process."""
    def probe():
        if process.poll() is not None:
            fail(f"the program ended (status {process.returncode}) before it showed a window")
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == process.pid and app.childCount > 0:
                # Read states, names and children afresh on every look: a
                # cached state can miss a change made while the program was
                # busy playing a prompt.
                app.set_cache_mask(Atspi.Cache.NONE)
                return app
        return None
    return wait_for(f"the program (pid {process.pid}) on the accessibility bus", probe, timeout)


def states(acc):
    return acc.getState().getStates()


def showing(acc):
    return pyatspi.STATE_SHOWING in states(acc)


def top_windows(app):
    return [w for w in app if w is not None]


def window(app, name, timeout=15.0, role=None):
    """A showing top-level window of app by its title (alerts by their title too)."""
    def probe():
        for w in top_windows(app):
            if w.name == name and showing(w) and (role is None or w.getRole() == role):
                return w
        return None
    return wait_for(f"the window '{name}'", probe, timeout)


def window_gone(app, name, timeout=15.0):
    """Waits until no window titled `name` is mapped on the X display."""
    def probe():
        disp = xdisplay.Display()
        try:
            return not _x_windows_named(disp, name)
        finally:
            disp.close()
    wait_for(f"the window '{name}' to close", probe, timeout)


def descendants(acc, role=None):
    found = []
    stack = [acc]
    while stack:
        node = stack.pop()
        for child in node:
            if child is None:
                continue
            if role is None or child.getRole() == role:
                found.append(child)
            stack.append(child)
    return found


def extents(acc, coords=pyatspi.DESKTOP_COORDS):
    e = acc.queryComponent().getExtents(coords)
    return e.x, e.y, e.width, e.height


def relative(acc, win):
    """Position of a control inside its window, in pixels."""
    x, y, w, h = extents(acc)
    wx, wy, _, _ = extents(win)
    return x - wx, y - wy, w, h


def find(acc, role, name, timeout=10.0, must_show=True):
    def probe():
        for node in descendants(acc, role):
            if node.name == name and (showing(node) or not must_show):
                return node
        return None
    return wait_for(f"a {pyatspi.Role(role).value_nick if hasattr(pyatspi.Role(role), 'value_nick') else role} "
                    f"named '{name}'", probe, timeout)


def labels(win):
    """Showing labels of a window with their positions inside it, top to bottom, left to right."""
    result = []
    for node in descendants(win, pyatspi.ROLE_LABEL):
        if showing(node):
            x, y, w, h = relative(node, win)
            result.append((y, x, w, h, node.name, node))
    result.sort(key=lambda r: (r[0], r[1]))
    return result


# ------------------------------------------------------------------ actions

def xdotool(*args):
    subprocess.run(['xdotool', *[str(a) for a in args]], check=True, timeout=10,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def click(acc, what=None):
    """Moves the pointer to the middle of a control and clicks it."""
    x, y, w, h = extents(acc)
    if w <= 0 or h <= 0:
        fail(f"cannot click {what or acc.name!r}: it has no area on the screen")
    xdotool('mousemove', '--sync', x + w // 2, y + h // 2)
    xdotool('click', 1)


def _x_windows_named(disp, title):
    found = []
    net_name = disp.intern_atom('_NET_WM_NAME')
    utf8 = disp.intern_atom('UTF8_STRING')

    def walk(win):
        try:
            prop = win.get_full_property(net_name, utf8)
            name = prop.value.decode('utf-8') if prop else None
            if name is None:
                legacy = win.get_wm_name()
                name = legacy.decode('utf-8', 'replace') if isinstance(legacy, bytes) else legacy
            if name == title:
                attrs = win.get_attributes()
                if attrs.map_state == X.IsViewable:
                    found.append(win)
            for child in win.query_tree().children:
                walk(child)
        except Exception:
            pass
    walk(disp.screen().root)
    return found


def close_window(title):
    """Asks the window titled `title` to close, as a title-bar close button does."""
    disp = xdisplay.Display()
    try:
        windows = _x_windows_named(disp, title)
        if not windows:
            fail(f"no mapped X window titled '{title}' to close")
        protocols = disp.intern_atom('WM_PROTOCOLS')
        delete = disp.intern_atom('WM_DELETE_WINDOW')
        for win in windows:
            event = protocol.event.ClientMessage(window=win, client_type=protocols,
                                                 data=(32, [delete, X.CurrentTime, 0, 0, 0]))
            win.send_event(event, event_mask=X.NoEventMask)
        # A round trip before hanging up: the server handles a client's
        # requests in order, so its answer means the close request has been
        # delivered. A connection closed right after sending is dropped by a
        # busy server before it has read what was sent.
        disp.sync()
        log(f"asked '{title}' to close")
    finally:
        disp.close()


def close_and_wait(app, title):
    """Closes a window as its title bar's close button does and waits until it
    is gone. One request only: a window that ignores it fails the test."""
    close_window(title)
    window_gone(app, title, 15)


def answer_creation_question(app, button):
    """Answers the question asked before ADO_ZEM.MDB is created."""
    alert = wait_for("the question whether to create ADO_ZEM.MDB",
                     lambda: next((w for w in top_windows(app)
                                   if w.getRole() == pyatspi.ROLE_ALERT and showing(w)), None), 20)
    texts = [node.name for node in descendants(alert, pyatspi.ROLE_LABEL)]
    if not any('ADO_ZEM.MDB' in t for t in texts):
        fail(f"the first message does not name ADO_ZEM.MDB: {texts}")
    click(find(alert, pyatspi.ROLE_PUSH_BUTTON, button), button)
    return texts


def wait_exit(process, timeout):
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        fail(f"the program (pid {process.pid}) did not end within {timeout:.0f} s")


# ----------------------------------------------------------------- the build

def build_dir():
    if len(sys.argv) < 2:
        fail("usage: test_*.py <build folder>")
    return os.path.abspath(sys.argv[1])


def program(build):
    path = os.path.join(build, 'sansu-drill')
    if not os.access(path, os.X_OK):
        fail(f"the program was not built: {path}")
    return path


def temp_folder(prefix):
    return tempfile.mkdtemp(prefix=f'sansu-e2e-{prefix}-')


def remove_folder(path):
    shutil.rmtree(path, ignore_errors=True)


def sqlite_rows(db_path, query):
    result = subprocess.run(['sqlite3', '-separator', '|', db_path, query], capture_output=True,
                            text=True, timeout=20)
    if result.returncode != 0:
        fail(f"sqlite3 could not read {db_path}: {result.stderr.strip()}")
    return [line.split('|') for line in result.stdout.splitlines() if line]


def today_prefix():
    return datetime.date.today().strftime('%Y/%m/%d ')
