"""A whole sitting of the real program, as a child and a teacher would use it:
the first start creates ADO_ZEM.MDB after the question; each of the seven
drills is opened from the menu, answered wrong once and right twice, and
closed; the results file then holds one row per drill, and the score window
lists them."""

import datetime
import os
import re
import time

import pyatspi

from sansu_e2e import (answer_creation_question, application, build_dir, click, close_and_wait,
                       close_window, descendants, fail, find, labels, log, program, remove_folder,
                       run_test, showing, sqlite_rows, temp_folder, wait_exit, wait_for, window)

MENU_CAPTION = "さんすうドリル V20010427"
NUMBER_DRILLS = ["たしざん１０", "たして１０", "たしざん２０", "ひきざん１０", "ひいて１０", "ひきざん２０"]
CLOCK = "とけい"
NEXT_NUMBER = "次（つぎ）"
NEXT_CLOCK = "次(つぎ)"
TIME_TEXT = re.compile(r"^(\d{1,2})じ(\d{1,2})ふん$")


def count_label(win):
    for _, _, _, _, name, _ in labels(win):
        if name.startswith("クリア"):
            return name
    return None


def button_state(win, caption):
    """True when the next-question button is showing, False when hidden."""
    for node in descendants(win, pyatspi.ROLE_PUSH_BUTTON):
        if node.name == caption:
            return showing(node)
    return None  # not (yet) in the accessible tree


def wait_button(win, caption, shown, timeout=20):
    wait_for(f"'{caption}' to be {'shown' if shown else 'hidden'} in '{win.name}'",
             lambda: button_state(win, caption) == shown, timeout)


# ------------------------------------------------------------- number drills

def equation(win):
    """The five equation boxes, left to right, and the tiles by their number."""
    rows = labels(win)
    boxes = [r for r in rows if r[3] >= 60]
    boxes.sort(key=lambda r: r[1])
    tiles = {r[4]: r[5] for r in rows if 25 <= r[3] <= 40 and r[4].isdigit()}
    if len(boxes) != 5:
        fail(f"'{win.name}' shows {len(boxes)} large boxes, not five: {[b[4] for b in boxes]}")
    return [b[4] for b in boxes], tiles


def right_answer(texts):
    a, sign, b, eq, c = texts
    if eq != "＝" or sign not in ("＋", "－") or texts.count("？") != 1:
        fail(f"not a question: {' '.join(texts)}")
    if sign == "＋":
        if c == "？":
            return int(a) + int(b), 4
        if a == "？":
            return int(c) - int(b), 0
        return int(c) - int(a), 2
    if c == "？":
        return int(a) - int(b), 4
    if a == "？":
        return int(c) + int(b), 0
    return int(a) - int(c), 2


def open_question(win):
    """Waits until a question has been read out; returns its boxes and tiles."""
    wait_button(win, NEXT_NUMBER, shown=False)
    texts, tiles = wait_for(f"a question with '？' in '{win.name}'",
                            lambda: (lambda e: e if "？" in e[0] else None)(equation(win)))
    return texts, tiles


def answer_number_question(win, expected_count, with_wrong_try):
    texts, tiles = open_question(win)
    value, box = right_answer(texts)
    if str(value) not in tiles:
        fail(f"'{win.name}': the answer {value} of {' '.join(texts)} has no tile ({sorted(tiles)})")
    log(f"  {win.name}: {' '.join(texts)} -> {value}")
    if with_wrong_try:
        wrong = str((value + 1) % len(tiles))
        click(tiles[wrong], f"tile {wrong}")
        time.sleep(1.5)
        after, _ = equation(win)
        if after != texts or count_label(win) != f"クリア　{expected_count - 1}":
            fail(f"'{win.name}': the wrong tile {wrong} changed the window: "
                 f"{' '.join(after)}, {count_label(win)}")
        if button_state(win, NEXT_NUMBER):
            fail(f"'{win.name}': '{NEXT_NUMBER}' appeared after a wrong answer")
    click(tiles[str(value)], f"tile {value}")
    want = f"クリア　{expected_count}"
    wait_for(f"'{want}' in '{win.name}'", lambda: count_label(win) == want, 10)
    done, _ = equation(win)
    if done[box] != str(value) or "？" in done:
        fail(f"'{win.name}': after the right tile the equation reads {' '.join(done)}")
    wait_button(win, NEXT_NUMBER, shown=True)


