"""A family on one account, from the desktop menu's starts: a data folder that
holds the results practised so far; the parents' corner (--parents), past its
check, forms the family, but not while another copy works with those results:
once it is closed, たろう takes them over, はなこ is added. たろう picks
his name in one copy; while it is open, はなこ picks hers in a second copy and
answers two questions in たしざん１０, each after a wrong tile; each score
window lists its child's results only, hers also once her menu is closed, and
her results file holds what it lists; while she practises, the corner cannot
remove her. Each copy ends with status 0 when its
last window closes. たろう's chart (--chart, the picker first) counts his."""

import datetime
import os
import re

import pyatspi

from sansu_e2e import (DB, MENU, answer, click, close, controls, find, fail, grid, place, results_file, run_test,
                       screenshot, showing, sqlite, start, wait_exit, wait_for, window)

BUTTON, LABEL, TEXT = pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_LABEL, pyatspi.ROLE_TEXT
PICKER, CORNER, SCORES, CHART, DRILL = "だれが れんしゅうする？", "おうちのかたへ", "得点", "成績のグラフ", "たしざん１０"
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


def type_into(app, question, typed=None):
    """Waits for a question answered by typing, whose text holds `question`;
    types `typed` and presses OK, or with nothing typed returns the text."""
    def box():
        for w in app:
            if w is not None and showing(w) and w.getRole() == pyatspi.ROLE_DIALOG:
                text = next((n.name for n in controls(w, LABEL) if question in n.name), None)
                if text:
                    return w, text
    dialog, text = wait_for(f"the question '{question}'", box)
    if typed is not None:
        wait_for("its text field", lambda: next(iter(controls(dialog, TEXT)), None)) \
            .queryEditableText().setTextContents(typed)
        click(find(dialog, BUTTON, "OK"))
    return text


def open_corner(build, work, env):
    """The parents' corner (--parents) past its check: the process, the app and the corner."""
    process, app = start([os.path.join(build, "sansu-drill"), "--in-data-folder", "--parents"], work, **env)
    # The check: the product of the two numbers the question shows.
    tens, ones = map(int, re.search(r"(\d+) × (\d+) ＝ ？", type_into(app, "次の計算の答えを入れてください")).groups())
    type_into(app, "次の計算の答えを入れてください", str(tens * ones))
    return process, app, window(app, CORNER)


def form_family(app, corner):
    click(find(corner, BUTTON, "子どもを加える(A)"))
    type_into(app, "いままでの成績は、どの子のものですか？", "たろう")
    type_into(app, "新しく加える子どもの名前を入れてください", "はなこ")


def parents_corner(build, work, env):
    # Another copy at the menu works with the results kept so far: they do not move.
    other, other_app = start([os.path.join(build, "sansu-drill"), "--in-data-folder"], work, **env)
    window(other_app, MENU)
    process, app, corner = open_corner(build, work, env)
    form_family(app, corner)
    answer(app, "さんすうドリルが ほかのウィンドウで ひらいています", "OK")
    leave(other, MENU)
    form_family(app, corner)
    wait_for("the two children in the corner's list",
             lambda: next(iter(controls(corner, pyatspi.ROLE_TABLE))).queryTable().nRows == 2)
    screenshot(CORNER, "parents.png")
    leave(process, CORNER)


def picked(build, work, env, name, *options):
    """Starts the desktop start and picks `name`: the process, the app and the
    window shown then (the menu, or the chart with --chart)."""
    process, app = start([os.path.join(build, "sansu-drill"), "--in-data-folder", *options], work, **env)
    picker = window(app, PICKER if not options else "だれの グラフを みる？")
    if not options:
        screenshot(PICKER, "picker.png")
    click(find(picker, BUTTON, name))
    return process, app, window(app, f"{CHART if options else MENU}（{name}）")


def leave(process, title):
    """Closes the last window, titled `title`; the program ends with status 0."""
    close(title)
    wait_exit(process, 0)


def listed(app, menu, name):
    click(find(menu, BUTTON, SCORES))
    win = window(app, f"{SCORES}（{name}）")
    rows = wait_for(f"{name}'s score table", lambda: grid(win))
    close(f"{SCORES}（{name}）")
    return rows


def body(build, work):
    env = {"HOME": os.path.join(work, "home"), "XDG_DATA_HOME": ""}
    data = os.path.join(work, "home", ".local", "share", "sansu-drill")
    os.makedirs(data)
    yesterday = f"{datetime.date.today() - datetime.timedelta(days=1):%Y/%m/%d}"
    kept = [[f"{yesterday} 9:05:03", DRILL, "7"], [f"{yesterday} 15:20:41", DRILL, "12"]]
    results_file(os.path.join(data, DB), kept)
    parents_corner(build, work, env)

    # たろう's copy stays open while はなこ practises in a second copy: each
    # copy keeps to its child's file.
    his_process, his_app, his_menu = picked(build, work, env, "たろう")
    process, app, menu = picked(build, work, env, "はなこ")
    screenshot(f"{MENU}（はなこ）", "menu-child.png")
    days = {f"{datetime.date.today():%Y/%m/%d}"}
    number_drill(app, menu, f"{DRILL}（はなこ）", 2, {0, 1})
    days.add(f"{datetime.date.today():%Y/%m/%d}")
    # Not removed while she practises: said in words a parent reads.
    corner_process, corner_app, corner = open_corner(build, work, env)
    click(next(iter(controls(corner, pyatspi.ROLE_TABLE))).queryTable().getAccessibleAt(1, 0))
    click(find(corner, BUTTON, "子どもを外す(R)"))
    answer(corner_app, "はなこを一覧から外しますか?", "OK")
    answer(corner_app, "はなこが ほかのウィンドウで れんしゅうしています", "OK")
    leave(corner_process, CORNER)
    if not os.path.isdir(os.path.join(data, "child-2")):
        fail("Expected はなこ's folder kept while she practised.")
    click(find(menu, BUTTON, SCORES))
    scores = window(app, f"{SCORES}（はなこ）")
    close(f"{MENU}（はなこ）")  # the other windows stay open without the menu
    hers = wait_for("はなこ's score table", lambda: grid(scores))
    leave(process, f"{SCORES}（はなこ）")
    if len(hers) != 1 or hers[0][1:] != [DRILL, "2"] or not DATE.fullmatch(hers[0][0]) or hers[0][0][:10] not in days:
        fail(f"Expected はなこ's one sitting of {DRILL} from today ({' or '.join(days)}) with 2 right answers and its "
             f"time as yyyy/MM/dd H:mm:ss, not {hers}.")
    if sqlite(os.path.join(data, "child-2", DB), "SELECT 日時, 科目, 得点 FROM LOG") != hers:
        fail(f"Expected はなこ's results file to hold the row her score window listed, {hers}.")

    his = listed(his_app, his_menu, "たろう")
    leave(his_process, f"{MENU}（たろう）")
    if sorted(his) != sorted(kept):
        fail(f"Expected たろう's score table to list the results kept before, {kept}, not {his}.")

    process, app, chart = picked(build, work, env, "たろう", "--chart")
    wait_for("たろう's chart to count his two sittings",
             lambda: any(re.search(r"の\d+日間に2回、練習した日は1日$", a.name)
                         for a in pyatspi.findAllDescendants(chart, showing)))
    leave(process, f"{CHART}（たろう）")
    if sorted(os.listdir(data)) != [".children.json.lock", "child-1", "child-2", "children.json"]:
        fail(f"Expected the data folder to hold the two children's folders, their list and its lock, not {os.listdir(data)}.")


if __name__ == "__main__":
    run_test(body)
