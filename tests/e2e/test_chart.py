"""The desktop menu's 成績のグラフ action: `sansu-drill --chart` in a folder
holding a results file with rows shows the chart of たしざん１０, names the
drill and its counts through accessible names, and ends with status 0 when
closed, the file unchanged: no menu started, nothing purged (a row older than
the period is there) or created. A row dated far in the future is left out and
costs nothing."""

import datetime
import os

import pyatspi

from sansu_e2e import DB, close, fail, results_file, run_test, showing, start, wait_exit, wait_for, window

CHART, DRILL = "成績のグラフ", "たしざん１０"


def body(build, work):
    db, started = os.path.join(work, DB), datetime.date.today()
    yesterday = f"{started - datetime.timedelta(days=1):%Y/%m/%d}"
    rows = [(f"{yesterday} 15:20:41", DRILL, "12"), (f"{yesterday} 9:05:03", DRILL, "7"),
            (f"{started:%Y/%m/%d} 10:02:17", DRILL, "9"), ("きのう", DRILL, "5"), ("2000/01/01 9:00:00", DRILL, "3"),
            ("9999/12/31 10:00:00", DRILL, "8"),
            (f"{started:%Y/%m/%d} 16:45:00", "とけい", "5")]
    results_file(db, rows)
    before = open(db, "rb").read()
    process, app = start([os.path.join(build, "sansu-drill"), "--chart"], work)
    win = window(app, CHART)
    # The 90 days kept up to today (the row of 2000 lies before them, the one
    # of 9999 after): two sittings yesterday and one today, whichever day the
    # program took as today.
    summaries = {f"{d - datetime.timedelta(days=89):%Y/%m/%d}～{d:%Y/%m/%d} の90日間に3回、練習した日は2日"
                 for d in (started, datetime.date.today())}
    expected = {f"{DRILL}の得点のグラフ", f"{DRILL}の1日にした回数のグラフ",
                "日時が日付でないか今日より後か、得点が数でない成績 2 件は入っていません"}
    def names():  # each name shown, and whether it is checked
        return {a.name: a.getState().contains(pyatspi.STATE_CHECKED) for a in pyatspi.findAllDescendants(win, showing)}
    wait_for(f"'{CHART}' to name {DRILL} (chosen), its charts, its counts and the row left out",
             lambda: (lambda n: expected <= n.keys() and summaries & n.keys() and n.get(DRILL))(names()))
    close(CHART)
    status = wait_exit(process)
    if status != 0 or open(db, "rb").read() != before or sorted(os.listdir(work)) != [DB]:
        fail(f"Expected status 0 and the folder holding the results file unchanged, not status {status} "
             f"and {sorted(os.listdir(work))}.")


if __name__ == "__main__":
    run_test(body)
