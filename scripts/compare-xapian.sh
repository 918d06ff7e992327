#!/usr/bin/env bash
# Times the same queries with `quillmar search --repeat` and with Xapian, warm, on the King James
# Bible collection and on a ten-times larger one (every book written ten times into its text), and
# prints Markdown tables:
# - warm: query class, query, mean microseconds per query (the best of ROUNDS processes, each
#   with one untimed run first, for both tools alike) and result counts (quillmar: hits, i.e.
#   word occurrences; Xapian: matching paragraphs);
# - first query: the untimed first run of a fresh process (files in the page cache, nothing in
#   the process), the best of ROUNDS processes;
# - peak memory: the maximum resident set size of a process running one query once.
#
# Usage: scripts/compare-xapian.sh [WORKDIR]   (default /tmp/quillmar-compare)
# Environment: QUILLMAR_CLI (default build-bench/cli/quillmar), QUILLMAR_XAPIAN (default
# build-bench/bench/quillmar_xapian; configure with -DQUILLMAR_BUILD_BENCHMARKS=ON after
# scripts/bench-deps.sh), REPEAT (runs per measurement, default 20), ROUNDS (processes per
# measurement, the best is taken; default 3), TIMES (size factor of the larger collection,
# default 10), METRIC (wall: wall-clock time, the default; cpu: processor time of the process,
# steadier on a machine shared with other work).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/tmp/quillmar-compare}
cli=$(readlink -f "${QUILLMAR_CLI:-$root/build-bench/cli/quillmar}")
xap=$(readlink -f "${QUILLMAR_XAPIAN:-$root/build-bench/bench/quillmar_xapian}")
repeat=${REPEAT:-20}
rounds=${ROUNDS:-3}
metric=${METRIC:-wall}
times=${TIMES:-10}
for tool in "$cli" "$xap"; do
  [ -x "$tool" ] || { echo "missing $tool" >&2; exit 1; }
done
mkdir -p "$work"
cd "$work"

if [ ! -s kjv.txt ]; then
  command -v bible >/dev/null || { echo "needs bible-kjv (scripts/install-deps.sh)" >&2; exit 1; }
  bible -l100000 gen1:1-rev22:21 > kjv.txt
fi
for n in 1 "$times"; do
  [ -s "kjv$n.qms" ] || "$root/tools/kjv_to_qms.py" --times "$n" kjv.txt > "kjv$n.qms"
  [ -s "coll$n/data/fundst.dat" ] || { rm -rf "coll$n"; "$cli" build "kjv$n.qms" -o "coll$n" >/dev/null; }
  [ -d "xdb$n" ] || "$xap" index "kjv$n.qms" "xdb$n" 2>/dev/null
done

# class | query (the same text for both tools)
queries=(
  "word, rare|darkness"
  "word, common|light"
  "word, most frequent|the"
  "prefix mask|ligh*"
  "suffix mask|*ness"
  "one-character mask|l?ght"
  "AND|darkness AND light"
  "AND, frequent words|god AND lord"
  "AND, most frequent word|the AND lord"
  "followed by|darkness ... light"
  "phrase, 2 words|God said"
  "phrase, frequent words|the lord"
  "phrase, most frequent words|of the"
  "phrase, 3 words|in the beginning"
  "phrase, 4 words|let there be light"
  "OR|light OR darkness"
  "OR, frequent words|the OR of"
  "group|(God OR Lord) AND heaven"
)

# Prints "<microseconds> <count> <first-run microseconds>" from a tool's time line on stderr.
measure() {
  local line
  line=$("$@" 2>&1 >/dev/null | grep time_us_per_query= | tail -1 || true)
  if [ -z "$line" ]; then echo "nan - nan"; return; fi
  if [ "$metric" = cpu ]; then
    sed -E 's/.*hits=([0-9]+).*cpu_us_per_query=([0-9.e+]+) first_cpu_us=([0-9.e+]+).*/\2 \1 \3/' <<<"$line"
  else
    sed -E 's/.*time_us_per_query=([0-9.e+]+) hits=([0-9]+) first_us=([0-9.e+]+).*/\1 \2 \3/' <<<"$line"
  fi
}

# The best (lowest) mean and first-run time of `rounds` processes: "<us> <count> <first us>".
best() {
  local r us count first bus=inf bfirst=inf
  for ((r = 0; r < rounds; r++)); do
    read -r us count first < <(measure "$@")
    bus=$(awk -v a="$us" -v b="$bus" 'BEGIN { print (a < b) ? a : b }')
    bfirst=$(awk -v a="$first" -v b="$bfirst" 'BEGIN { print (a < b) ? a : b }')
  done
  echo "$bus $count $bfirst"
}

# Peak resident set size in KB of one process.
peak_kb() {
  /usr/bin/time -v "$@" 2>&1 >/dev/null | sed -nE 's/.*Maximum resident set size \(kbytes\): ([0-9]+)/\1/p'
}

label_of() { [ "$1" = 1 ] && echo "KJV" || echo "KJV ×$1"; }

echo "| collection | query class | query | quillmar µs | hits | Xapian µs | paragraphs | quillmar/Xapian |"
echo "|---|---|---|---:|---:|---:|---:|---:|"
declare -A first_q first_x
for n in 1 "$times"; do
  label=$(label_of "$n")
  for entry in "${queries[@]}"; do
    class=${entry%%|*}
    query=${entry#*|}
    # Both tools run the query once untimed in each process before the timed runs.
    read -r qus qhits qfirst < <(best "$cli" search --collection "coll$n" --format tsv \
      --repeat "$repeat" -- "$query")
    read -r xus xdocs xfirst < <(best "$xap" search "xdb$n" "$repeat" 20 "$query")
    first_q["$n|$query"]=$qfirst
    first_x["$n|$query"]=$xfirst
    ratio=$(awk -v a="$qus" -v b="$xus" 'BEGIN { printf "%.2f", a / b }')
    printf "| %s | %s | \`%s\` | %.0f | %s | %.0f | %s | %s |\n" "$label" "$class" "$query" \
      "$qus" "$qhits" "$xus" "$xdocs" "$ratio"
  done
done

echo
echo "| collection | first query in a fresh process | quillmar µs | Xapian µs | quillmar/Xapian |"
echo "|---|---|---:|---:|---:|"
for n in 1 "$times"; do
  for query in darkness the "the OR of"; do
    q=${first_q["$n|$query"]}
    x=${first_x["$n|$query"]}
    printf "| %s | \`%s\` | %.0f | %.0f | %s |\n" "$(label_of "$n")" "$query" "$q" "$x" \
      "$(awk -v a="$q" -v b="$x" 'BEGIN { printf "%.2f", a / b }')"
  done
done

echo
echo "| collection | peak resident memory, one \`the OR of\` | quillmar MB | Xapian MB | quillmar/Xapian |"
echo "|---|---|---:|---:|---:|"
for n in 1 "$times"; do
  q=$(peak_kb "$cli" search --collection "coll$n" --format tsv --repeat 1 -- "the OR of")
  x=$(peak_kb "$xap" search "xdb$n" 1 20 "the OR of")
  printf "| %s | | %.1f | %.1f | %s |\n" "$(label_of "$n")" "$(awk -v k="$q" 'BEGIN { print k / 1024 }')" \
    "$(awk -v k="$x" 'BEGIN { print k / 1024 }')" "$(awk -v a="$q" -v b="$x" 'BEGIN { printf "%.2f", a / b }')"
done