def number_drill(app, menu, caption):
    click(find(menu, pyatspi.ROLE_PUSH_BUTTON, caption), caption)
    win = window(app, caption)
    wait_for(f"'クリア　0' in '{caption}'", lambda: count_label(win) == "クリア　0")
    tile_count = len(equation(win)[1])
    want_tiles = 21 if caption.endswith("２０") else 11
    if tile_count != want_tiles:
        fail(f"'{caption}' shows {tile_count} tiles, not {want_tiles}")
    answer_number_question(win, 1, with_wrong_try=True)
    click(find(win, pyatspi.ROLE_PUSH_BUTTON, NEXT_NUMBER), NEXT_NUMBER)
    answer_number_question(win, 2, with_wrong_try=False)
    close_and_wait(app, caption)


# ---------------------------------------------------------------- the clock

def clock_labels(win):
    """Showing answer labels: (upper row, lower row, chosen answer or None)."""
    upper, lower, chosen = [], [], None
    for y, x, w, h, name, node in labels(win):
        if not TIME_TEXT.match(name):
            continue
        if w > 92:          # the chosen answer is wider than the eight labels
            chosen = (name, node)
        elif y < 428:
            upper.append((x, name, node))
        else:
            lower.append((x, name, node))
    upper.sort(key=lambda r: r[0])
    lower.sort(key=lambda r: r[0])
    return upper, lower, chosen


def clock_question(win):
    wait_button(win, NEXT_CLOCK, shown=False)
    upper, lower, chosen = wait_for("eight answer labels in 'とけい'",
                                    lambda: (lambda u: u if len(u[0]) == 4 and len(u[1]) == 4
                                             and u[2] is None else None)(clock_labels(win)))
    for _, name, _ in upper + lower:
        hour, minute = map(int, TIME_TEXT.match(name).groups())
        if not (1 <= hour <= 12 and 0 <= minute <= 55 and minute % 5 == 0):
            fail(f"'とけい' shows an impossible time: {name}")
    return upper, lower


def answer_clock_question(win, expected_count, with_wrong_try):
    upper, lower = clock_question(win)
    before = [n for _, n, _ in upper + lower]
    if with_wrong_try:
        # The asked time is always in the upper row and every other label
        # differs from it, so a lower-row label is a wrong answer.
        click(lower[0][2], lower[0][1])
        time.sleep(1.5)
        u, l, chosen = clock_labels(win)
        if [n for _, n, _ in u + l] != before or chosen or count_label(win) != f"クリア　{expected_count - 1}":
            fail(f"'とけい': the wrong answer {lower[0][1]} changed the window")
    for _, name, node in upper:
        click(node, name)
        # A wrong label sounds NG.WAV and changes nothing. The right one
        # hides the eight labels and shows the answer box, then OK.WAV and
        # the spoken time keep the window busy for a few seconds.
        deadline = time.monotonic() + 6.0
        chosen = None
        while chosen is None and time.monotonic() < deadline:
            time.sleep(0.2)
            try:
                chosen = clock_labels(win)[2]
            except Exception:
                chosen = None
        if chosen is None:
            continue
        if chosen[0] != name:
            fail(f"'とけい': clicked {name} but the answer box shows {chosen[0]}")
        log(f"  とけい: {' '.join(before)} -> {name}")
        break
    else:
        fail(f"'とけい': none of the upper labels {[n for _, n, _ in upper]} was taken as right")
    u, l, _ = clock_labels(win)
    if u or l:
        fail("'とけい': the answer labels stay shown after the right answer")
    want = f"クリア　{expected_count}"
    wait_for(f"'{want}' in 'とけい'", lambda: count_label(win) == want, 10)
    wait_button(win, NEXT_CLOCK, shown=True)


def clock_drill(app, menu):
    click(find(menu, pyatspi.ROLE_PUSH_BUTTON, CLOCK), CLOCK)
    opened = time.monotonic()
    win = window(app, CLOCK)
    wait_for("'クリア　0' in 'とけい'", lambda: count_label(win) == "クリア　0")
    wait_button(win, NEXT_CLOCK, shown=False)
    # One fresh question comes a second after loading, or at the end of the
    # prompt if that is later; answer it once the labels have settled.
    time.sleep(max(0.5, 1.8 - (time.monotonic() - opened)))
    names = lambda: [n for _, n, _ in clock_labels(win)[0] + clock_labels(win)[1]]
    def settled():
        first = names()
        time.sleep(0.5)
        return len(first) == 8 and names() == first
    wait_for("the answer labels of 'とけい' to settle", settled, 10)
    answer_clock_question(win, 1, with_wrong_try=True)
    click(find(win, pyatspi.ROLE_PUSH_BUTTON, NEXT_CLOCK), NEXT_CLOCK)
    answer_clock_question(win, 2, with_wrong_try=False)
    close_and_wait(app, CLOCK)


