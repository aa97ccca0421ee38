"""An old-format (Jet 3) ADO_ZEM.MDB carried over at start, after asking: the old
file kept as ADO_ZEM.jet3.MDB, the results moved into a new file and listed with
their times unchanged, in Japan's time zone, where a time going through UTC moves."""

import filecmp
import os
import re
import shutil

import pyatspi

from sansu_e2e import (DB, MENU, answer, click, close, fail, find, grid, run_test, sqlite, start,
                       wait_exit, wait_for, window)

FIXTURE = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                       "..", "data", "jet", "old-results.mdb"))
KNOWN = [["2026/12/01 7:59:59", "たしざん２０", "2"], ["2026/11/30 8:00:00", "たしざん１０", "5"],
         ["2001/04/27 9:05:03", "たしざん１０", "7"]]


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
    status = wait_exit(process)
    if status != 0:
        fail(f"Expected status 0 when the last window closed, not {status}.")

    kept = os.path.join(work, "ADO_ZEM.jet3.MDB")
    if not (os.path.isfile(kept) and filecmp.cmp(FIXTURE, kept, shallow=False)):
        fail("Expected the old file kept as ADO_ZEM.jet3.MDB, byte for byte.")
    db = os.path.join(work, DB)
    stored = sqlite(db, "SELECT 日時, 科目, 得点 FROM LOG")
    if len(stored) != 7 or any(row not in stored for row in KNOWN):
        fail(f"Expected the new file to hold the 7 old results, among them {KNOWN}, not {stored}.")
    if sqlite(db, "SELECT SET_LOG FROM ENV") != [["36500"]]:
        fail("Expected the new file to keep the old period of 36500 days.")
    # Latest first by the time itself, not its text ("9:00:00" < "10:00:00");
    # a time of midnight exactly is written as the date alone.
    latest_first = sorted((row for row in stored if row[1] == "たしざん１０"), reverse=True,
                          key=lambda row: [int(n) for n in re.split("[/ :]", row[0])])
    if listed != latest_first:
        fail(f"Expected the score window to list たしざん１０ latest first, {latest_first}, not {listed}.")


if __name__ == "__main__":
    run_test(body)
