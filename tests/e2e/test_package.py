"""The Debian package as a user gets it: built with CPack from the build
folder, installed with apt-get, its desktop entry, metainfo and icons valid,
its copyright file crediting the voice of the spoken prompts, the installed
launcher started from the desktop menu's way (--in-data-folder) keeping
ADO_ZEM.MDB in the user's data folder, and the installed sound_check finding
every prompt. The package is removed again at the end.

Installing needs root; run as another user the test says it is skipped."""

import glob
import os
import struct
import subprocess
import sys

import pyatspi

from sansu_e2e import (answer_creation_question, application, build_dir, close_window, fail, log,
                       remove_folder, run_test, temp_folder, wait_exit, window)

MENU_CAPTION = "さんすうドリル V20010427"
PACKAGE = "sansu-drill"


def run(argv, what, timeout=300, cwd=None, env=None):
    result = subprocess.run(argv, capture_output=True, text=True, timeout=timeout, cwd=cwd, env=env)
    if result.returncode != 0:
        fail(f"{what} failed (status {result.returncode}):\n{result.stdout[-2500:]}\n{result.stderr[-2500:]}")
    return result.stdout + result.stderr


def installed():
    result = subprocess.run(["dpkg-query", "-W", "-f=${Status}", PACKAGE], capture_output=True,
                            text=True, timeout=30)
    return result.returncode == 0 and "installed" in result.stdout.split()


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        fail(f"{path} is not a PNG file")
    return struct.unpack(">II", head[16:24])


def check_files(files):
    desktop = "/usr/share/applications/sansu-drill.desktop"
    metainfo = "/usr/share/metainfo/org.sansudrill.SansuDrill.metainfo.xml"
    for path in [desktop, metainfo, "/usr/bin/sansu-drill"]:
        if path not in files:
            fail(f"the package does not install {path}")
    run(["desktop-file-validate", desktop], "desktop-file-validate")
    out = run(["appstreamcli", "validate", "--no-net", metainfo], "appstreamcli validate")
    log(f"metainfo: {out.strip().splitlines()[-1] if out.strip() else 'valid'}")
    svg = "/usr/share/icons/hicolor/scalable/apps/sansu-drill.svg"
    if svg not in files:
        fail(f"the package does not install {svg}")
    for size in (32, 48, 128):
        png = f"/usr/share/icons/hicolor/{size}x{size}/apps/sansu-drill.png"
        if png not in files:
            fail(f"the package does not install {png}")
        if png_size(png) != (size, size):
            fail(f"{png} is {png_size(png)}, not {size}x{size}")
    log("desktop entry, metainfo and icons (scalable, 32, 48, 128) in place and valid")
    copyright = "/usr/share/doc/sansu-drill/copyright"
    if copyright not in files:
        fail(f"the package does not install {copyright}")
    with open(copyright, encoding="utf-8") as f:
        text = f.read()
    for credit in ['"tohoku-f01"', "Intelligent Communication Network (Ito-Nose) Laboratory, Tohoku University",
                   "License: CC-BY-4.0", "Open JTalk"]:
        if credit not in text:
            fail(f"{copyright} does not credit the prompts' voice: {credit} is missing")
    log(f"{copyright} credits the voice tohoku-f01 (CC BY 4.0)")


def body(session):
    build = build_dir()
    if installed():
        fail(f"{PACKAGE} is already installed; this test installs and removes it, so it will not run "
             "over an existing installation")
    packages = temp_folder("deb")
    home = temp_folder("home")
    start = temp_folder("start")
    installed_here = False
    try:
        run(["cpack", "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"), "-B", packages],
            "cpack -G DEB", timeout=600)
        debs = glob.glob(os.path.join(packages, f"{PACKAGE}_*.deb"))
        if len(debs) != 1:
            fail(f"cpack made {debs}, not one {PACKAGE}_*.deb")
        log(f"built {os.path.basename(debs[0])} ({os.path.getsize(debs[0]) // 1024} KiB)")
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        installed_here = True
        run(["apt-get", "install", "-y", "--no-install-recommends", "./" + os.path.basename(debs[0])],
            "apt-get install", timeout=600, cwd=packages, env=env)
        if not installed():
            fail("apt-get reported success but the package is not installed")
        files = set(run(["dpkg", "-L", PACKAGE], "dpkg -L").split("\n"))
        check_files(files)

        tools = [f for f in files if f.endswith("/sansu-drill/sound_check")]
        if len(tools) != 1:
            fail(f"the package installs {tools or 'no'} sound_check in its program folder")
        out = run([tools[0]], "the installed sound_check", timeout=60)
        if "MISSING" in out or "NOT PLAYABLE" in out:
            fail(f"the installed sound_check reports problems:\n{out}")
        log(f"sound_check: {len([l for l in out.splitlines() if l.strip().startswith('ok')])} prompts ok "
            f"in {os.path.dirname(tools[0])}")

        launch_env = {"HOME": home}
        os.environ.pop("XDG_DATA_HOME", None)
        process = session.start(["/usr/bin/sansu-drill", "--in-data-folder"], cwd=start, env_extra=launch_env)
        app = application(process)
        answer_creation_question(app, "OK")
        menu = window(app, MENU_CAPTION)
        if not pyatspi.STATE_SHOWING in menu.getState().getStates():
            fail("the installed program's menu is not shown")
        data = os.path.join(home, ".local", "share", "sansu-drill", "ADO_ZEM.MDB")
        if not os.path.isfile(data):
            fail(f"the results file is not in the user's data folder ({data})")
        if os.listdir(start):
            fail(f"the installed program wrote into the folder it was started from: {os.listdir(start)}")
        log("the installed launcher keeps ADO_ZEM.MDB in ~/.local/share/sansu-drill")
        close_window(MENU_CAPTION)
        status = wait_exit(process, 15)
        if status != 0:
            fail(f"the installed program ended with status {status}")
    finally:
        if installed_here and installed():
            result = subprocess.run(["apt-get", "remove", "-y", PACKAGE], capture_output=True, text=True,
                                    timeout=300, env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))
            log(f"apt-get remove {PACKAGE}: status {result.returncode}")
            if installed():
                fail(f"{PACKAGE} is still installed after apt-get remove")
        for folder in (packages, home, start):
            remove_folder(folder)


if __name__ == "__main__":
    if os.geteuid() != 0:
        print("skipped: installing the package needs root (apt-get install); run as root to test it")
        sys.exit(0)
    run_test(body)
