#!/usr/bin/env bash
# Regenerates every voice prompt in this folder: the spoken words with the
# Open JTalk synthesiser and the HTS voice "tohoku-f01" (happy style, kept in
# voice/ with its licence), and the two verdict sounds with sox.
#
# Every file comes out as 22050 Hz mono 16-bit PCM WAV, trimmed of leading and
# trailing silence, faded in and out to silence and padded with a few
# milliseconds of quiet on each side. The spoken prompts are matched in
# loudness: each is brought to the same RMS level of its voiced part (see
# voiced_level), so that no word of an equation sounds louder than the next.
# The verdict sounds are set near the loudness of the words (see finish).
# check-prompts.sh measures the finished files: the intonation at the end of
# every word, the steps at their ends, the loudness of the verdict sounds.
#
# Running it again gives the same files byte for byte.
#
# Needs open_jtalk with its dictionary, and sox:
#     sudo apt-get install open-jtalk open-jtalk-mecab-naist-jdic sox
# Neither the build nor the program needs them.
set -euo pipefail
# awk must print decimal points, whatever the caller's locale.
export LC_ALL=C

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
voice="$here/voice/tohoku-f01-happy.htsvoice"
dictionary="${OPEN_JTALK_DIC:-/var/lib/mecab/dic/open-jtalk/naist-jdic}"

