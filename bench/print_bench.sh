#!/usr/bin/env bash
# Prints documents to the built-in file: printer, placing the pages (the
# default) and drawing them (Render=always), and for comparison copies them
# with qpdf and converts them with pdftocairo, all in one run: wall time
# (best of 3), peak memory and output size side by side; then the cost at
# the printer: the work Ghostscript (the interpreter of CUPS's raster
# filter and of many printers) does to render each output, against the
# input and qpdf's copy (instructions counted by valgrind, 150 dpi); then
# placing the C++ Annotations manual against `qpdf in out`, the median of 7
# runs taken in turn. Last, the verdicts on the targets.
#   bench/print_bench.sh [BUILD_DIR]     (default: builds a release into build/)
# The documents: generated ones of 10, 100 and 1000 pages (made by cairo,
# every page declaring a transparency group), 300 pages sharing a letterhead
# stream, 200 pages whose every page must be drawn (an annotation without
# appearance on each), and the C++ Annotations manual.
# Needs: qpdf, poppler-utils (pdftocairo), ghostscript, valgrind, time (/usr/bin/time),
# and for the manual c++-annotations-pdf.
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
            "$(command -v qpdf || true)" "$(command -v gs || true)" "$(command -v valgrind || true)"; do
  if [[ -z "$tool" || ! -x "$tool" ]]; then
    echo "print_bench: missing ${tool:-pdftocairo, qpdf, gs or valgrind} (build first; apt-get install poppler-utils qpdf ghostscript valgrind time)" >&2
    exit 2
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quorlex-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Each document with its kind: placed (placing keeps its pages as they are)
# or drawn (every page needs drawing).
docs=() kinds=()
for pages in 10 100 1000; do
  "$generator" --pages "$pages" "$work/pages-$pages.pdf"
  docs+=("$work/pages-$pages.pdf") kinds+=(placed)
done
"$generator" --letterhead 300 "$work/letterhead-300.pdf"
docs+=("$work/letterhead-300.pdf") kinds+=(placed)
"$generator" --annotated 200 "$work/all-drawn-200.pdf"
docs+=("$work/all-drawn-200.pdf") kinds+=(drawn)
manual=/usr/share/doc/c++-annotations/cplusplus.pdf
if [[ -r "$manual" ]]; then
  docs+=("$manual") kinds+=(placed)
else
  echo "print_bench: $manual not found (apt-get install c++-annotations-pdf); skipping the manual" >&2
fi

# Runs a command three times; prints "best-seconds peak-kilobytes size" of
# the fastest run. The command must leave its output in $work/out.pdf, which
# is kept as $work/$keep.
measure() {
  local keep=$1 best="" bestMem="" seconds kb
  shift
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
  mv "$work/out.pdf" "$work/$keep"
  echo "$best $bestMem $(stat -c %s "$work/$keep")"
}