# ------------------------------------------------------------ score window

def grid_rows(win):
    tables = [t for t in descendants(win, pyatspi.ROLE_TABLE) if showing(t)]
    if len(tables) != 1:
        fail(f"the score window shows {len(tables)} tables, not one")
    table = tables[0].queryTable()
    headers = [table.getColumnDescription(c) or
               (table.getColumnHeader(c).name if table.getColumnHeader(c) else '')
               for c in range(table.nColumns)]
    rows = [[table.getAccessibleAt(r, c).name for c in range(table.nColumns)]
            for r in range(table.nRows)]
    return headers, rows


def check_scores(app, menu, started, ended):
    click(find(menu, pyatspi.ROLE_PUSH_BUTTON, "得点"), "得点")
    win = window(app, "得点")
    text = wait_for("the retention period in the score window",
                    lambda: next((n for n in descendants(win, pyatspi.ROLE_TEXT) if showing(n)), None))
    period = text.queryText().getText(0, -1)
    if period != "90":
        fail(f"the score window shows the retention period {period!r}, not 90")
    for option in ["たしざん１０", CLOCK]:
        radio = find(win, pyatspi.ROLE_RADIO_BUTTON, option)
        if option != "たしざん１０":
            click(radio, option)
        wait_for(f"'{option}' to be chosen", lambda: pyatspi.STATE_CHECKED in radio.getState().getStates(), 5)
        headers, rows = wait_for(f"the grid rows of {option}",
                                 lambda: (lambda g: g if g[1] and g[1][0][1] == option else None)(grid_rows(win)))
        if headers != ["日時", "科目", "得点"]:
            fail(f"the grid's headings are {headers}")
        if len(rows) != 1 or rows[0][1:] != [option, "2"]:
            fail(f"the grid for {option} lists {rows}, not one row with score 2")
        check_date(rows[0][0], started, ended, f"the grid row of {option}")
        log(f"  得点 / {option}: {rows}")
    close_and_wait(app, "得点")


def check_date(text, started, ended, what):
    match = re.fullmatch(r"(\d{4})/(\d{2})/(\d{2}) (\d{1,2}):(\d{2}):(\d{2})", text)
    if not match:
        fail(f"{what}: 日時 {text!r} is not 'yyyy/MM/dd H:mm:ss'")
    if match.group(4).startswith("0") and len(match.group(4)) == 2:
        fail(f"{what}: the hour of {text!r} is padded")
    moment = datetime.datetime(*map(int, match.groups()))
    if not (started - datetime.timedelta(seconds=2) <= moment <= ended + datetime.timedelta(seconds=2)):
        fail(f"{what}: 日時 {text} is not within the sitting ({started:%H:%M:%S} to {ended:%H:%M:%S})")


def body(session):
    build = build_dir()
    work = temp_folder("sitting")
    try:
        process = session.start([program(build)], cwd=work)
        app = application(process)
        answer_creation_question(app, "OK")
        menu = window(app, MENU_CAPTION)
        log("menu shown with its caption")
        started = datetime.datetime.now().replace(microsecond=0)
        for caption in NUMBER_DRILLS:
            number_drill(app, menu, caption)
        clock_drill(app, menu)
        ended = datetime.datetime.now()

        db = os.path.join(work, "ADO_ZEM.MDB")
        rows = sqlite_rows(db, "SELECT 日時, 科目, 得点 FROM LOG ORDER BY rowid")
        if sorted(r[1] for r in rows) != sorted(NUMBER_DRILLS + [CLOCK]):
            fail(f"LOG holds {[r[1] for r in rows]}, not one row per drill")
        for when, drill, score in rows:
            if score != "2":
                fail(f"LOG row of {drill} has 得点 {score!r}, not 2")
            check_date(when, started, ended, f"LOG row of {drill}")
        log(f"LOG: {len(rows)} rows, e.g. {rows[0]}")

        check_scores(app, menu, started, ended)
        close_window(MENU_CAPTION)
        status = wait_exit(process, 15)
        if status != 0:
            fail(f"the program ended with status {status} after its last window closed")
        log("the program ended with status 0 when the menu closed")
    finally:
        remove_folder(work)


if __name__ == "__main__":
    run_test(body)