missing=()
command -v open_jtalk >/dev/null || missing+=(open-jtalk)
[[ -f "$dictionary/sys.dic" ]] || missing+=(open-jtalk-mecab-naist-jdic)
command -v sox >/dev/null || missing+=(sox)
if ((${#missing[@]})); then
    echo "make-prompts.sh: missing Debian packages: ${missing[*]}" >&2
    echo "install them with: sudo apt-get install ${missing[*]}" >&2
    echo "(or set OPEN_JTALK_DIC to an Open JTalk dictionary folder elsewhere)" >&2
    exit 1
fi
[[ -f "$voice" ]] || { echo "make-prompts.sh: the voice file $voice is missing" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() { echo "make-prompts.sh: $*" >&2; exit 1; }

# sox in its repeatable mode: the dither it adds when it writes 16-bit samples
# then draws the same numbers on every run, so the files are the same each time.
sox() { command sox -R "$@"; }

# The 16-bit samples of a WAV file with the plain 44-byte header (as sox and
# open_jtalk write 16-bit PCM), one a line.
samples() { od -An -v -td2 -w2 -j44 "$1"; }

# ---------------------------------------------------------------------------
# Spoken prompts.

# Loudness of every spoken prompt: the RMS of its voiced part, in dBFS. -17 is
# the loudest round level at which the peakiest word (は, whose peak stands
# 15 dB above its voiced RMS) still stays a dB under the ceiling below by plain
# gain, without a limiter. The espeak-ng prompts made before ranged from -12
# to -18 on this measure, -15 on average.
target_db=-17
# No sample of a spoken prompt may be louder than this (dBFS): a little room
# for the peaks between samples when the player resamples.
ceiling_db=-1
# The longest a spoken prompt may be, in seconds: every word of an equation is
# played one after another.
longest=1.2

# voiced_level: reads samples (floating-point, full scale 1) one a line and
# prints the RMS level in dBFS of the voiced part: the 10 ms frames that are
# both voiced sound (fewer than one zero crossing in four samples, where the
# hiss of s, ts, ch and h crosses far more often) and no more than 25 dB below
# the loudest frame (not the quiet onsets, tails, closures and padding). The
# hiss and the quiet parts differ much from word to word; the vowels carry
# the loudness that is heard.
voiced_level() {
    awk -v frame=220 '
        { x = $1; energy += x * x
          if (n > 0 && (x >= 0) != (previous >= 0)) crossings++
          previous = x
          if (++n == frame) { e[++frames] = energy / frame; z[frames] = crossings / frame
                              energy = 0; crossings = 0; n = 0 } }
        END { for (i = 1; i <= frames; i++) if (e[i] > loudest) loudest = e[i]
              for (i = 1; i <= frames; i++)
                  if (z[i] < 0.25 && e[i] >= loudest * 10 ^ -2.5) { sum += e[i]; voiced++ }
              if (!voiced) exit 1
              printf "%.2f\n", 10 * log(sum / voiced) / log(10) }'
}

# The phonemes Open JTalk spoke, from its trace: one a line, each with the
# times it starts and ends in the synthesiser's output (in seconds), without
# the silence at both ends. A pause inside shows as "pau".
phonemes_of() {
    awk '/^\[Output label\]/ { on = 1; next }
         on && /^$/ { exit }
         on { sub(/^[^-]*-/, "", $3); sub(/\+.*/, "", $3)
              if ($3 != "sil") printf "%s %.7f %.7f\n", $3, $1 / 1e7, $2 / 1e7 }' "$1"
}

# speak FILE-NAME TEXT SPEED PHONEMES
# Synthesises TEXT at SPEED (1 is the voice's own pace), checks that Open
# JTalk read it as PHONEMES, then converts, trims and levels it. When a part
# of PHONEMES stands in brackets, only that part is kept: the word is cut out
# of the phrase at the phoneme times of the trace (see the list of prompts for
# why some words are said inside a longer phrase).
speak() {
    local name="$1" text="$2" speed="$3" expected="$4" heard cut level gain
    # -g -6: headroom, since a few short words reach full scale at the
    # synthesiser's own level and would be clipped in its 16-bit output.
    printf '%s\n' "$text" | open_jtalk -x "$dictionary" -m "$voice" -r "$speed" -g -6 \
        -ow "$work/raw.wav" -ot "$work/trace.txt"
    phonemes_of "$work/trace.txt" >"$work/phonemes.txt"
    heard="$(awk '{ printf "%s%s", (NR > 1 ? " " : ""), $1 }' "$work/phonemes.txt")"
    [[ "$heard" == "$(tr -d '[]' <<<"$expected")" ]] ||
        fail "$name.WAV: Open JTalk read \"$text\" as \"$heard\", not \"$expected\""
    samples "$work/raw.wav" | awk '$1 >= 32767 || $1 <= -32768 { exit 1 }' ||
        fail "$name.WAV: the synthesiser's output is clipped"

    # The part to keep: sox trim's start and end, from the first bracketed
    # phoneme's start to the last one's end; the whole output without brackets.
    cut=(0)
    if [[ "$expected" == *"["* ]]; then
        read -ra cut < <(awk -v first="$(sed 's/\[.*//' <<<"$expected" | wc -w)" \
                             -v kept="$(sed 's/.*\[//; s/\].*//' <<<"$expected" | wc -w)" '
            NR == first + 1 { start = $2 }
            NR == first + kept { print start, "=" $3 }' "$work/phonemes.txt")
        ((${#cut[@]} == 2)) || fail "$name.WAV: the brackets in \"$expected\" mark no phonemes"
    fi

    # Cut, resampled and trimmed of silence in floating point; normalised
    # first, so that the trimming threshold lies equally deep under every
    # word's peak. The fades come after the trim, so that every word starts and
    # ends at silence (a cut word would otherwise start or end with a step): a
    # short fade-in that leaves the onset sharp, a longer fade-out over the
    # last of the vowel.
    sox "$work/raw.wav" -e floating-point -b 32 "$work/trimmed.wav" trim "${cut[@]}" \
        rate 22050 norm -1 silence 1 0.005 0.5% reverse silence 1 0.005 0.5% reverse
    sox "$work/trimmed.wav" "$work/word.wav" fade h 0.005 -0 0.025 pad 0.02 0.04
    level="$(sox "$work/word.wav" -t f32 - | od -An -v -tf4 -w4 | voiced_level)" ||
        fail "$name.WAV: no voiced part found"
    gain="$(awk -v t="$target_db" -v l="$level" 'BEGIN { printf "%.2f", t - l }')"
    sox "$work/word.wav" -b 16 -e signed-integer "$work/out.wav" gain "$gain"

    # The finished file: length, peak and loudness.
    samples "$work/out.wav" >"$work/final.txt"
    awk -v name="$name.WAV" -v longest="$longest" -v ceiling="$ceiling_db" '
        { x = $1 < 0 ? -$1 : $1; if (x > peak) peak = x; n++ }
        END { seconds = n / 22050; peak_db = 20 * log(peak / 32768) / log(10)
              printf "%.3f s  peak %6.2f dBFS", seconds, peak_db
              if (seconds > longest) { printf "  %s longer than %s s\n", name, longest; exit 1 }
              if (peak_db > ceiling) { printf "  %s peak above %s dBFS\n", name, ceiling; exit 1 } }' \
        "$work/final.txt" || fail "$name.WAV does not meet its limits"
    printf '  voiced %6.2f dBFS  %s  (%s: %s)\n' \
        "$(awk '{ print $1 / 32768 }' "$work/final.txt" | voiced_level)" "$name.WAV" "$text" "$expected"
    mv "$work/out.wav" "$here/$name.WAV"
}

# Each prompt is named with the phonemes it must come out as (from Open JTalk's
# trace; a long vowel shows as the vowel twice, じゅう as "j u u"), so that a
# different reading or a pause stops the run instead of ending up in a file.
#
# The common pace is a little slower than the voice's own, for children.
# Single-mora words are spoken more slowly still: at the common pace they last
# under a fifth of a second and sound cut off.
pace=0.9
slow=0.7

# Every word but the question is a statement and must end level or falling.
# Said alone, this voice ends a word on the peak of its accent when the accent
# falls on the last mora (it puts the peak at the end of the accented mora and
# falls only on the next one), so such a word sounds asked back: に, なな,
# じゅうに, じゅうなな, じゅういち, じゅうはち and the particle わ. Those are
# said another way:
# - in the lengthened form of counting aloud, whose long last mora falls:
#   ニー, ジューニー; or written in katakana, which Open JTalk reads with the
#   accent on the mora before the last (ジューハチ, ジューイチ); いち in
#   hiragana takes its accent on the first mora;
# - or said inside a phrase that goes on after them, where the next mora
#   brings the fall, and cut out of it at the phoneme times of the trace:
#   なな and じゅうなな before たす, わ between two numbers as in an equation
#   (よん は なな).
# Other spellings (2, に, ニ, 二), a slower pace or a phrase that ends with
# the word (2です) leave the rise as it is.

# Numbers, as a first-year class reads them. Digits give Open JTalk's number
# readings (and their accents); 0 is written レイ, as the digit reads ゼロ.
speak 0  "レイ" "$pace" "r e i"
speak 1  "いち" "$pace" "i ch i"
speak 2  "ニー" "$pace" "n i i"
speak 3  "3"  "$pace" "s a N"
speak 4  "4"  "$pace" "y o N"
speak 5  "5"  "$slow" "g o"
speak 6  "6"  "$pace" "r o k u"
speak 7  "7たす" "$pace" "[n a n a] t a s u"
speak 8  "8"  "$pace" "h a ch i"
speak 9  "9"  "$pace" "ky u u"
speak 10 "10" "$pace" "j u u"
speak 11 "ジューイチ" "$pace" "j u u i ch i"
speak 12 "ジューニー" "$pace" "j u u n i i"
speak 13 "13" "$pace" "j u u s a N"
speak 14 "14" "$pace" "j u u y o N"
speak 15 "15" "$pace" "j u u g o"
speak 16 "16" "$pace" "j u u r o k u"
speak 17 "17たす" "$pace" "[j u u n a n a] t a s u"
speak 18 "ジューハチ" "$pace" "j u u h a ch i"
speak 19 "19" "$pace" "j u u ky u u"
speak 20 "20" "$pace" "n i j u u"

# Signs and words. The equals sign is read as the topic particle は ("wa"),
# cut out of よん は なな; ひく and いくつ keep the i and u between voiceless
# consonants voiceless (I, U), as they are spoken. The two questions end with
# a question mark, which gives them the question's rise; いまなんじ？ is one
# phrase without a pause (written without a space, as a space makes a pause).
speak "＋" "たす" "$pace" "t a s u"
speak "－" "ひく" "$pace" "h I k u"
speak "＝" "4は7" "$slow" "y o N [w a] n a n a"
speak "？" "いくつ？" "$pace" "i k U ts u"
speak "いまなんじ？" "いまなんじ？" "$pace" "i m a n a N j i"

# The clock's time words, each a whole word as a first-year class reads it:
# the hour with its counter じ, the minute with its counter ふん or ぷん. They
# are written in kanji, 4時 and 10分, where the dictionary knows the counter
# readings: よじ, くじ, しちじ, じゅっぷん. A time is never pieced together from
# a number and a counter said apart, which would give よんじ or じゅうふん. 0分
# reads ぜろふん, so the full hour's minute is written レイフン. Each of these
# words ends falling said alone, as check-prompts.sh measures.
for hour in 1 2 3 4 5 6 7 8 9 10 11 12; do
    case $hour in
        1) said="i ch i j i" ;;        2) said="n i j i" ;;
        3) said="s a N j i" ;;         4) said="y o j i" ;;
        5) said="g o j i" ;;           6) said="r o k u j i" ;;
        7) said="sh I ch i j i" ;;     8) said="h a ch i j i" ;;
        9) said="k u j i" ;;           10) said="j u u j i" ;;
        11) said="j u u i ch i j i" ;; 12) said="j u u n i j i" ;;
    esac
    speak "${hour}じ" "${hour}時" "$pace" "$said"
