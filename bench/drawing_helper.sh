#!/usr/bin/env bash
# What drawing in a confined helper costs, and what it holds off. Two parts:
#  1. the helper's start: the 200 pages of the benchmark whose every page
#     must be drawn, printed with Render=always to the file: printer, 7
#     times; each run logs "Drawing helper N ready in T ms, R ms of it
#     reading the document", and starting costs T - R (the fork, the
#     confinement, the answer) beyond the reading that drawing needs
#     wherever it runs. Median of the start against the median of the
#     whole run's wall time; target <= 5 %.
#  2. a hostile document, if one is given (HOSTILE=path; the generator of
#     the tests makes one whose content poppler cannot finish drawing):
#     wall time, and the peak resident memory of the program and of its
#     helpers together, sampled every 50 ms; targets: within 60 s (the
#     default budget, with one page drawn) and under 1 GiB.
#   bench/drawing_helper.sh [BUILD_DIR]   (default: builds a release into build/)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$("$top/scripts/build" release | tail -n 1)}
quorlex="$build/quorlex" generator="$build/tests/tools/make_sample_pdfs"
work=$(mktemp -d "${TMPDIR:-/tmp}/quorlex-helper-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$generator" --annotated 200 "$work/drawn-200.pdf"
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/walls"
: >"$work/starts"
for _ in 1 2 3 4 5 6 7; do
  start=$(date +%s.%N)
  "$quorlex" Render=always Notice=none Log=PDFPrintFns:stderr:100 -printpdf "$work/drawn-200.pdf" \
    "file:$work/out.pdf" Benchmark </dev/null >/dev/null 2>"$work/log" || true
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", (b - a) * 1000 }' >>"$work/walls"
  tr '\n' ' ' <"$work/log" | tr -s ' ' | grep -o 'Drawing helper [0-9]* ready in [0-9.]* ms, [0-9.]* ms of it' |
    awk '{ printf "%.3f\n", $6 - $8 }' | head -n 1 >>"$work/starts"
done
wall=$(median <"$work/walls")
startCost=$(median <"$work/starts")
share=$(awk -v s="$startCost" -v w="$wall" 'BEGIN { printf "%.2f", 100 * s / w }')
verdict=$(awk -v s="$share" 'BEGIN { print (s <= 5) ? "met" : "MISSED" }')
echo "Render=always, 200 drawn pages (median of 7): run $(printf '%.0f' "$wall") ms, helper start $startCost ms beyond reading the document: $share % (target <= 5 %: $verdict)"

if [[ -n "${HOSTILE:-}" ]]; then
  start=$(date +%s.%N)
  "$quorlex" Notice=none ExitCode=result Log=PDFPrintFns:stderr:0 -printpdf "$HOSTILE" "file:$work/hostile.pdf" \
    Hostile </dev/null >/dev/null 2>"$work/hostile.log" &
  program=$!
  peak=0
  while kill -0 "$program" 2>/dev/null; do
    total=0
    for pid in $program $(pgrep -P "$program" || true); do
      kb=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0)
      total=$((total + ${kb:-0}))
    done
    ((total > peak)) && peak=$total
    sleep 0.05
  done
  rc=0
  wait "$program" || rc=$?
  end=$(date +%s.%N)
  seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')
  echo "hostile document $(basename "$HOSTILE"): ended with $rc after $seconds s, program and helpers at most $((peak / 1024)) MiB" \
       "(targets: 60 s $(awk -v s="$seconds" 'BEGIN { print (s <= 60) ? "met" : "MISSED" }'), 1 GiB $( ((peak < 1048576)) && echo met || echo MISSED))"
  tr '\n' ' ' <"$work/hostile.log" | tr -s ' ' | grep -o 'Page [0-9]* cannot be printed: [^:]*' | head -n 5 || true
fi
