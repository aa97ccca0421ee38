"""One sitting through the screen: the first start creates ADO_ZEM.MDB after
asking; in たしざん１０ a wrong tile and then the right one, twice; in とけい a
wrong time and then the upper row, where the right time is; the score window
lists both results, also once the menu is closed, and saves a period of 45
days; the program ends with status 0 when its last window closes, and the
results file holds the rows and the period."""

import datetime
import os
import re
import time

import pyatspi

from sansu_e2e import (DB, MENU, answer, click, close, controls, fail, find, grid, place, run_test,
                       sqlite, start, wait_exit, wait_for, window)

DRILL, CLOCK, SCORES = "たしざん１０", "とけい", "得点"
LABEL, BUTTON = pyatspi.ROLE_LABEL, pyatspi.ROLE_PUSH_BUTTON
TIME = re.compile(r"\d{1,2}じ\d{1,2}[ふぷ]ん")
# yyyy/MM/dd H:mm:ss, the hour not padded; the time is left out at midnight exactly.
DATE = re.compile(r"\d{4}/\d{2}/\d{2}( (1?\d|2[0-3]):\d{2}:\d{2})?")


def equation(win):
    """The equation's boxes left to right (the row of "＝") and the tiles by number."""
    shown = [(place(n), n) for n in controls(win, LABEL)]
    row = next(e.y for e, n in shown if n.name == "＝")
    boxes = [n.name for e, n in sorted(shown, key=lambda s: s[0].x) if e.y == row]
    return boxes, {n.name: n for e, n in shown if e.y != row and n.name.isdigit()}


def number_drill(app, menu, title, turns, missed):
    """Opens たしざん１０, titled `title`, from the menu and answers `turns`
    questions in turn, each rightly; the turns in `missed` first with a wrong
    tile. Each question is a sum up to 10 with the tiles 0 to 10. The
    questions asked, in turn."""
    click(find(menu, BUTTON, DRILL))
    win = window(app, title)
    asked = []
    for turn in range(turns):
        if turn:
            click(find(win, BUTTON, "次（つぎ）"))
        boxes, tiles = wait_for(f"a question with '？' in '{DRILL}'",
                                lambda: (lambda q: q if "？" in q[0] else None)(equation(win)))
        a, sign, b, equals, c = boxes
        if (sign, equals, c) != ("＋", "＝", "？") or int(a) + int(b) > 10 or len(tiles) != 11:
            fail(f"Expected a sum up to 10 and the tiles 0 to 10, not {' '.join(boxes)} and {sorted(tiles)}.")
        asked.append(boxes)
        value = int(a) + int(b)
        click(*([tiles[str((value + 1) % len(tiles))]] if turn in missed else []), tiles[str(value)])
        done = [a, sign, b, equals, str(value)]
        wait_for(f"'{DRILL}' to read {' '.join(done)} after the tiles clicked", lambda: equation(win)[0] == done)
    close(title)
    return asked


def times(win):
    """The times shown, top to bottom and left to right."""
    shown = [(place(n), n) for n in controls(win, LABEL) if TIME.fullmatch(n.name)]
    return [n for e, n in sorted(shown, key=lambda s: (s[0].y, s[0].x))]


def clock(app, menu):
    click(find(menu, BUTTON, CLOCK))
    win = window(app, CLOCK)
    # The question is drawn once more a second after the window opens, and
    # nothing on the screen tells when that has happened. Clicks that come
    # after it is due are handled after it, so the times are read and chosen
    # 1.5 s after the window is seen (a child, too, looks at the clock first).
    time.sleep(1.5)
    shown = wait_for(f"eight times to choose from in '{CLOCK}'",
                     lambda: (lambda t: t if len(t) == 8 else None)(times(win)))
    upper = [n.name for n in shown[:4]]
    # A time of the lower row is never the right one: choosing it first
    # checks that a wrong time is not taken. The right one hides the eight,
    # so the clicks after it reach no time.
    click(shown[4], *shown[:4])
    chosen = wait_for(f"the eight times in '{CLOCK}' to give way to the chosen one",
                      lambda: (lambda t: t if len(t) == 1 else None)(times(win)))[0].name
    if chosen not in upper:
        fail(f"Expected the chosen time to be one of the upper row {upper}, not {chosen} "
             f"(the lower time tried first was {shown[4].name}).")
    close(CLOCK)


def scores(app, menu, days):
    click(find(menu, BUTTON, SCORES))
    win = window(app, SCORES)
    close(MENU)  # the other windows stay open without the menu
    listed = []
    for drill, score in ((DRILL, "2"), (CLOCK, "1")):
        if drill != DRILL:  # the window opens on the first drill
            click(find(win, pyatspi.ROLE_RADIO_BUTTON, drill))
        rows = wait_for(f"the score table to list {drill}",
                        lambda: (lambda g: g if g and g[0][1] == drill else None)(grid(win)))
        if len(rows) != 1 or rows[0][1:] != [drill, score] or not DATE.fullmatch(rows[0][0]) \
                or rows[0][0][:10] not in days:
            fail(f"Expected one row of {drill} from today ({' or '.join(days)}) with score {score} "
                 f"and its time as yyyy/MM/dd H:mm:ss, not {rows}.")
        listed += rows
    # Keep results for 45 days, typed as a parent types it, blanks and all.
    find(win, pyatspi.ROLE_TEXT, "保存する日数").queryEditableText().setTextContents(" 45 ")
    click(find(win, BUTTON, "日分保存"))
    answer(app, "保存期間を設定しました", "OK")
    close(SCORES)
    return listed


def body(build, work):
    process, app = start([os.path.join(build, "sansu-drill")], work)
    answer(app, f"{DB}が見つかりません､新規作成しますか?", "OK")
    menu = window(app, MENU)
    started = datetime.datetime.now()
    number_drill(app, menu, DRILL, 2, {0, 1})
    clock(app, menu)
    listed = scores(app, menu, {d.strftime("%Y/%m/%d") for d in (started, datetime.datetime.now())})
    wait_exit(process, 0)  # the last window closed
    db = os.path.join(work, DB)
    stored = sqlite(db, "SELECT 日時, 科目, 得点 FROM LOG ORDER BY rowid")
    if stored != listed:
        fail(f"Expected the results file to hold the rows the score window listed, {listed}, not {stored}.")
    if sqlite(db, "SELECT SET_LOG FROM ENV") != [["45"]]:
        fail("Expected the period saved in the score window, 45 days, in ENV's one row.")


if __name__ == "__main__":
    run_test(body)