done
speak "0ふん" "レイフン" "$pace" "r e i f u N"
speak "5ふん" "5分" "$pace" "g o f u N"
speak "10ぷん" "10分" "$pace" "j u cl p u N"
speak "15ふん" "15分" "$pace" "j u u g o f u N"
speak "20ぷん" "20分" "$pace" "n i j u cl p u N"
speak "25ふん" "25分" "$pace" "n i j u u g o f u N"
speak "30ぷん" "30分" "$pace" "s a N j u cl p u N"
speak "35ふん" "35分" "$pace" "s a N j u u g o f u N"
speak "40ぷん" "40分" "$pace" "y o N j u cl p u N"
speak "45ふん" "45分" "$pace" "y o N j u u g o f u N"
speak "50ぷん" "50分" "$pace" "g o j u cl p u N"
speak "55ふん" "55分" "$pace" "g o j u u g o f u N"

# ---------------------------------------------------------------------------
# Verdict sounds.

# finish IN NAME PEAK: the common finishing of the two. The sound is trimmed of
# the quiet ends of its own fades and then faded in and out again, so that it
# starts and ends at silence rather than with a step; padded like the words;
# and brought to a peak of PEAK dBFS. The peaks put the chime and the buzz at
# about the loudness of the spoken words (K-weighted, as check-prompts.sh
# measures it; see README.md): a chime much louder than the word after it
# drowns the word.
finish() {
    local in="$1" name="$2" peak="$3"
    sox "$in" -e floating-point -b 32 "$work/trimmed.wav" norm -1 \
        silence 1 0.005 0.5% reverse silence 1 0.005 0.5% reverse
    sox "$work/trimmed.wav" -b 16 -e signed-integer "$work/finish.wav" \
        fade h 0.005 -0 0.02 pad 0.02 0.04 norm "$peak"
    mv "$work/finish.wav" "$here/$name"
    echo "$name: peak $peak dBFS"
}

# OK: a short bright two-note chime (G6 then C7), each note dying away.
sox -n -r 22050 -c 1 -e floating-point -b 32 "$work/ok1.wav" synth 0.14 sine 1567.98 fade q 0.004 0.14 0.10
sox -n -r 22050 -c 1 -e floating-point -b 32 "$work/ok2.wav" synth 0.42 sine 2093.00 fade q 0.004 0.42 0.38
sox "$work/ok1.wav" "$work/ok2.wav" "$work/ok.wav"
finish "$work/ok.wav" OK.WAV -13

# NG: a soft low buzz, a low sawtooth with its edges filtered off.
sox -n -r 22050 -c 1 -e floating-point -b 32 "$work/ng.wav" synth 0.45 sawtooth 110 \
    lowpass 500 lowpass 500 fade h 0.03 0.45 0.12
finish "$work/ng.wav" NG.WAV -9

echo "make-prompts.sh: wrote $(ls "$here"/*.WAV | wc -l) prompts to $here"
