# ending.praat FILE: prints how the pitch of a spoken prompt moves over the
# last 80 ms of its voicing, in semitones, and the number of pitch frames that
# measure rests on; "none" when the file holds too little voicing to tell.
#
# Pitch: Praat's autocorrelation tracker, a frame every 5 ms, 100-700 Hz (the
# range of the voice the prompts are made with, which speaks at 220-500 Hz).
# Only the frames within 25 dB of the loudest 20 ms of the file count, so that
# the quiet breathy ends and the padding do not. The movement is the slope of
# a straight line fitted through those frames' pitch (in semitones) over the
# last 80 ms before the last of them, times 80 ms: one wavering frame moves it
# little.
form Ending
    sentence file
endform

sound = Read from file: file$
pitch = To Pitch (ac): 0.005, 100, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, 700
frames = Get number of frames
time# = zero# (frames)
hertz# = zero# (frames)
energy# = zero# (frames)
for i to frames
    selectObject: pitch
    time# [i] = Get time from frame number: i
    hertz# [i] = Get value in frame: i, "Hertz"
    selectObject: sound
    energy# [i] = Get energy: time# [i] - 0.01, time# [i] + 0.01
endfor

# The frames that count: voiced, and loud enough.
loudest = max (energy#)
last = 0
for i to frames
    if hertz# [i] <> undefined and energy# [i] >= loudest * 10 ^ (-25 / 10)
        last = i
    endif
endfor

n = 0
sx = 0
sy = 0
sxx = 0
sxy = 0
if last > 0
    for i to last
        if hertz# [i] <> undefined and energy# [i] >= loudest * 10 ^ (-25 / 10) and time# [i] >= time# [last] - 0.08
            x = time# [i] - time# [last]
            y = 12 * log2 (hertz# [i])
            n += 1
            sx += x
            sy += y
            sxx += x * x
            sxy += x * y
        endif
    endfor
endif
if n < 5
    writeInfoLine: "none"
else
    slope = (n * sxy - sx * sy) / (n * sxx - sx * sx)
    writeInfoLine: fixed$ (slope * 0.08, 2), " ", n
endif
