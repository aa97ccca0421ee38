"""What the child hears: the real program plays into SDL's disk driver, and
the captured output must hold the prompts of the question's reading whole and
in order (the five boxes as shown on the screen), then OK.WAV for the right
answer and the reading of the completed equation."""

import os
import wave

import pyatspi

from sansu_e2e import (answer_creation_question, application, build_dir, click, close_and_wait, close_window,
                       fail, find, log, program, remove_folder, run_test, temp_folder, wait_exit,
                       wait_for, window)
from test_sitting import (MENU_CAPTION, NEXT_NUMBER, count_label, open_question,
                          right_answer, wait_button)

DRILL = "たしざん１０"


def prompt_samples(build, word):
    """The samples of one prompt file as raw 16-bit mono bytes at 22050 Hz."""
    path = os.path.join(build, f"{word}.WAV")
    if not os.path.exists(path):
        fail(f"the prompt {word}.WAV is missing from {build}")
    with wave.open(path, "rb") as w:
        if (w.getnchannels(), w.getsampwidth(), w.getframerate()) != (1, 2, 22050):
            fail(f"{word}.WAV is not 22050 Hz mono 16-bit; this test compares samples as played")
        data = w.readframes(w.getnframes())
    if len(data) < 4000:
        fail(f"{word}.WAV holds only {len(data) // 2} samples")
    return data


def find_in_order(captured, build, words):
    position = 0
    found_at = []
    for word in words:
        samples = prompt_samples(build, word)
        at = captured.find(samples, position)
        while at >= 0 and at % 2:
            at = captured.find(samples, at + 1)
        if at < 0:
            heard = [w for w in set(words) if captured.find(prompt_samples(build, w)) >= 0]
            fail(f"{word}.WAV is not heard whole after {' '.join(words[:len(found_at)]) or 'the start'}; "
                 f"prompts found anywhere in the capture: {sorted(heard)}")
        found_at.append(at)
        position = at + len(samples)
    return found_at


def body(session):
    build = build_dir()
    work = temp_folder("prompts")
    capture = os.path.join(work, "heard.raw")
    try:
        process = session.start([program(build)], cwd=work,
                                env_extra={"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": capture})
        app = application(process)
        answer_creation_question(app, "OK")
        menu = window(app, MENU_CAPTION)
        click(find(menu, pyatspi.ROLE_PUSH_BUTTON, DRILL), DRILL)
        win = window(app, DRILL)
        texts, tiles = open_question(win)
        value, box = right_answer(texts)
        log(f"question: {' '.join(texts)}")
        click(tiles[str(value)], f"tile {value}")
        wait_for(f"'クリア　1' in '{DRILL}'", lambda: count_label(win) == "クリア　1", 10)
        wait_button(win, NEXT_NUMBER, shown=True)
        answered = list(texts)
        answered[box] = str(value)
        close_and_wait(app, DRILL)
        close_window(MENU_CAPTION)
        status = wait_exit(process, 15)
        if status != 0:
            fail(f"the program ended with status {status}")

        if not os.path.exists(capture):
            fail("the disk audio driver wrote nothing: was the sound device opened?")
        with open(capture, "rb") as f:
            captured = f.read()
        log(f"captured {len(captured) / 2 / 22050:.1f} s of output")
        words = texts + ["OK"] + answered
        offsets = find_in_order(captured, build, words)
        log("heard in order: " + ", ".join(f"{w}.WAV at {o / 2 / 22050:.2f} s" for w, o in zip(words, offsets)))
    finally:
        remove_folder(work)


if __name__ == "__main__":
    run_test(body)
