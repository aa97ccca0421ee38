#!/usr/bin/env bash
# The Debian package as a user gets it: made with CPack from a build, passed
# by lintian (-I --pedantic: no tag at all), its extended description indented
# alike, its manual page, changelog and copyright file where Debian looks,
# installed with apt-get, its desktop entry and metainfo valid, the voice's
# credit and the program's licence (GPL-3.0-or-later) stated, the manual page
# shown by man, --version and --help answered by the installed program without
# a display and without making a file, the installed launcher started as the
# desktop menu starts it (--in-data-folder) up to the menu, and removed again
# with apt-get, leaving none of its files behind.
# Installing needs root (sudo is used otherwise); lintian and man must be
# there (scripts/install-deps.sh lintian man-db). It will not run over an
# installation of sansu-drill that is there already.
# usage: scripts/package-check.sh [build folder, default build]
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$top/build}" && pwd)"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

is_installed() {
  dpkg-query -W -f='${Status}' sansu-drill 2>/dev/null | grep -q ' installed$'
}
for tool in lintian man; do
  command -v "$tool" >/dev/null || {
    echo "$tool is missing: scripts/install-deps.sh lintian man-db installs it" >&2
    exit 1
  }
done
if is_installed; then
  echo "sansu-drill is installed already: this check installs and removes it, so it does not run" >&2
  exit 1
fi
work="$(mktemp -d)"
chmod 755 "$work"  # apt reads the package as its own user
installed_here=""
cleanup() {
  if [ -n "$installed_here" ] && is_installed; then
    "${sudo_cmd[@]}" apt-get remove -y -qq sansu-drill >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "== cpack -G DEB"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" || {
  cat "$work/cpack.log"
  exit 1
}
debs=("$work"/deb/sansu-drill_*.deb)
if [ "${#debs[@]}" -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "expected cpack to make one sansu-drill_*.deb, found: ${debs[*]}" >&2
  exit 1
fi

deb="${debs[0]}"
version="$(dpkg-deb -f "$deb" Version)"

echo "== lintian -I --pedantic"
# Any tag fails, information included: a tag that is right to stay would be
# explained in a lintian override shipped with the package.
lintian_status=0
lintian -I --pedantic --fail-on error,warning,info,pedantic "$deb" >"$work/lintian.txt" 2>&1 || lintian_status=$?
grep -v '^running with root privileges' "$work/lintian.txt" || true
if [ "$lintian_status" -ne 0 ] || grep -q '^[EWIPX]: ' "$work/lintian.txt"; then
  echo "lintian did not pass the package (status $lintian_status)" >&2
  exit 1
fi

echo "== the package's description, manual page, changelog and copyright file"
# Each line of the extended description starts with one space: a second one
# would show the line as verbatim text.
if dpkg-deb -f "$deb" Description | tail -n +2 | grep -v '^ [^ ]'; then
  echo "the extended description lines above are not indented by one space" >&2
  exit 1
fi
contents="$(dpkg-deb -c "$deb" | awk '{ print $6 }')"
for f in ./usr/share/man/man1/sansu-drill.1.gz ./usr/share/doc/sansu-drill/changelog.gz \
         ./usr/share/doc/sansu-drill/copyright ./usr/share/sansu-drill/school-roles.sql \
         ./usr/share/sansu-drill/school-schema.sql; do
  grep -qxF "$f" <<<"$contents" || {
    echo "the package lacks ${f#.}" >&2
    exit 1
  }
done
dpkg-deb -x "$deb" "$work/unpacked"
top_entry="$(zcat "$work/unpacked/usr/share/doc/sansu-drill/changelog.gz" | head -n 1)"
[[ "$top_entry" == "sansu-drill ($version) "* ]] || {
  echo "the changelog's first entry is not for $version: $top_entry" >&2
  exit 1
}

echo "== apt-get install ${debs[0]##*/}"
installed_here=yes
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${debs[0]}"
mapfile -t files < <(dpkg -L sansu-drill | while read -r f; do [ -f "$f" ] && echo "$f"; done)
desktop-file-validate /usr/share/applications/sansu-drill.desktop
appstreamcli validate --no-net /usr/share/metainfo/org.sansudrill.SansuDrill.metainfo.xml >/dev/null
# The voice of the spoken prompts is credited, as its licence asks.
for credit in '"tohoku-f01"' 'Intelligent Communication Network (Ito-Nose) Laboratory, Tohoku University' \
              'License: CC-BY-4.0' 'Open JTalk'; do
  grep -qF "$credit" /usr/share/doc/sansu-drill/copyright || {
    echo "/usr/share/doc/sansu-drill/copyright does not credit the prompts' voice: $credit is missing" >&2
    exit 1
  }
done
# Every prompt the program plays is installed and playable, and credited by
# name: sound_check's list is the one list of them.
/usr/lib/sansu-drill/sound_check >"$work/sound_check.log" || {
  cat "$work/sound_check.log"
  exit 1
}
while read -r prompt; do
  case "$prompt" in OK.WAV | NG.WAV) continue ;; esac
  grep -qF " sounds/$prompt" /usr/share/doc/sansu-drill/copyright || {
    echo "/usr/share/doc/sansu-drill/copyright does not name the prompt $prompt" >&2
    exit 1
  }
