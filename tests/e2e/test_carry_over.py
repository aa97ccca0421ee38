"""An old-format (Jet 3) ADO_ZEM.MDB carried over at start, after asking: the old
file kept as ADO_ZEM.jet3.MDB, the results listed with their times unchanged, in
Japan's time zone, where a time going through UTC would move."""

import os
import shutil

import pyatspi

from sansu_e2e import DB, MENU, answer, click, close, fail, find, grid, run_test, start, wait_exit, wait_for, window

FIXTURE = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                       "..", "data", "jet", "old-results.mdb"))
# The file's results of たしざん１０, latest first.
KNOWN = [["2026/11/30 8:00:00", "たしざん１０", "5"], ["2001/04/27 9:05:03", "たしざん１０", "7"]]


def body(build, work):
    if not os.path.isfile(FIXTURE):
        fail(f"Expected the old-format results file {FIXTURE}.")
    shutil.copyfile(FIXTURE, os.path.join(work, DB))
    process, app = start([os.path.join(build, "sansu-drill")], work, TZ="Asia/Tokyo")
    answer(app, f"{DB}は以前の形式の成績ファイルです", "OK")
    answer(app, f"{DB}の成績7件を今の形式に移しました", "OK")
    click(find(window(app, MENU), pyatspi.ROLE_PUSH_BUTTON, "得点"))
    win = window(app, "得点")
    listed = wait_for("the score table to list たしざん１０",
                      lambda: (lambda g: g if g and g[0][1] == "たしざん１０" else None)(grid(win)))
    close("得点")
    close(MENU)
    wait_exit(process, 0)  # the last window closed
    if listed != KNOWN or not os.path.isfile(os.path.join(work, "ADO_ZEM.jet3.MDB")):
        fail(f"Expected the score window to list the old たしざん１０ results latest first, {KNOWN}, "
             f"not {listed}, and the old file kept as ADO_ZEM.jet3.MDB.")


if __name__ == "__main__":
    run_test(body)
