#!/usr/bin/env bash
# Prints documents of 10, 100 and 1000 pages and a real package manual to the
# built-in file: printer and, for comparison, converts the same documents
# with pdftocairo (poppler's own PDF-to-PDF through cairo), in one run:
# wall time (best of 3), peak memory, output size, and the ratios against
# the targets.
#   bench/print_bench.sh [BUILD_DIR]     (default: builds a release into build/)
# Needs: poppler-utils (pdftocairo), time (/usr/bin/time), and for the
# manual c++-annotations-pdf (/usr/share/doc/c++-annotations/cplusplus.pdf).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

if (($# > 0)); then
  dir=$(cd "$1" && pwd)
else
  dir=$("$top/scripts/build" release | tail -n 1)
fi
quorlex="$dir/quorlex"
generator="$dir/tests/tools/make_sample_pdfs"
for tool in "$quorlex" "$generator" /usr/bin/time "$(command -v pdftocairo || true)"; do
  if [[ -z "$tool" || ! -x "$tool" ]]; then
    echo "print_bench: missing ${tool:-pdftocairo} (build first; apt-get install poppler-utils time)" >&2
    exit 2
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quorlex-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

docs=()
for pages in 10 100 1000; do
  "$generator" --pages "$pages" "$work/pages-$pages.pdf"
  docs+=("$work/pages-$pages.pdf")
done
manual=/usr/share/doc/c++-annotations/cplusplus.pdf
if [[ -r "$manual" ]]; then
  docs+=("$manual")
else
  echo "print_bench: $manual not found (apt-get install c++-annotations-pdf); skipping the manual" >&2
fi

# Runs a command three times; prints "best-seconds peak-kilobytes" of the
# fastest run. The command must leave its output in $work/out.pdf.
measure() {
  local best="" bestMem="" run seconds kb
  for run in 1 2 3; do
    rm -f "$work/out.pdf"
    LC_ALL=C /usr/bin/time -o "$work/time" -f '%e %M' "$@" >/dev/null 2>"$work/stderr" </dev/null || true
    if [[ ! -s "$work/out.pdf" ]]; then
      echo "print_bench: no output from: $*" >&2
      sed -n '1,20p' "$work/stderr" >&2
      exit 1
    fi
    # time notes a non-zero exit on a line of its own (quorlex ends with 1).
    read -r seconds kb < <(tail -n 1 "$work/time")
    if [[ -z "$best" ]] || awk -v a="$seconds" -v b="$best" 'BEGIN{exit !(a<b)}'; then
      best=$seconds
      bestMem=$kb
    fi
  done
  echo "$best $bestMem $(stat -c %s "$work/out.pdf")"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN{ if (b == 0) print "n/a"; else printf "%.2f", a / b }'; }
verdict() { awk -v r="$1" -v t="$2" 'BEGIN{ if (r == "n/a") print "n/a"; else print (r <= t ? "ok" : "MISSED") }'; }

printf '%-16s %6s | %9s %9s %6s | %9s %9s | %10s %10s %6s\n' \
  document pages quorlex pdftocairo ratio "q peak" "p peak" "q size" "p size" ratio
printf '%s\n' "$(printf '%.0s-' {1..112})"
declare -A peak
worstTime=0 worstSize=0
for doc in "${docs[@]}"; do
  pages=$(pdfinfo "$doc" 2>/dev/null | awk '/^Pages:/{print $2}')
  read -r qTime qMem qSize < <(measure "$quorlex" -printpdf "$doc" "file:$work/out.pdf" "Benchmark")
  read -r pTime pMem pSize < <(measure pdftocairo -pdf "$doc" "$work/out.pdf")
  timeRatio=$(ratio "$qTime" "$pTime")
  sizeRatio=$(ratio "$qSize" "$pSize")
  peak[$pages]=$qMem
  printf '%-16s %6s | %8ss %8ss %6s | %7sMB %7sMB | %10s %10s %6s\n' \
    "$(basename "$doc")" "$pages" "$qTime" "$pTime" "$timeRatio" \
    "$((qMem / 1024))" "$((pMem / 1024))" "$qSize" "$pSize" "$sizeRatio"
  worstTime=$(awk -v a="$timeRatio" -v b="$worstTime" 'BEGIN{print (a > b ? a : b)}')
  worstSize=$(awk -v a="$sizeRatio" -v b="$worstSize" 'BEGIN{print (a > b ? a : b)}')
done

echo
memRatio=$(ratio "${peak[1000]}" "${peak[100]}")
printf 'target: time within 1.1x of pdftocairo        worst %-5s %s\n' "$worstTime" "$(verdict "$worstTime" 1.1)"
printf 'target: output size within 1.2x of pdftocairo worst %-5s %s\n' "$worstSize" "$(verdict "$worstSize" 1.2)"
printf 'target: peak memory 1000 pages / 100 pages <= 1.3x: %-5s %s\n' "$memRatio" "$(verdict "$memRatio" 1.3)"
