#!/usr/bin/env bash
# Runs fuzz targets one after another, each for a number of executions or a time limit, on a
# corpus that starts from the seeds of fuzz/make-seeds.sh and grows from run to run, and prints
# a table: target, executions, time, executions per second, findings.
#
#   fuzz/run-long.sh [-n EXECUTIONS [-r] | -t SECONDS | -s] [-b BUILD_DIR] [-c COLLECTION]
#                    [-o WORK_DIR] [-l LEDGER_DIR] [-j JOBS] [TARGET...]
#
# TARGET is a name such as `textinfo` (quillmar_textinfo_fuzz); none: every target built in
# BUILD_DIR/fuzz (default build-fuzz). -n defaults to 10,000,000 executions. COLLECTION is the
# built sample collection with fuzzy lists (default build/collections/sample), used for the
# seeds when WORK_DIR (default fuzz-runs) has none yet. -j runs that many jobs of a target at
# once (libFuzzer -jobs/-workers; -n counts their executions together). Findings (crash-*,
# leak-*, timeout-*, oom-*) are kept in WORK_DIR/<target>/, the log of each run there as
# run.log. Every run adds a line to LEDGER_DIR/<target>.tsv (default fuzz/ledger, kept in the
# repository: date, commit, executions, seconds, findings), so that runs stopped and resumed add
# up, on another machine too; the table's last column is that total. -r runs each target only
# for what its total lacks of EXECUTIONS; -s prints each target's totals (runs, executions,
# seconds, findings) from the ledgers and runs nothing. An interrupt (SIGINT, SIGTERM) ends the
# current run, records it and stops. The exit status is 1 when a run found something or a target
# is not built.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=10000000
seconds=""
build="build-fuzz"
collection=build/collections/sample
work=fuzz-runs
ledgers=fuzz/ledger
jobs=1
resume=""
summary=""
while getopts "n:t:b:c:o:l:j:rs" opt; do
  case $opt in
    n) runs=$OPTARG ;;
    t) seconds=$OPTARG ;;
    b) build=$OPTARG ;;
    c) collection=$OPTARG ;;
    o) work=$OPTARG ;;
    l) ledgers=$OPTARG ;;
    j) jobs=$OPTARG ;;
    r) resume=1 ;;
    s) summary=1 ;;
    *) sed -n '2,21p' "$0" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for binary in "$build"/fuzz/quillmar_*_fuzz; do
    name=$(basename "$binary" _fuzz)
    targets+=("${name#quillmar_}")
  done
fi

# The dictionary of a target's format, where it has keywords.
dictionary() {
  case $1 in
    settings | schema_ini | history) echo fuzz/dict/ini.dict ;;
    source) echo fuzz/dict/source.dict ;;
    tei) echo fuzz/dict/tei.dict ;;
    osis) echo fuzz/dict/osis.dict ;;
    query) echo fuzz/dict/query.dict ;;
  esac
}

mkdir -p "$work" "$ledgers"
work=$(cd "$work" && pwd)
ledgers=$(cd "$ledgers" && pwd)

if [[ -n "$summary" ]]; then
  printf '%-14s %5s %14s %9s %s\n' target runs executions seconds findings
  for name in "${targets[@]}"; do
    ledger="$ledgers/$name.tsv"
    [[ -f "$ledger" ]] || ledger=/dev/null
    awk -F'\t' -v name="$name" '
      { runs++; executions += $3; seconds += ($4 == "-" ? 0 : $4); if ($5 != "none") found += $5 }
      END { printf "%-14s %5d %14d %9d %s\n", name, runs, executions, seconds,
              found ? found : "none" }' "$ledger"
  done
  exit 0
fi
if [[ ! -d "$work/seeds" ]]; then
  fuzz/make-seeds.sh "$collection" "$work/seeds"
fi

# A smaller quarantine than the sanitizer's 256 MB keeps a run well below the memory limit while
# libFuzzer's purge of the allocator is off (below); freed memory still waits 64 MB of frees
# before it is used again. The sanitizer also keeps the call stack of every allocation, for its
# reports, and never frees one: the recursive query line evaluation makes new stacks for millions
# of executions (its process passed 512 MB after two million), and ten frames (not 30) bound
# them. Replaying a finding with the target alone prints whole stacks.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=64:malloc_context_size=10}

# Executions of the runs recorded for a target.
recorded() {
  local ledger="$ledgers/$1.tsv"
  [[ -f "$ledger" ]] || ledger=/dev/null
  awk -F'\t' '{ s += $3 } END { print s + 0 }' "$ledger"
}

