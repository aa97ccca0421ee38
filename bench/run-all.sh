#!/bin/sh
# Runs every benchmark of a build folder (builds nothing) and prints all
# figures, with the machine they were measured on.
#
#   bench/run-all.sh BUILD_DIR [--quick]
#
# The windowed benchmarks need an X server: without DISPLAY the whole run is
# started again under xvfb-run. Sound goes to SDL's dummy driver unless
# SDL_AUDIODRIVER says otherwise, except where a benchmark times the first
# samples reaching the driver: bench_click_latency and bench_sound_latency use
# SDL's disk driver (into a temporary file) for that themselves. --quick runs
# fewer repetitions and smaller tables (for trying the script, not for figures
# to keep). The school server's benchmarks run against a throw-away PostgreSQL
# server that pg_virtualenv starts (packages postgresql and postgresql-common).
set -eu

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
    echo "usage: $0 BUILD_DIR [--quick]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
quick=${2:-}

if [ -z "${DISPLAY:-}" ]; then
    if ! command -v xvfb-run >/dev/null 2>&1; then
        echo "$0: no DISPLAY and no xvfb-run" >&2
        exit 2
    fi
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" $quick
fi

export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
export LC_ALL="${LC_ALL:-C.UTF-8}"

for program in bench_startup bench_windows_memory bench_click_latency bench_purge bench_scores bench_chart \
               bench_sound_latency bench_clock_frm_dsp bare_window sansu-drill bench_school bench_teacher; do
    if [ ! -x "$build/$program" ]; then
        echo "$0: $build/$program is missing; build the project first" >&2
        exit 2
    fi
done

if [ "$quick" = "--quick" ]; then
    startup="3 20000"; memory=1; clicks=5; purge=5; scores="2000 10000 2"; chart="2000 10000 2"; spans="2000 2"
    plays=5; school="20000 20 100 50"; teacher="3 40 50"
else
    startup="11 1000000"; memory=5; clicks=30; purge=7; scores=""; chart=""; spans=""; plays=25; school=""; teacher=""
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0

# Runs one benchmark; its warnings are kept back unless it fails.
run() {
    title=$1
    shift
    printf '\n== %s\n' "$title"
    if ! "$@" 2>"$log"; then
        echo "FAILED: $*"
        cat "$log"
        status=1
    fi
}

echo "sansu-drill benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) CPUs (nproc), $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)," \
     "$(awk '/MemTotal/ { printf "%.1f GB RAM", $2 / 1048576 }' /proc/meminfo), $(uname -sr)"
echo "display $DISPLAY, audio driver $SDL_AUDIODRIVER (first samples: SDL's disk driver)"

# shellcheck disable=SC2086
run "start-up time and memory against a bare Qt window" "$build/bench_startup" $startup
run "peak memory with all windows open" "$build/bench_windows_memory" $memory
run "click on the right tile to the OK chime" "$build/bench_click_latency" $clicks
run "start-up purge of half of 1,000,000 rows" "$build/bench_purge" $purge
# shellcheck disable=SC2086
run "score window beside the engine's floor on a large results table" "$build/bench_scores" $scores
# shellcheck disable=SC2086
run "progress chart beside the engine's floor on a large results table" "$build/bench_chart" $chart
# shellcheck disable=SC2086
run "progress chart against the span of its dates" "$build/bench_chart" --spans $spans
run "sound device: play() to first samples" "$build/bench_sound_latency" $plays
run "clock: setting one question" "$build/bench_clock_frm_dsp"
# shellcheck disable=SC2086
run "school server: sending, a sitting's close, a school's morning" pg_virtualenv -t "$build/bench_school" $school
# shellcheck disable=SC2086
run "teacher's view of a class beside psql on the same statements" pg_virtualenv -t "$build/bench_teacher" $teacher
exit $status
