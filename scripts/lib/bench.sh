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
