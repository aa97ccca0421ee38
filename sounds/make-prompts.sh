#!/usr/bin/env bash
# Regenerates every voice prompt in this folder: the spoken words with
# espeak-ng's Japanese voice (from kana, since kanji, full-width digits and
# latin letters are misread) and the two verdict sounds with sox.
#
# Every file comes out as 22050 Hz mono 16-bit PCM WAV, trimmed of leading and
# trailing silence, padded with a few milliseconds of quiet on each side and
# normalised to -1 dBFS.
#
# Needs espeak-ng and sox; neither the build nor the program needs them.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

for tool in espeak-ng sox; do
    command -v "$tool" >/dev/null || { echo "make-prompts.sh: $tool is not installed" >&2; exit 1; }
done

# Common finishing: format, trim silence at both ends, short pad, normalise.
finish() {
    local in="$1" out="$2"
    sox "$in" -r 22050 -c 1 -b 16 -e signed-integer "$work/finish.wav" \
        silence 1 0.005 0.5% reverse silence 1 0.005 0.5% reverse \
        pad 0.02 0.04 norm -1
    mv "$work/finish.wav" "$out"
}

# speak FILE-NAME KANA
speak() {
    local name="$1" kana="$2"
    espeak-ng -v ja -s 150 -w "$work/raw.wav" "$kana"
    finish "$work/raw.wav" "$here/$name.WAV"
}

# Numbers, as they are read aloud.
numbers=(
    0 れい   1 いち   2 に     3 さん   4 よん
    5 ご     6 ろく   7 なな   8 はち   9 きゅう
    10 じゅう  11 じゅういち  12 じゅうに  13 じゅうさん  14 じゅうよん
    15 じゅうご  16 じゅうろく  17 じゅうなな  18 じゅうはち  19 じゅうきゅう
    20 にじゅう  25 にじゅうご  30 さんじゅう  35 さんじゅうご
    40 よんじゅう  45 よんじゅうご  50 ごじゅう  55 ごじゅうご
)
for ((i = 0; i < ${#numbers[@]}; i += 2)); do
    speak "${numbers[i]}" "${numbers[i + 1]}"
done

# Signs and words. The equals sign is read as the particle (written わ).
speak "＋" "たす"
speak "－" "ひく"
speak "＝" "わ"
speak "？" "いくつ"
speak "いまなんじ？" "いま なんじ"
speak "じ" "じ"
speak "ふん" "ふん"

# OK: a short bright two-note chime (G6 then C7), each note dying away.
sox -n -r 22050 -c 1 -b 16 "$work/ok1.wav" synth 0.14 sine 1567.98 fade q 0.004 0.14 0.10
sox -n -r 22050 -c 1 -b 16 "$work/ok2.wav" synth 0.42 sine 2093.00 fade q 0.004 0.42 0.38
sox "$work/ok1.wav" "$work/ok2.wav" "$work/ok.wav"
finish "$work/ok.wav" "$here/OK.WAV"

# NG: a soft low buzz, a low sawtooth with its edges filtered off.
sox -n -r 22050 -c 1 -b 16 "$work/ng.wav" synth 0.45 sawtooth 110 \
    lowpass 500 lowpass 500 fade h 0.03 0.45 0.12
finish "$work/ng.wav" "$here/NG.WAV"

echo "make-prompts.sh: wrote $(ls "$here"/*.WAV | wc -l) prompts to $here"
