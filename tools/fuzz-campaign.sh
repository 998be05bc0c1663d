#!/usr/bin/env bash
# Runs the fuzzing campaign over the libFuzzer harnesses of a -DJIB_FUZZ=ON build; called
# by `tools/dev.sh fuzz` and `tools/dev.sh fuzz-merge`, which build them first.
#
#   tools/fuzz-campaign.sh run   <build dir> [harness...]
#   tools/fuzz-campaign.sh merge <build dir> [harness...]
#   tools/fuzz-campaign.sh speed <build dir> [harness...]
#   tools/fuzz-campaign.sh summary <build dir> [harness...]
#
# run: fuzzes each harness (all of them by default) with FUZZ_JOBS processes sharing one
#   corpus, until the harness's campaign has FUZZ_RUNS executions in all, or for
#   FUZZ_SECONDS when FUZZ_RUNS is not set. Everything a campaign keeps lives in
#   FUZZ_DIR/<harness>/ (default <build dir>/campaign): the corpus (seeded from the
#   committed corpus and crashers), the findings (crash-*, timeout-*, oom-*, leak-*), the
#   executions so far and the last round's logs. A campaign cut short goes on where it
#   stopped when run again. A round that finds something ends that harness's campaign
#   until the finding is fixed. Prints one table row per harness (also written to
#   FUZZ_DIR/summary.md): executions, corpus files, coverage edges of the corpus,
#   findings.
# merge: adds to tests/fuzz/corpus/<harness>/ the campaign inputs that reach code (edges)
#   the committed corpus does not (libFuzzer -merge=1), to be committed so CI replays them.
# summary: the table of the campaign so far, fuzzing nothing.
# speed: the executions a second of each harness on one core: one process runs
#   FUZZ_SPEED_RUNS executions (100000) over the campaign's corpus (the committed one where
#   there is none yet), counted against its CPU time (user and system), so that other work
#   on the machine changes the figure little. Nothing it finds is kept.
#
#   FUZZ_RUNS     executions per harness over the whole campaign (e.g. 10000000)
#   FUZZ_SECONDS  seconds per harness and invocation when FUZZ_RUNS is not set (60)
#   FUZZ_JOBS     fuzzing processes per harness (the number of cores)
#   FUZZ_DIR      where the campaign is kept (<build dir>/campaign)
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:?run, merge, summary or speed}
build=${2:?build directory}
shift 2
manifest=$build/fuzzers.txt
campaign=${FUZZ_DIR:-$build/campaign}
jobs=${FUZZ_JOBS:-$(nproc)}
# A slow input is a finding too: nothing here should take seconds.
common=(-timeout=10 -rss_limit_mb=2560 -print_final_stats=1)

[ -f "$manifest" ] || { echo "no $manifest: configure with -DJIB_FUZZ=ON first" >&2; exit 2; }
mapfile -t all < <(cut -d' ' -f1 "$manifest")
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=("${all[@]}")

field() { # field <harness> <column>: the manifest's dictionary (2) or longest input (3)
  awk -v n="$1" -v c="$2" '$1 == n { print $c }' "$manifest"
}

options_of() { # the libFuzzer options a harness runs with
  local dict max
  dict=$(field "$1" 2)
  max=$(field "$1" 3)
  [ -n "$max" ] || { echo "unknown harness: $1" >&2; exit 2; }
  printf '%s\n' "${common[@]}" "-max_len=$max"
  [ "$dict" = "-" ] || printf '%s\n' "-dict=$dict"
}

executions_of() { # the executions a worker's log reports, crashed or not
  local n
  n=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$1" | tail -1)
  [ -n "$n" ] || n=$(sed -n 's/^#\([0-9][0-9]*\).*/\1/p' "$1" | tail -1)
  echo "${n:-0}"
}

findings_in() {
  find "$1" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'timeout-*' -o -name 'oom-*' \
    -o -name 'leak-*' \) | wc -l
}

# One round: FUZZ_JOBS processes on one corpus, each with its share of `runs` (or the
# time), then the executions they report are added to the campaign's count.
round() {
  local name=$1 runs=$2 dir=$campaign/$1 i pids=() limit
  mapfile -t opts < <(options_of "$name")
  local seeds=()
  for i in "tests/fuzz/corpus/$name" "tests/fuzz/crashers/$name"; do
    [ -d "$i" ] && seeds+=("$i")
  done
  rm -rf "$dir/logs" && mkdir -p "$dir/logs"
  for ((i = 0; i < jobs; i++)); do
    if [ "$runs" -gt 0 ]; then
      limit=-runs=$(((runs + jobs - 1) / jobs))
    else
      limit=-max_total_time=${FUZZ_SECONDS:-60}
    fi
    "$build/bin/${name}_fuzzer" "${opts[@]}" "$limit" -seed=$((RANDOM * 32768 + RANDOM + i)) \
      -artifact_prefix="$dir/findings/" "$dir/corpus" "${seeds[@]}" \
      >"$dir/logs/worker-$i.log" 2>&1 &
    pids+=($!)
  done
  for i in "${pids[@]}"; do wait "$i" || true; done
  done_now=0
  for i in "$dir"/logs/worker-*.log; do done_now=$((done_now + $(executions_of "$i"))); done
  echo $(($(cat "$dir/executions") + done_now)) >"$dir/executions"
  if [ "$done_now" -eq 0 ]; then
    echo "== $name: no executions; see $dir/logs/" >&2
    return 1
  fi
}