done < <(/usr/lib/sansu-drill/sound_check --list)
# The program's own licence, where a distribution looks for it: the copyright
# file's paragraph for all files, and the metainfo's project licence.
awk '/^Files: \*$/ { all = 1; next } /^$/ { all = 0 } all && /^License: GPL-3.0-or-later$/ { found = 1 }
     END { exit !found }' /usr/share/doc/sansu-drill/copyright || {
  echo "/usr/share/doc/sansu-drill/copyright does not name GPL-3.0-or-later for Files: *" >&2
  exit 1
}
grep -qF '<project_license>GPL-3.0-or-later</project_license>' \
  /usr/share/metainfo/org.sansudrill.SansuDrill.metainfo.xml || {
  echo "the metainfo does not name the project's licence, GPL-3.0-or-later" >&2
  exit 1
}
# A school's server is reached through Qt's PostgreSQL driver.
dpkg-query -W -f='${Recommends}' sansu-drill | grep -q libqt6sql6-psql || {
  echo "the package must recommend libqt6sql6-psql" >&2
  exit 1
}
# Without Qt's translations the question's buttons would read Cancel, not キャンセル.
dpkg-query -W -f='${Depends}' sansu-drill | grep -q qt6-translations-l10n || {
  echo "the package must depend on qt6-translations-l10n" >&2
  exit 1
}

echo "== man sansu-drill"
[ "$(man -w sansu-drill)" = /usr/share/man/man1/sansu-drill.1.gz ] || {
  echo "man does not find the manual page sansu-drill(1)" >&2
  exit 1
}
page="$(MANWIDTH=80 man -l /usr/share/man/man1/sansu-drill.1.gz 2>"$work/man.err")"
if [ -s "$work/man.err" ] || ! grep -qF 'sansu-drill - arithmetic and clock-reading drills' <<<"$page" ||
   ! grep -q "^sansu-drill $version " <<<"$page"; then
  cat "$work/man.err" >&2
  echo "man -l does not show the manual page of sansu-drill $version cleanly" >&2
  exit 1
fi

echo "== the installed program's --version and --help, without a display"
mkdir "$work/watched" "$work/watched-home"
answer() {  # expected status, expected first line of stdout and stderr, arguments...
  local status=0 first
  (cd "$work/watched" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_DATA_HOME \
     HOME="$work/watched-home" LC_ALL=C.UTF-8 /usr/bin/sansu-drill "${@:3}") >"$work/answer.txt" 2>&1 || status=$?
  first="$(head -n 1 "$work/answer.txt")"
  if [ "$status" -ne "$1" ] || [ "$first" != "$2" ] || [ -n "$(find "$work/watched" "$work/watched-home" -mindepth 1)" ]; then
    echo "sansu-drill ${*:3}: expected status $1, '$2' first and no file made; got status $status, '$first' and:" >&2
    find "$work/watched" "$work/watched-home" -mindepth 1 >&2
    exit 1
  fi
}
answer 0 "sansu-drill $version" --version
answer 0 "Usage: sansu-drill [OPTION]..." --help
answer 2 "sansu-drill: unknown option '--colour'" --colour

echo "== the installed launcher, --in-data-folder"
cat >"$work/start_installed.py" <<'EOF'
import os
from sansu_e2e import DB, MENU, answer, close, fail, run_test, start, wait_exit, window


def body(build, work):
    home, folder = os.path.join(work, "home"), os.path.join(work, "start")
    os.mkdir(home)
    os.mkdir(folder)
    process, app = start(["/usr/bin/sansu-drill", "--in-data-folder"], folder, HOME=home, XDG_DATA_HOME="")
    answer(app, f"{DB}が見つかりません､新規作成しますか?", "OK")
    window(app, MENU)
    close(MENU)
    status = wait_exit(process)
    data = os.path.join(home, ".local", "share", "sansu-drill", DB)
    if status != 0 or not os.path.isfile(data) or os.listdir(folder):
        fail(f"Expected status 0, {data} made and nothing in the start folder; got status {status}, "
             f"{'the' if os.path.isfile(data) else 'no'} file and {os.listdir(folder)} in the start folder.")


run_test(body)
EOF
"$top/tests/e2e/run-e2e.sh" "$build" "$work/start_installed.py"

echo "== apt-get remove"
"${sudo_cmd[@]}" apt-get remove -y -qq sansu-drill
left=()
for f in "${files[@]}"; do
  [ -e "$f" ] && left+=("$f")
done
if is_installed || [ "${#left[@]}" -gt 0 ]; then
  echo "expected apt-get remove to take sansu-drill and its files away; left: ${left[*]}" >&2
  exit 1
fi
echo "package check passed"
