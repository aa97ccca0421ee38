#!/usr/bin/env bash
# Makes the README's screenshots: the real program under Xvfb, driven with
# xdotool, each window captured with ImageMagick's import.
# Usage: scripts/screenshots.sh [build-dir]   (writes docs/screenshots/*.png)
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$top/build}" && pwd)"
out="$top/docs/screenshots"
"$top/scripts/install-deps.sh" imagemagick
mkdir -p "$out"

work="$(mktemp -d)"
trap 'kill "${app_pid:-0}" "${xvfb_pid:-0}" 2>/dev/null || true; rm -rf "$work"' EXIT

# A record file with a few results, so the score window has something to list,
# and four weeks of たしざん１０ before them (some days without practice, the
# scores slowly rising), so the chart has a month to show.
today="$(date +%Y/%m/%d)"
yesterday="$(date -d yesterday +%Y/%m/%d)"
month=""
for d in $(seq 28 -1 2); do
  [ $((d % 4)) -eq 3 ] && continue
  day="$(date -d "$d days ago" +%Y/%m/%d)"
  for s in $(seq 0 $(((d * 5) % 3))); do
    time="$((8 + (d * 3 + s * 5) % 12)):$(printf '%02d:%02d' $(((d * 17 + s * 23) % 60)) $(((d * 13 + s * 29) % 60)))"
    month+="INSERT INTO LOG ( 日時,科目,得点 ) VALUES ( '$day $time','たしざん１０','$((9 - d / 4 + (d * 7 + s * 11) % 5))' );"$'\n'
  done
done
sqlite3 "$work/ADO_ZEM.MDB" <<SQL
CREATE TABLE ENV ( SET_LOG TEXT ) ;
CREATE TABLE LOG ( 日時 TEXT,科目 TEXT,得点 TEXT ) ;
INSERT INTO ENV ( SET_LOG ) VALUES ( '90' );
$month
INSERT INTO LOG ( 日時,科目,得点 ) VALUES ( '$yesterday 9:05:03','たしざん１０','7' );
INSERT INTO LOG ( 日時,科目,得点 ) VALUES ( '$yesterday 15:20:41','たしざん１０','12' );
INSERT INTO LOG ( 日時,科目,得点 ) VALUES ( '$today 10:02:17','たしざん１０','9' );
INSERT INTO LOG ( 日時,科目,得点 ) VALUES ( '$today 16:45:00','とけい','5' );
SQL

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

export SDL_AUDIODRIVER=dummy
(cd "$work" && exec "$build/sansu-drill") &
app_pid=$!

wait_window() { # name -> window id
  local id=""
  for _ in $(seq 100); do
    id="$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1 || true)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "window '$1' did not appear" >&2
  return 1
}
click() { # window x y (pixels in the window)
  xdotool mousemove --window "$1" "$2" "$3" click 1
}
shot() { # window file
  sleep "${3:-0.5}"
  import -window "$1" "$out/$2"
  echo "wrote docs/screenshots/$2"
}

menu="$(wait_window "さんすうドリル V20010427")"
shot "$menu" menu.png
xdotool windowmove "$menu" 1000 700
# たしざん１０ is the top-left button (360, 360 twips), とけい below (360, 2880), 得点 at (2040, 2880).
click "$menu" 60 45
drill="$(wait_window "たしざん１０")"
shot "$drill" drill-tashizan10.png 3
# Without a window manager every window opens centred on the menu: move it aside.
xdotool windowmove "$drill" 0 0
click "$menu" 60 215
clock="$(wait_window "とけい")"
shot "$clock" clock.png 3
xdotool windowmove "$clock" 0 0
click "$menu" 180 215
scores="$(wait_window "得点")"
shot "$scores" scores.png 1

# The progress chart, as the desktop menu's action opens it, on the same file.
kill "$app_pid"
wait "$app_pid" 2>/dev/null || true
(cd "$work" && exec "$build/sansu-drill" --chart) &
app_pid=$!
chart="$(wait_window "成績のグラフ")"
shot "$chart" chart.png 1

# The family's windows, the picker and the parents' corner, from the
# end-to-end run of two children, which can answer the parents' check.
kill "$app_pid"
wait "$app_pid" 2>/dev/null || true
SANSU_SCREENSHOTS="$out" "$top/tests/e2e/run-e2e.sh" "$build" "$top/tests/e2e/test_family.py" >"$work/family.log" 2>&1 ||
  { cat "$work/family.log"; exit 1; }
echo "wrote docs/screenshots/picker.png"
echo "wrote docs/screenshots/menu-child.png"
echo "wrote docs/screenshots/parents.png"

# A school's own PC, its class's picker filled from the roster it keeps (the
# school's server is not there: the picker does not wait for it).
school="$work/school"
mkdir -p "$school/.config/sansu-drill" "$school/.local/share/sansu-drill"
printf 'service=school\nmode=classroom\n' >"$school/.config/sansu-drill/school.conf"
python3 - "$school/.local/share/sansu-drill/roster.json" <<'PY'
import json, sys, uuid
family = ["すずき", "さとう", "やまだ", "いとう", "わたなべ", "なかむら", "こばやし", "たなか"]
given = ["はなこ", "たろう", "ゆい", "そうた", "さくら", "はると", "ひまり", "れん"]
pupils = [{"id": str(uuid.uuid4()), "name": f"{family[n % 8]}\u3000{given[(n * 3) % 8]}", "number": n,
           "left": False, "keptDays": 90, "retryMissed": True} for n in range(1, 36)]
json.dump({"fetched": "", "classes": [{"id": "1-1", "name": "1年1組", "pupils": pupils}]},
          open(sys.argv[1], "w"), ensure_ascii=False)
PY
(cd "$school" && HOME="$school" XDG_CONFIG_HOME="$school/.config" PGSERVICEFILE=/dev/null \
   exec "$build/sansu-drill" --in-data-folder) &
app_pid=$!
picker="$(wait_window "だれが れんしゅうする？")"
shot "$picker" class-picker.png 1
kill "$app_pid"
wait "$app_pid" 2>/dev/null || true

# The teacher's view, on a throw-away school server of its own.
"$top/scripts/install-deps.sh" postgresql postgresql-common
pg_virtualenv -t "$top/scripts/teacher-screenshot.sh" "$build" "$out"
