"""Refusing the results file: on the first start in an empty folder the user
answers キャンセル to the creation question; the program says it cannot go
on, ends with a failure status and leaves no file behind."""

import os

import pyatspi

from sansu_e2e import (answer_creation_question, application, build_dir, click, descendants, fail,
                       find, log, program, remove_folder, run_test, showing, temp_folder, top_windows,
                       wait_exit, wait_for)

SECOND_MESSAGE = "ADO_ZEM.MDBがないために処理が続行できないので終了します"


def body(session):
    build = build_dir()
    work = temp_folder("cancel")
    try:
        process = session.start([program(build)], cwd=work)
        app = application(process)
        first = answer_creation_question(app, "キャンセル")
        log(f"first message: {[t for t in first if t]}")

        def second_message():
            for w in top_windows(app):
                if w.getRole() == pyatspi.ROLE_ALERT and showing(w):
                    texts = [n.name for n in descendants(w, pyatspi.ROLE_LABEL)]
                    if SECOND_MESSAGE in texts:
                        return w
            return None
        alert = wait_for(f"the message '{SECOND_MESSAGE}'", second_message, 15)
        buttons = [b.name for b in descendants(alert, pyatspi.ROLE_PUSH_BUTTON) if showing(b)]
        if buttons != ["OK"]:
            fail(f"the closing message offers {buttons}, not only OK")
        if any(w.getRole() == pyatspi.ROLE_FRAME and showing(w) for w in top_windows(app)):
            fail("the menu is shown although the results file was refused")
        click(find(alert, pyatspi.ROLE_PUSH_BUTTON, "OK"), "OK")
        status = wait_exit(process, 15)
        if status == 0:
            fail("the program ended with status 0 after refusing to create its results file")
        log(f"the program ended with status {status}")
        left = os.listdir(work)
        if left:
            fail(f"files were left in the start folder: {left}")
    finally:
        remove_folder(work)


if __name__ == "__main__":
    run_test(body)
