#!/usr/bin/env bash
# Makes docs/screenshots/teacher.png: the teacher's view of a class of a
# throw-away school server, filled with four weeks of sittings. Run by
# scripts/screenshots.sh under pg_virtualenv (PGHOST, PGPORT, PGUSER and
# PGPASSWORD name its server) with DISPLAY set.
# Usage: scripts/teacher-screenshot.sh build-dir out-dir
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$1"
out="$2"
work="$(mktemp -d)"
trap 'kill "${app_pid:-0}" 2>/dev/null || true; dropdb --if-exists sansu_shot; psql -q -d postgres -c "DROP ROLE IF EXISTS shot_pc01, shot_pc02, shot_teacher" || true; rm -rf "$work"' EXIT

createdb sansu_shot
psql -q -d sansu_shot -v ON_ERROR_STOP=1 -f "$top/sql/school-roles.sql" -f "$top/sql/school-schema.sql"
# Twelve pupils, two PCs (the second with its clock an hour fast), and four
# weeks of school days of sittings up to now, the scores slowly rising; one
# pupil whose last three たしざん２０ fell, one who has not practised for
# eight days, and one who left.
psql -q -d sansu_shot -v ON_ERROR_STOP=1 <<'SQL'
INSERT INTO sansu.classes VALUES ('2026-1-1', '1年1組');
CREATE ROLE shot_pc01 LOGIN PASSWORD 'pc' IN ROLE sansu_pc;
CREATE ROLE shot_pc02 LOGIN PASSWORD 'pc' IN ROLE sansu_pc;
CREATE ROLE shot_teacher LOGIN PASSWORD 'teacher-secret' IN ROLE sansu_teacher;
INSERT INTO sansu.class_pcs VALUES ('shot_pc01', '2026-1-1'), ('shot_pc02', '2026-1-1');
INSERT INTO sansu.class_teachers VALUES ('shot_teacher', '2026-1-1');
INSERT INTO sansu.pupils (pupil_id, class_id, name_kana, name_kanji)
SELECT md5('p' || n)::uuid, '2026-1-1', name, kanji
FROM unnest(ARRAY['あおき　けん', 'いとう　はな', 'うえだ　そら', 'えんどう　りく', 'おかだ　ゆい', 'かとう　めい',
                  'きむら　たろう', 'くどう　さくら', 'こばやし　れん', 'さとう　ひな', 'しみず　はると', 'すずき　あおい'],
            ARRAY['青木　健', '伊藤　花', '上田　空', '遠藤　陸', '岡田　結衣', '加藤　芽衣', '木村　太郎', '工藤　さくら',
                  '小林　蓮', '佐藤　陽菜', '清水　陽翔', '鈴木　葵']) WITH ORDINALITY AS t(name, kanji, n);
INSERT INTO sansu.roster SELECT '2026-1-1', md5('p' || n)::uuid, n, n = 12 FROM generate_series(1, 12) AS n;
INSERT INTO sansu.class_settings VALUES ('2026-1-1', 90, true);
WITH days AS (
    SELECT d::date AS day FROM generate_series(current_date - 27, current_date, interval '1 day') AS d
    WHERE extract(isodow FROM d) < 6
), sittings AS (
    SELECT n, day, k, drill,
           least(10, 3 + (28 - (current_date - day)) / 5 + abs(hashtext(n || '/' || day || '/' || k)) % 4) AS score,
           (day + time '08:40' + (n * 7 + k * 23) * interval '1 minute') AT TIME ZONE 'Asia/Tokyo' AS at
    FROM generate_series(1, 12) AS n, days, generate_series(1, 2) AS k,
         LATERAL (SELECT (ARRAY['たしざん１０', 'たして１０', 'たしざん２０', 'ひきざん１０', 'ひいて１０', 'ひきざん２０',
                                'とけい'])[1 + abs(hashtext(n || '/' || day || ':' || k)) % 7] AS drill) AS d
    WHERE abs(hashtext(n || ':' || day)) % 5 <> 0 AND NOT (n = 5 AND day > current_date - 8) AND n <> 12
          AND NOT (n = 3 AND day = current_date)
)
INSERT INTO sansu.results (result_id, pupil_id, class_id, drill, score, log_date, made_at, made_utc_offset_min, pc_id,
                           pc_name, pc_seq, pc_clock_at_send, received_at)
SELECT md5('r' || n || day || k)::uuid, md5('p' || n)::uuid, '2026-1-1', drill, score::text, '', at + pc * interval '1 hour',
       540, md5('pc' || pc)::uuid, 'room11-pc0' || (pc + 1), n * 1000 + k, at + interval '1 minute' + pc * interval '1 hour',
       at + interval '1 minute'
FROM sittings, LATERAL (SELECT n % 2 AS pc) AS p
WHERE at < now();
-- Falling たしざん２０ for うえだ そら.
INSERT INTO sansu.results (result_id, pupil_id, class_id, drill, score, log_date, made_at, made_utc_offset_min, pc_id,
                           pc_name, pc_seq, pc_clock_at_send, received_at)
SELECT gen_random_uuid(), md5('p3')::uuid, '2026-1-1', 'たしざん２０', s::text, '', now() - (4 - i) * interval '1 day', 540,
       md5('pc0')::uuid, 'room11-pc01', 9000 + i, now() - (4 - i) * interval '1 day', now() - (4 - i) * interval '1 day'
FROM unnest(ARRAY[9, 7, 6]) WITH ORDINALITY AS t(s, i);
SQL

cat >"$work/pg_service.conf" <<EOF2
[school]
host=$PGHOST
port=$PGPORT
dbname=sansu_shot
user=shot_pc01
EOF2
mkdir -p "$work/config/sansu-drill"
printf 'service=school\nclass=2026-1-1\n' >"$work/config/sansu-drill/school.conf"

env -u PGHOST -u PGPORT -u PGUSER -u PGPASSWORD -u PGDATABASE PGSERVICEFILE="$work/pg_service.conf" \
    XDG_CONFIG_HOME="$work/config" SDL_AUDIODRIVER=dummy "$build/sansu-drill" --class &
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

login="$(wait_window "先生のログイン")"
sleep 0.5
xdotool windowfocus --sync "$login" type --delay 20 "shot_teacher"
xdotool key --window "$login" Tab
xdotool type --delay 20 "teacher-secret"
xdotool key --window "$login" Return
view="$(wait_window "クラスのようす")"
sleep 2
import -window "$view" "$out/teacher.png"
echo "wrote docs/screenshots/teacher.png"
