#!/usr/bin/env bash
# Times the same queries with `quillmar search --repeat` and with Xapian, warm, on the King James
# Bible collection and on a ten-times larger one (every book written ten times into its text), and
# prints a Markdown table: query class, query, mean microseconds per query and result counts
# (quillmar: hits, i.e. word occurrences; Xapian: matching paragraphs).
#
# Usage: scripts/compare-xapian.sh [WORKDIR]   (default /tmp/quillmar-compare)
# Environment: QUILLMAR_CLI (default build-bench/cli/quillmar), QUILLMAR_XAPIAN (default
# build-bench/bench/quillmar_xapian; configure with -DQUILLMAR_BUILD_BENCHMARKS=ON after
# scripts/bench-deps.sh), REPEAT (runs per measurement, default 20), TIMES (size factor of the
# larger collection, default 10).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/tmp/quillmar-compare}
cli=$(readlink -f "${QUILLMAR_CLI:-$root/build-bench/cli/quillmar}")
xap=$(readlink -f "${QUILLMAR_XAPIAN:-$root/build-bench/bench/quillmar_xapian}")
repeat=${REPEAT:-20}
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
  "followed by|darkness ... light"
  "phrase, 2 words|God said"
  "phrase, 3 words|in the beginning"
  "phrase, 4 words|let there be light"
  "OR|light OR darkness"
  "OR, frequent words|the OR of"
  "group|(God OR Lord) AND heaven"
)

# Prints "<microseconds> <count>" from a tool's time line on stderr.
measure() {
  local line
  line=$("$@" 2>&1 >/dev/null | grep time_us_per_query= | tail -1 || true)
  if [ -z "$line" ]; then echo "nan -"; return; fi
  sed -E 's/.*time_us_per_query=([0-9.e+]+) hits=([0-9]+).*/\1 \2/' <<<"$line"
}

echo "| collection | query class | query | quillmar µs | hits | Xapian µs | paragraphs | quillmar/Xapian |"
echo "|---|---|---|---:|---:|---:|---:|---:|"
for n in 1 "$times"; do
  label=$([ "$n" = 1 ] && echo "KJV" || echo "KJV ×$n")
  for entry in "${queries[@]}"; do
    class=${entry%%|*}
    query=${entry#*|}
    # One warm-up run of each, then the timed runs.
    measure "$cli" search --collection "coll$n" --format tsv --repeat 1 -- "$query" >/dev/null
    measure "$xap" search "xdb$n" 1 20 "$query" >/dev/null
    read -r qus qhits < <(measure "$cli" search --collection "coll$n" --format tsv \
      --repeat "$repeat" -- "$query")
    read -r xus xdocs < <(measure "$xap" search "xdb$n" "$repeat" 20 "$query")
    ratio=$(awk -v a="$qus" -v b="$xus" 'BEGIN { printf "%.2f", a / b }')
    printf "| %s | %s | \`%s\` | %.0f | %s | %.0f | %s | %s |\n" "$label" "$class" "$query" \
      "$qus" "$qhits" "$xus" "$xdocs" "$ratio"
  done
done
