#!/usr/bin/env bash
# Measures the prompts in a folder (this one, or the folder given) and fails
# when one of them would be heard wrongly:
# - a statement (every spoken prompt but the two questions) whose pitch rises
#   by more than +1.5 semitones over the last 80 ms of its voicing, and so
#   sounds asked back; a question (？, いまなんじ？) that does not rise by at
#   least +1.5 semitones there (pitch by ending.praat);
# - a prompt that starts or ends with a step: a jump of more than 64 steps of
#   the 16-bit scale from the silence before it into its first sample, or
#   from its last sample into the silence after it, which is heard as a click;
# - a verdict sound (OK.WAV, NG.WAV) more than 3 LU louder than the spoken
#   words (their median), which drowns the word played after it.
# It prints every prompt's length, ending, steps and loudness.
#
# Loudness is K-weighted (ITU-R BS.1770: the two filters at 48 kHz) and, as
# the prompts are shorter than the standard's 400 ms blocks, taken as the mean
# square over the 20 ms blocks within 25 dB of the file's loudest block, in
# LUFS (-0.691 + 10 log10 of that mean).
#
# Needs praat and sox (Debian packages praat, sox).
set -euo pipefail
export LC_ALL=C

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
folder="$(cd "${1:-$here}" && pwd)"
for tool in praat sox; do
    command -v "$tool" >/dev/null ||
        { echo "check-prompts.sh: needs $tool (sudo apt-get install $tool)" >&2; exit 1; }
done

# Limits.
rise_st=1.5   # a statement's ending may rise by no more, a question's by no less
step_lsb=64   # the largest jump into and out of the sound
over_lu=3     # how much louder than the words a verdict sound may be

# The K-weighted loudness of a file, in LUFS.
loudness() {
    # 12 dB down before the filters, which lift the highs by up to 4 dB, and
    # back up in the sum: a sound peaking near full scale would clip in them.
    sox -R "$1" -t f32 - rate 48000 gain -12 \
        biquad 1.53512485958697 -2.69169618940638 1.19839281085285 1 -1.69065929318241 0.73248077421585 \
        biquad 1 -2 1 1 -1.99004745483398 0.99007225036621 |
        od -An -v -tf4 -w4 |
        awk -v block=960 '
            { sum += $1 * $1; if (++n == block) { ms[++blocks] = sum / block; sum = 0; n = 0 } }
            END { for (i = 1; i <= blocks; i++) if (ms[i] > loudest) loudest = ms[i]
                  for (i = 1; i <= blocks; i++) if (ms[i] >= loudest * 10 ^ -2.5) { total += ms[i]; used++ }
                  printf "%.1f\n", 12 - 0.691 + 10 * log(total / used) / log(10) }'
}

# The steps at both ends of a 16-bit file. The sound starts at the first
# sample more than 8 steps of the 16-bit scale away from zero (clear of the
# dither in the padding) and ends at the last one; the step is how far that
# sample lies from the one before it (after it, at the end). A fade gives a
# step of a few steps, a sound cut off in the middle one of hundreds.
steps() {
    od -An -v -td2 -w2 -j44 "$1" |
        awk '{ x[NR] = $1 }
             END { x[0] = 0; x[NR + 1] = 0
                   for (i = 1; i <= NR && x[i] <= 8 && x[i] >= -8; i++) ;
                   for (j = NR; j >= 1 && x[j] <= 8 && x[j] >= -8; j--) ;
                   start = x[i] - x[i - 1]; end = x[j] - x[j + 1]
                   print (start < 0 ? -start : start), (end < 0 ? -end : end) }'
}

failures=0
fault() { echo "  FAIL: $*"; failures=$((failures + 1)); }
words=()
printf '%7s %7s %6s %6s %8s  %s\n' seconds ending start end loudness prompt
printf '%7s %7s %6s %6s %8s\n' s st LSB LSB LUFS
for file in "$folder"/*.WAV; do
    name="$(basename "$file" .WAV)"
    seconds="$(soxi -D "$file")"
    lufs="$(loudness "$file")"
    read -r start end < <(steps "$file")
    ending=-
    if [[ "$name" != OK && "$name" != NG ]]; then
        words+=("$lufs")
        read -r ending _ < <(praat --run "$here/ending.praat" "$file")
    fi
    printf '%7.3f %7s %6d %6d %8s  %s\n' "$seconds" "$ending" "$start" "$end" "$lufs" "$name.WAV"

    ((start <= step_lsb)) || fault "$name.WAV starts with a step of $start"
    ((end <= step_lsb)) || fault "$name.WAV ends with a step of $end"
    case "$name" in
        OK | NG) ;;
        *？)
            awk -v e="$ending" -v r="$rise_st" 'BEGIN { exit !(e != "none" && e >= r) }' ||
                fault "$name.WAV, a question, does not end rising (at least +$rise_st st)" ;;
        *)
            awk -v e="$ending" -v r="$rise_st" 'BEGIN { exit !(e != "none" && e <= r) }' ||
                fault "$name.WAV, a statement, ends rising (more than +$rise_st st)" ;;
    esac
done

((${#words[@]})) || { echo "check-prompts.sh: no spoken prompts in $folder" >&2; exit 1; }
median="$(printf '%s\n' "${words[@]}" | sort -g |
    awk '{ v[NR] = $1 } END { printf "%.1f\n", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')"
echo "spoken words: median loudness $median LUFS"
for name in OK NG; do
    [[ -f "$folder/$name.WAV" ]] || continue
    above="$(awk -v l="$(loudness "$folder/$name.WAV")" -v m="$median" 'BEGIN { printf "%+.1f", l - m }')"
    echo "$name.WAV: $above LU against the words"
    awk -v a="$above" -v o="$over_lu" 'BEGIN { exit !(a <= o) }' ||
        fault "$name.WAV is more than $over_lu LU louder than the words"
done

if ((failures)); then
    echo "check-prompts.sh: $failures fault(s) in $folder" >&2
    exit 1
fi
echo "check-prompts.sh: every prompt in $folder is right"
