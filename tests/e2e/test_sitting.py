"""One sitting through the screen: the first start creates ADO_ZEM.MDB after
asking; in たしざん１０ a wrong tile and then the right one, twice; the score
window lists the result, also once the menu is closed, and saves a period of
45 days; the program ends with status 0 when its last window closes, and the
results file holds the row and the period."""

import datetime
import os
import re

import pyatspi

from sansu_e2e import (DB, MENU, answer, click, close, controls, fail, find, grid, place, run_test,
                       sqlite, start, wait_exit, wait_for, window)

DRILL, SCORES = "たしざん１０", "得点"
LABEL, BUTTON = pyatspi.ROLE_LABEL, pyatspi.ROLE_PUSH_BUTTON
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
    tile. Each question is a sum up to 10 with the tiles 0 to 10."""
    click(find(menu, BUTTON, DRILL))
    win = window(app, title)
    for turn in range(turns):
        if turn:
            click(find(win, BUTTON, "次（つぎ）"))
        boxes, tiles = wait_for(f"a question with '？' in '{DRILL}'",
                                lambda: (lambda q: q if "？" in q[0] else None)(equation(win)))
        a, sign, b, equals, c = boxes
        if (sign, equals, c) != ("＋", "＝", "？") or int(a) + int(b) > 10 or len(tiles) != 11:
            fail(f"Expected a sum up to 10 and the tiles 0 to 10, not {' '.join(boxes)} and {sorted(tiles)}.")
        value = int(a) + int(b)
        click(*([tiles[str((value + 1) % len(tiles))]] if turn in missed else []), tiles[str(value)])
        done = [a, sign, b, equals, str(value)]
        wait_for(f"'{DRILL}' to read {' '.join(done)} after the tiles clicked", lambda: equation(win)[0] == done)
    close(title)


def body(build, work):
    process, app = start([os.path.join(build, "sansu-drill")], work)
    answer(app, f"{DB}が見つかりません､新規作成しますか?", "OK")
    menu = window(app, MENU)
    days = {datetime.datetime.now().strftime("%Y/%m/%d")}
    number_drill(app, menu, DRILL, 2, {0, 1})
    days.add(datetime.datetime.now().strftime("%Y/%m/%d"))
    click(find(menu, BUTTON, SCORES))
    win = window(app, SCORES)
    close(MENU)  # the other windows stay open without the menu
    listed = wait_for(f"the score table to list {DRILL}", lambda: grid(win))
    if len(listed) != 1 or listed[0][1:] != [DRILL, "2"] or not DATE.fullmatch(listed[0][0]) \
            or listed[0][0][:10] not in days:
        fail(f"Expected one row of {DRILL} from today ({' or '.join(days)}) with score 2 "
             f"and its time as yyyy/MM/dd H:mm:ss, not {listed}.")
    # Keep results for 45 days, typed as a parent types it, blanks and all.
    find(win, pyatspi.ROLE_TEXT, "保存する日数").queryEditableText().setTextContents(" 45 ")
    click(find(win, BUTTON, "日分保存"))
    answer(app, "保存期間を設定しました", "OK")
    close(SCORES)
    wait_exit(process, 0)  # the last window closed
    db = os.path.join(work, DB)
    if sqlite(db, "SELECT 日時, 科目, 得点 FROM LOG") != listed:
        fail(f"Expected the results file to hold the row the score window listed, {listed}.")
    if sqlite(db, "SELECT SET_LOG FROM ENV") != [["45"]]:
        fail("Expected the period saved in the score window, 45 days, in ENV's one row.")


if __name__ == "__main__":
    run_test(body)
