#!/usr/bin/env bash
# Runs the program over a corpus of PDF files nobody here wrote (by default
# the 714 files of qpdf's own test suite, ../shared/pdf-corpus/qpdf), each
# printed to the file: printer with the sanitizer build, and pdftocairo -pdf
# over the same files, and prints side by side how many were printed,
# refused, crashed (a signal or a sanitizer report), hung, came out failing
# `qpdf --check` where the input passes it, or came out with fewer pages
# than poppler finds in the input. Targets: no crash, no hang, no such
# output, no short document.
#   bench/corpus.sh [BUILD_DIR] [CORPUS_DIR]   (default build-sanitize/)
# The files behind every figure but "printed" and "refused" are listed in
# out/corpus/, one list per figure and program, beside results.tsv (a line
# per file: name; outcome, pages, qpdf --check of quorlex's output and of
# pdftocairo's; qpdf --check of the input and poppler's page count), and
# what the sanitizers said of each crash in out/corpus/reports/.
# A run that ends with nothing but a leak report is run again with full
# stacks: the libraries (cairo, poppler) are built without frame pointers,
# so the fast stacks of their allocations end in the library's first frame
# and match none of the suppressions of tests/lsan.supp, which name the
# library's own functions. A leak that stays is a crash.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-sanitize}
corpus=${2:-$top/../shared/pdf-corpus/qpdf}
export QUORLEX="$build/quorlex"
export SECONDS_PER_FILE=${QUORLEX_CORPUS_TIMEOUT:-120}
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export FULL_STACKS_ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=0"
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

for tool in "$QUORLEX" pdftocairo pdfinfo qpdf timeout; do
  command -v "$tool" >/dev/null || { echo "corpus: $tool is missing" >&2; exit 2; }
done
[[ -d "$corpus" ]] || { echo "corpus: no folder $corpus" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quorlex-corpus.XXXXXX")
trap 'rm -rf "$work"' EXIT
export WORK=$work
mkdir -p "$work/reports"

# One line per file: name, then for quorlex and for pdftocairo the outcome
# (printed, refused, crashed, hung), the output's pages and whether it
# passes qpdf --check; then whether the input passes and poppler's pages.
one_file() {
  local file=$1 name out err status
  name=$(basename "$file")
  local input_check=fail poppler_pages
  # (qpdf itself crashes on one input: the shell's word of it is not wanted)
  { timeout -k 5 "$SECONDS_PER_FILE" qpdf --check "$file" >/dev/null 2>&1 && input_check=pass; } 2>/dev/null
  poppler_pages=$(timeout -k 5 "$SECONDS_PER_FILE" pdfinfo "$file" 2>/dev/null |
    awk '/^Pages:/ {print $2}')
  local line="$name"
  for program in quorlex pdftocairo; do
    out="$WORK/$name.$program.pdf"
    err="$WORK/$name.$program.err"
    status=0
    if [[ $program == quorlex ]]; then
      timeout -k 5 "$SECONDS_PER_FILE" "$QUORLEX" ExitCode=result Notice=none \
        -printpdf "$file" "file:$out" corpus </dev/null >/dev/null 2>"$err" || status=$?
      if grep -q "ERROR: LeakSanitizer" "$err" && ! grep -qE "ERROR: AddressSanitizer|runtime error:" "$err"; then
        local replay=0
        rm -f "$out"
        ASAN_OPTIONS=$FULL_STACKS_ASAN_OPTIONS timeout -k 5 "$SECONDS_PER_FILE" "$QUORLEX" ExitCode=result \
          Notice=none -printpdf "$file" "file:$out" corpus </dev/null >/dev/null 2>"$err.full" || replay=$?
        # Too slow with full stacks: the first run's report stands.
        if ((replay != 124 && replay != 137)); then
          mv "$err.full" "$err"
          status=$replay
        fi
      fi
    else
      timeout -k 5 "$SECONDS_PER_FILE" pdftocairo -pdf "$file" "$out" </dev/null >/dev/null \
        2>"$err" || status=$?
    fi
    local outcome pages=- check=-
    if ((status == 124 || status == 137)); then
      outcome=hung
    elif ((status > 128)) || grep -qE "Sanitizer|runtime error:" "$err"; then
      outcome=crashed
      cp "$err" "$WORK/reports/$name.$program.txt"
    elif [[ -s "$out" ]] && ! grep -q "Unable to print document" "$err" &&
         { ((status == 0 || status == 3)) || [[ $program == quorlex && $status == 1 ]]; }; then
      outcome=printed
      pages=$(qpdf --show-npages "$out" 2>/dev/null || echo 0)
      check=fail
      timeout -k 5 "$SECONDS_PER_FILE" qpdf --check "$out" >/dev/null 2>&1 && check=pass
    else
      outcome=refused
    fi
    line+=$'\t'"$outcome"$'\t'"$pages"$'\t'"$check"
    rm -f "$out" "$err" "$err.full"
  done
  printf '%s\t%s\t%s\n' "$line" "$input_check" "${poppler_pages:--}" >>"$WORK/results.$$"
}
export -f one_file

start=$(date +%s)
# shellcheck disable=SC2016  # $1 is the argument of the inner bash
find "$corpus" -maxdepth 1 -type f -print0 | sort -z |
  xargs -0 -n 1 -P "$(nproc)" bash -c 'one_file "$1"' _
cat "$work"/results.* >"$work/results"
elapsed=$(($(date +%s) - start))

mkdir -p "$top/out/corpus"
rm -f "$top/out/corpus/"*.txt
rm -rf "$top/out/corpus/reports"
cp -r "$work/reports" "$top/out/corpus/reports"
sort "$work/results" >"$top/out/corpus/results.tsv"
# Columns: 1 name; 2-4 quorlex; 5-7 pdftocairo; 8 input check; 9 poppler's pages.
awk -F'\t' -v lists="$top/out/corpus" -v total="$(wc -l <"$work/results")" -v secs="$elapsed" '
  function note(program, what, name) { print name > (lists "/" program "-" what ".txt") }
  {
    for (p = 0; p < 2; ++p) {
      program = p == 0 ? "quorlex" : "pdftocairo"
      outcome = $(2 + 3 * p); pages = $(3 + 3 * p); check = $(4 + 3 * p)
      count[program, outcome]++
      if (outcome == "crashed" || outcome == "hung") note(program, outcome, $1)
      if (outcome != "printed") continue
      if (check == "fail" && $8 == "pass") { count[program, "badcheck"]++; note(program, "check", $1) }
      if ($9 != "-" && pages + 0 < $9 + 0) { count[program, "short"]++; note(program, "short", $1) }
    }
  }
  END {
    printf "%d files in %d s\n\n", total, secs
    printf "| %-44s | %8s | %10s |\n", "", "quorlex", "pdftocairo"
    printf "|%s|%s|%s|\n", "----------------------------------------------", "----------", "------------"
    split("printed refused crashed hung badcheck short", rows, " ")
    split("printed|refused|crashed|hung|output fails qpdf --check, input passes|pages short of poppler'"'"'s", names, "|")
    for (r = 1; r <= 6; ++r)
      printf "| %-44s | %8d | %10d |\n", names[r], count["quorlex", rows[r]], count["pdftocairo", rows[r]]
  }' "$work/results"
echo
echo "files behind the figures: out/corpus/"
