#!/usr/bin/env bash
# Prints generated documents of 10, 100 and 1000 pages and a real package
# manual to the built-in file: printer, placing the pages (the default) and
# drawing them (Render=always), and for comparison copies them with qpdf and
# converts them with pdftocairo, all in one run: wall time (best of 3), peak
# memory and output size side by side, and the verdicts on the targets.
#   bench/print_bench.sh [BUILD_DIR]     (default: builds a release into build/)
# Needs: qpdf, poppler-utils (pdftocairo), time (/usr/bin/time), and for the
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
for tool in "$quorlex" "$generator" /usr/bin/time "$(command -v pdftocairo || true)" \
            "$(command -v qpdf || true)"; do
  if [[ -z "$tool" || ! -x "$tool" ]]; then
    echo "print_bench: missing ${tool:-pdftocairo or qpdf} (build first; apt-get install poppler-utils qpdf time)" >&2
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

# Runs a command three times; prints "best-seconds peak-kilobytes size" of
# the fastest run. The command must leave its output in $work/out.pdf.
measure() {
  local best="" bestMem="" seconds kb
  for _ in 1 2 3; do
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
worst() { awk -v a="$1" -v b="$2" 'BEGIN{print (a > b ? a : b)}'; }
verdict() { awk -v r="$1" -v t="$2" 'BEGIN{ if (r == "n/a") print "n/a"; else print (r <= t ? "ok" : "MISSED") }'; }
mb() { awk -v k="$1" 'BEGIN{printf "%.1f", k / 1024}'; }

printf '%-18s %5s | %-30s | %-30s | %-30s | %-30s\n' "" "" \
  "quorlex (placing)" "quorlex Render=always" "qpdf in.pdf out.pdf" "pdftocairo -pdf"
printf '%-18s %5s |' document pages
for _ in 1 2 3 4; do printf ' %7s %8s %11s |' seconds "peak MB" "size"; done
printf ' %8s\n' "input"
printf '%s\n' "$(printf '%.0s-' {1..160})"
worstTime=0 worstMem=0 worstSize=0
for doc in "${docs[@]}"; do
  pages=$(pdfinfo "$doc" 2>/dev/null | awk '/^Pages:/{print $2}')
  input=$(stat -c %s "$doc")
  read -r pTime pMem pSize < <(measure "$quorlex" -printpdf "$doc" "file:$work/out.pdf" "Benchmark")
  read -r dTime dMem dSize < <(measure "$quorlex" -printpdf "$doc" "file:$work/out.pdf" "Benchmark" \
                                 Render=always)
  read -r qTime qMem qSize < <(measure qpdf "$doc" "$work/out.pdf")
  read -r cTime cMem cSize < <(measure pdftocairo -pdf "$doc" "$work/out.pdf")
  printf '%-18s %5s |' "$(basename "$doc" | cut -c1-18)" "$pages"
  for triple in "$pTime $pMem $pSize" "$dTime $dMem $dSize" "$qTime $qMem $qSize" \
                "$cTime $cMem $cSize"; do
    read -r t m s <<<"$triple"
    printf ' %7s %8s %11s |' "$t" "$(mb "$m")" "$s"
  done
  printf ' %8s\n' "$input"
  worstTime=$(worst "$(ratio "$pTime" "$qTime")" "$worstTime")
  worstMem=$(worst "$(ratio "$pMem" "$qMem")" "$worstMem")
  worstSize=$(worst "$(ratio "$pSize" "$input")" "$worstSize")
done

echo
printf 'target: placing within 2x the time of qpdf          worst %-5s %s\n' "$worstTime" "$(verdict "$worstTime" 2)"
printf 'target: placing within 1.5x the peak memory of qpdf worst %-5s %s\n' "$worstMem" "$(verdict "$worstMem" 1.5)"
printf 'target: placing output within 1.1x of the input     worst %-5s %s\n' "$worstSize" "$(verdict "$worstSize" 1.1)"