# Executions in a run's logs: the final statistics, or for a run that ended without them (killed,
# out of memory) the count of its last status line.
executed() {
  local log count total=0
  for log in "$@"; do
    count=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    [[ -n "$count" ]] || count=$(sed -n 's/^#\([0-9]*\).*/\1/p' "$log" | tail -1)
    total=$((total + ${count:-0}))
  done
  echo "$total"
}

# The interrupted run is still recorded; the loop then stops.
interrupted=""
trap 'interrupted=1' INT TERM

status=0
reports=()
commit=$(git rev-parse --short HEAD 2>/dev/null || echo unknown)
printf '%-14s %14s %9s %9s %-8s %14s\n' target executions seconds exec/s findings total
for name in "${targets[@]}"; do
  binary="$PWD/$build/fuzz/quillmar_${name}_fuzz"
  if [[ ! -x "$binary" ]]; then
    printf '%-14s not built (%s)\n' "$name" "$binary"
    status=1
    continue
  fi
  dir="$work/$name"
  mkdir -p "$dir/corpus"
  limit=(-runs="$runs")
  if [[ -n "$seconds" ]]; then
    limit=(-max_total_time="$seconds")
  elif [[ -n "$resume" ]]; then
    lacking=$((runs - $(recorded "$name")))
    if [[ $lacking -le 0 ]]; then
      printf '%-14s %14s %9s %9s %-8s %14s\n' "$name" 0 0 0 none "$(recorded "$name")"
      continue
    fi
    limit=(-runs="$lacking")
  fi
  if [[ "$jobs" -gt 1 ]]; then
    # Each job runs the whole -runs count: the executions are shared out between the jobs.
    if [[ -z "$seconds" ]]; then
      count=${limit[0]#-runs=}
      limit=(-runs=$(((count + jobs - 1) / jobs)))
    fi
    limit+=(-jobs="$jobs" -workers="$jobs")
    rm -f "$dir"/fuzz-*.log  # logs of an earlier run with more jobs would be counted again
  fi
  if [[ -d "$work/seeds/$name" ]]; then cp -rn "$work/seeds/$name/." "$dir/corpus/"; fi
  options=("${limit[@]}" -rss_limit_mb=512 -timeout=10 -purge_allocator_interval=-1
    -print_final_stats=1 -artifact_prefix="$dir/")
  dict=$(dictionary "$name")
  [[ -n "$dict" ]] && options+=(-dict="$PWD/$dict")
  before=$(find "$dir" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
    -o -name 'oom-*' \) | wc -l)
  start=$(date +%s)
  # A finding ends libFuzzer with a non-zero status; the table reports it.
  # It runs in the background so that an interrupt reaches this script at once (a trap waits for
  # the foreground command); the trap's flag then ends the run, which writes its statistics.
  # setsid makes the run a process group of its own: with -jobs, libFuzzer starts its workers
  # through a shell and does not stop them when it is interrupted, so the whole group is.
  (cd "$dir" && exec setsid nice -n 10 "$binary" corpus "${options[@]}" > run.log 2>&1) &
  child=$!
  wait "$child" || true
  if [[ -n "$interrupted" ]]; then
    kill -TERM -- "-$child" 2>/dev/null || kill -TERM "$child" 2>/dev/null || true
    wait "$child" || true
    while pgrep -g "$child" > /dev/null; do sleep 1; done
  fi
  elapsed=$(($(date +%s) - start))
  # With -jobs the executions are in the workers' logs (fuzz-N.log).
  logs=("$dir"/run.log)
  if [[ "$jobs" -gt 1 ]]; then
    logs=()
    for log in "$dir"/fuzz-*.log; do [[ -f "$log" ]] && logs+=("$log"); done
    [[ ${#logs[@]} -gt 0 ]] || logs=(/dev/null)
  fi
  executions=$(executed "${logs[@]}")
  after=$(find "$dir" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
    -o -name 'oom-*' \) | wc -l)
  rate=$((executions / (elapsed > 0 ? elapsed : 1)))
  findings=$((after - before))
  if [[ $findings -eq 0 ]]; then findings=none; else status=1; fi
  printf '%s\t%s\t%s\t%s\t%s\n' "$(date -u +%FT%TZ)" "$commit" "$executions" "$elapsed" \
    "$findings" >> "$ledgers/$name.tsv"
  printf '%-14s %14s %9s %9s %-8s %14s\n' "$name" "$executions" "$elapsed" "$rate" "$findings" \
    "$(recorded "$name")"
  if [[ $findings != none ]]; then reports+=("${logs[@]}"); fi
  [[ -z "$interrupted" ]] || break
done
# The report of every finding (from the sanitizer's or libFuzzer's first "ERROR" line to the
# name of the input it wrote), so that a log of the run shows what was found and where.
for log in "${reports[@]}"; do
  printf '\n%s\n' "$log"
  sed -n '/ERROR: /,/Test unit written to/p' "$log"
done
exit $status