summary_row() { # | harness | executions | corpus files | edges | findings |
  local name=$1 dir=$campaign/$1 inited edges
  mkdir -p "$dir/corpus" "$dir/findings"
  mapfile -t opts < <(options_of "$name")
  # The edges the whole corpus reaches, measured alone so that every run reports alike.
  inited=$("$build/bin/${name}_fuzzer" "${opts[@]}" -runs=0 "$dir/corpus" 2>&1 |
    grep -m1 -E 'INITED|DONE' || true)
  edges=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$inited")
  printf '| %s | %s | %s | %s | %s |\n' "$name" "$(cat "$dir/executions" 2>/dev/null || echo 0)" \
    "$(find "$dir/corpus" -type f | wc -l)" "${edges:-?}" "$(findings_in "$dir/findings")"
}

table() { # the summary of the named harnesses, also written to FUZZ_DIR/summary.md
  local name
  {
    echo "| harness | executions | corpus files | coverage edges | findings |"
    echo "|---|---|---|---|---|"
    for name in "$@"; do summary_row "$name"; done
  } | tee "$campaign/summary.md"
}

case "$mode" in
  run)
    for name in "${harnesses[@]}"; do
      dir=$campaign/$name
      mkdir -p "$dir/corpus" "$dir/findings"
      [ -f "$dir/executions" ] || echo 0 >"$dir/executions"
      if [ -n "${FUZZ_RUNS:-}" ]; then
        while [ "$(cat "$dir/executions")" -lt "$FUZZ_RUNS" ] &&
          [ "$(findings_in "$dir/findings")" -eq 0 ]; do
          echo "== $name: $(cat "$dir/executions") of $FUZZ_RUNS executions"
          round "$name" $((FUZZ_RUNS - $(cat "$dir/executions"))) || break
        done
      elif [ "$(findings_in "$dir/findings")" -eq 0 ]; then
        echo "== $name: ${FUZZ_SECONDS:-60} s"
        round "$name" 0
      fi
      [ "$(findings_in "$dir/findings")" -eq 0 ] ||
        echo "== $name: findings in $dir/findings (fix, keep the input under tests/fuzz/crashers/$name/, remove it there)"
    done
    table "${harnesses[@]}"
    ;;
  summary)
    table "${harnesses[@]}"
    ;;
  merge)
    for name in "${harnesses[@]}"; do
      mapfile -t opts < <(options_of "$name")
      [ -d "$campaign/$name/corpus" ] || continue
      mkdir -p "tests/fuzz/corpus/$name"
      before=$(find "tests/fuzz/corpus/$name" -type f | wc -l)
      # New edges only, not new hit counts of known ones: the committed corpus stays a few
      # hundred files, which CI replays in seconds.
      "$build/bin/${name}_fuzzer" "${opts[@]}" -merge=1 -use_counters=0 \
        "tests/fuzz/corpus/$name" "$campaign/$name/corpus" >"$campaign/$name/merge.log" 2>&1
      echo "$name: $before -> $(find "tests/fuzz/corpus/$name" -type f | wc -l) files"
    done
    ;;
  speed)
    runs=${FUZZ_SPEED_RUNS:-100000}
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    TIMEFORMAT='%U %S'
    for name in "${harnesses[@]}"; do
      mapfile -t opts < <(options_of "$name")
      corpus=$campaign/$name/corpus
      [ -d "$corpus" ] || corpus=tests/fuzz/corpus/$name
      mkdir -p "$scratch/$name"
      # `time` reports the child's CPU time on stderr, after the fuzzer's own output.
      cpu=$({ time "$build/bin/${name}_fuzzer" "${opts[@]}" -runs="$runs" -seed=1 \
        -artifact_prefix="$scratch/" "$scratch/$name" "$corpus" >/dev/null 2>&1; } 2>&1)
      awk -v n="$name" -v r="$runs" -v c="$cpu" \
        'BEGIN { split(c, t, " "); printf "%s: %d executions/s (%.1f s CPU for %d)\n", n, r / (t[1] + t[2]), t[1] + t[2], r }'
    done
    ;;
  *)
    echo "unknown mode: $mode" >&2
    exit 2
    ;;
esac