# Ghostscript's work to render each document at 150 dpi, in millions of
# instructions counted by valgrind: processor time varies by more than a
# tenth between identical runs on a shared machine, a count does not. The
# first $costPages pages of each (valgrind runs some forty times slower);
# the generated documents repeat one page, the manual starts with text.
costPages=40
printerCosts() {
  local -a counts=()
  local file refs
  for file in "$@"; do
    refs=$(valgrind --tool=cachegrind --cache-sim=no --cachegrind-out-file=/dev/null \
             gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=ppmraw -r150 -dFirstPage=1 -dLastPage=$costPages \
             -sOutputFile=/dev/null "$file" 2>&1 >/dev/null </dev/null | awk '/I *refs:/{gsub(",", "", $NF); print $NF}')
    counts+=("$(awk -v n="${refs:-0}" 'BEGIN{printf "%.0f", n / 1e6}')")
  done
  echo "${counts[@]}"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN{ if (b == 0) print "n/a"; else printf "%.2f", a / b }'; }
worst() { awk -v a="$1" -v b="$2" 'BEGIN{ if (a == "n/a") print b; else if (b == "n/a") print a; else print (a > b ? a : b) }'; }
verdict() { awk -v r="$1" -v t="$2" 'BEGIN{ if (r == "n/a") print "n/a"; else print (r <= t ? "ok" : "MISSED") }'; }
mb() { awk -v k="$1" 'BEGIN{printf "%.1f", k / 1024}'; }

printf '%-18s %5s | %-30s | %-30s | %-30s | %-30s\n' "" "" \
  "quorlex (placing)" "quorlex Render=always" "qpdf in.pdf out.pdf" "pdftocairo -pdf"
printf '%-18s %5s |' document pages
for _ in 1 2 3 4; do printf ' %7s %8s %11s |' seconds "peak MB" "size"; done
printf ' %8s\n' "input"
printf '%s\n' "$(printf '%.0s-' {1..160})"
costs=()
worstTime=0 worstMem=0 worstSize=0 worstCopy=0 worstCost=0 worstDrawnMem=0 worstDrawnSize=0
for i in "${!docs[@]}"; do
  doc=${docs[$i]} kind=${kinds[$i]}
  pages=$(pdfinfo "$doc" 2>/dev/null | awk '/^Pages:/{print $2}')
  input=$(stat -c %s "$doc")
  read -r pTime pMem pSize < <(measure placed.pdf "$quorlex" -printpdf "$doc" "file:$work/out.pdf" "Benchmark")
  read -r dTime dMem dSize < <(measure drawn.pdf "$quorlex" -printpdf "$doc" "file:$work/out.pdf" "Benchmark" \
                                 Render=always)
  read -r qTime qMem qSize < <(measure copied.pdf qpdf "$doc" "$work/out.pdf")
  read -r cTime cMem cSize < <(measure cairo.pdf pdftocairo -pdf "$doc" "$work/out.pdf")
  name=$(basename "$doc" .pdf | cut -c1-18)
  printf '%-18s %5s |' "$name" "$pages"
  for triple in "$pTime $pMem $pSize" "$dTime $dMem $dSize" "$qTime $qMem $qSize" \
                "$cTime $cMem $cSize"; do
    read -r t m s <<<"$triple"
    printf ' %7s %8s %11s |' "$t" "$(mb "$m")" "$s"
  done
  printf ' %8s\n' "$input"

  read -r inCost pCost qCost dCost < <(printerCosts "$doc" "$work/placed.pdf" "$work/copied.pdf" "$work/drawn.pdf")
  costs+=("$(printf '%-18s %5s | %8s | %8s %6s | %8s %6s | %8s %6s' "$name" "$pages" "$inCost" \
    "$pCost" "$(ratio "$pCost" "$inCost")x" "$qCost" "$(ratio "$qCost" "$inCost")x" \
    "$dCost" "$(ratio "$dCost" "$inCost")x")")

  if [[ $kind == placed ]]; then
    worstTime=$(worst "$(ratio "$pTime" "$qTime")" "$worstTime")
    worstMem=$(worst "$(ratio "$pMem" "$qMem")" "$worstMem")
    worstSize=$(worst "$(ratio "$pSize" "$input")" "$worstSize")
    worstCopy=$(worst "$(ratio "$pSize" "$qSize")" "$worstCopy")
    worstCost=$(worst "$(ratio "$pCost" "$inCost")" "$worstCost")
  else
    worstDrawnMem=$(worst "$(ratio "$pMem" "$dMem")" "$worstDrawnMem")
    worstDrawnSize=$(worst "$(ratio "$pSize" "$dSize")" "$worstDrawnSize")
  fi
done

echo
echo "Cost at the printer: Ghostscript's millions of instructions to render the first $costPages pages at 150 dpi, and against the input"
printf '%-18s %5s | %8s | %15s | %15s | %15s\n' document pages input "placing" "qpdf's copy" "Render=always"
printf '%s\n' "$(printf '%.0s-' {1..90})"
printf '%s\n' "${costs[@]}"

# Placing the manual, every check on, against qpdf's copy: the median of
# seven runs of each, taken in turn so that both meet the same machine.
manualTime=n/a manualMem=n/a
if [[ -r "$manual" ]]; then
  : >"$work/placing-runs" && : >"$work/qpdf-runs"
  for _ in 1 2 3 4 5 6 7; do
    LC_ALL=C /usr/bin/time -a -o "$work/placing-runs" -f '%e %M' "$quorlex" -printpdf "$manual" \
      "file:$work/out.pdf" "Benchmark" >/dev/null 2>&1 </dev/null || true
    LC_ALL=C /usr/bin/time -a -o "$work/qpdf-runs" -f '%e %M' qpdf "$manual" "$work/out.pdf" >/dev/null 2>&1 </dev/null || true
  done
  median() { grep -v '^Command' "$1" | sort -n -k"$2" | awk -v k="$2" 'NR == 4 {print $k}'; }
  read -r pT pM qT qM < <(echo "$(median "$work/placing-runs" 1) $(median "$work/placing-runs" 2)" \
                                "$(median "$work/qpdf-runs" 1) $(median "$work/qpdf-runs" 2)")
  manualTime=$(ratio "$pT" "$qT") manualMem=$(ratio "$pM" "$qM")
  echo
  echo "The C++ Annotations manual ($(pdfinfo "$manual" | awk '/^Pages:/{print $2}') pages), median of 7:"
  printf '  placing %s s, %s MB; qpdf in.pdf out.pdf %s s, %s MB\n' "$pT" "$(mb "$pM")" "$qT" "$(mb "$qM")"
fi

echo
echo "Documents whose pages are placed:"
printf 'target: placing within 2x the time of qpdf                 worst %-5s %s\n' "$worstTime" "$(verdict "$worstTime" 2)"
printf 'target: placing within 1.5x the peak memory of qpdf        worst %-5s %s\n' "$worstMem" "$(verdict "$worstMem" 1.5)"
printf 'target: placing output within 1.1x of the input            worst %-5s %s\n' "$worstSize" "$(verdict "$worstSize" 1.1)"
printf 'target: placing output within 1.1x of qpdf'"'"'s copy          worst %-5s %s\n' "$worstCopy" "$(verdict "$worstCopy" 1.1)"
printf 'target: cost at the printer within 1.05x of the input'"'"'s   worst %-5s %s\n' "$worstCost" "$(verdict "$worstCost" 1.05)"
printf 'target: the manual placed within 1.0x the time of qpdf      %-11s %s\n' "$manualTime" "$(verdict "$manualTime" 1.0)"
printf 'target: the manual placed within 1.0x the memory of qpdf    %-11s %s\n' "$manualMem" "$(verdict "$manualMem" 1.0)"
echo "The document whose every page is drawn:"
printf 'target: within 1.3x the peak memory of Render=always       worst %-5s %s\n' "$worstDrawnMem" "$(verdict "$worstDrawnMem" 1.3)"
printf 'target: output within 1.5x of Render=always'"'"'s            worst %-5s %s\n' "$worstDrawnSize" "$(verdict "$worstDrawnSize" 1.5)"
