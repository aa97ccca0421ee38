"""Refusing the results file: キャンセル at the first start's question; the
program says it cannot go on, ends with a failure status and leaves nothing
in its folder."""

import os

from sansu_e2e import DB, answer, fail, run_test, start, wait_exit


def body(build, work):
    process, app = start([os.path.join(build, "sansu-drill")], work)
    answer(app, f"{DB}が見つかりません､新規作成しますか?", "キャンセル")
    answer(app, f"{DB}がないために処理が続行できないので終了します", "OK")
    status = wait_exit(process)
    if status == 0 or os.listdir(work):
        fail(f"Expected a failure status and an empty folder, not status {status} and {os.listdir(work)}.")


if __name__ == "__main__":
    run_test(body)
