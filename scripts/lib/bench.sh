# Timing and reporting for the benchmark scripts (sourced). Times are
# wall-clock seconds from bash's EPOCHREALTIME.

# Seconds since the EPOCHREALTIME value $1, with $2 decimals (default 2).
seconds_since() {
  awk -v a="$1" -v b="$EPOCHREALTIME" -v p="${2:-2}" 'BEGIN { printf "%." p "f", b - a }'
}

# Whether the time $1 beats the best so far, $2 (empty: none yet).
beats() {
  [ -z "$2" ] || awk -v t="$1" -v b="$2" 'BEGIN { exit !(t < b) }'
}

# best_of DECIMALS COMMAND...: the best time of running the command $reps
# times (its output dropped), with DECIMALS decimals.
best_of() {
  local decimals=$1 best= t0 t
  shift
  for _ in $(seq "$reps"); do
    t0=$EPOCHREALTIME
    "$@" >/dev/null
    t=$(seconds_since "$t0" "$decimals")
    if beats "$t" "$best"; then best=$t; fi
  done
  echo "$best"
}

# $1 / $2 with two decimals.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# verdict RATIO GOAL min|max: "met" when the ratio is at least (min) or at
# most (max) the goal, else "MISSED".
verdict() {
  awk -v r="$1" -v goal="$2" -v dir="$3" 'BEGIN { ok = dir == "min" ? r >= goal : r <= goal; print ok ? "met" : "MISSED" }'
}

# FFmpeg's slide show of 13 pictures, each crossing into the next with one of
# twelve xfade transitions over T = 4.33 s, shown so that the show lasts
# SECONDS in all (13 D - 12 T = SECONDS): sets `inputs` (the input options)
# and `chain` (the filter graph, ending in [v]) for ffmpeg.
#   xfade_show SECONDS FPS PICTURE-PREFIX EXTENSION
xfade_show() {
  local seconds=$1 fps=$2 prefix=$3 ext=$4 T=4.33 D offset out last="0:v" i k
  local kinds=(wiperight wipeleft wipedown wipeup circleopen diagbr diagbl diagtl diagtr fade hlslice rectcrop)
  D=$(awk -v s="$seconds" -v t="$T" 'BEGIN { printf "%.3f", (s + 12 * t) / 13 }')
  inputs=() chain=""
  for i in $(seq -w 1 13); do inputs+=(-loop 1 -framerate "$fps" -t "$D" -i "$prefix$i.$ext"); done
  for k in $(seq 1 12); do
    offset=$(awk -v k="$k" -v d="$D" -v t="$T" 'BEGIN { printf "%.3f", k * (d - t) }')
    out="x$k"
    [ "$k" = 12 ] && out="v"
    chain+="[$last][$k:v]xfade=transition=${kinds[$((k - 1))]}:duration=$T:offset=$offset"
    [ "$k" = 12 ] && chain+=",format=yuv420p"
    chain+="[$out];"
    last=$out
  done
}

# SECONDS of stereo music, plucked notes with a tremolo, as music.mp3 in the
# current folder (made once).
#   bench_music SECONDS
bench_music() {
  [ -s music.mp3 ] && return
  sox -q -n -r 44100 -c 2 music.wav synth "$1" pluck A3 pluck E4 tremolo 3 60 gain -6
  lame --quiet -b 128 music.wav music.mp3
  rm -f music.wav
}
