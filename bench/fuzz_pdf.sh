#!/usr/bin/env bash
# Fuzzes the PDF path (loading, page sizes, placing, drawing) with libFuzzer
# for the given number of seconds, starting from the test documents, and
# prints the executions and the findings (inputs that crashed, leaked,
# overflowed or hung). Exits 1 when there is a finding.
#   bench/fuzz_pdf.sh [SECONDS]     (default 60)
# Needs clang and libFuzzer (Debian clang, libclang-rt-dev); builds with
# QUORLEX_FUZZ=ON into build-fuzz/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
dir=${QUORLEX_FUZZ_BUILD:-$top/build-fuzz}

if ! command -v clang++ >/dev/null; then
  echo "fuzz_pdf: clang++ is missing (apt-get install clang libclang-rt-dev)" >&2
  exit 2
fi
# C++17: qpdf 11.3's JSON.hh does not compile with clang 14 and libstdc++ 12
# in C++20 (a vector of a class not yet complete); the program's code is
# C++17 clean apart from that.
CC=clang CXX=clang++ cmake -S "$top" -B "$dir" -DQUORLEX_FUZZ=ON -DQUORLEX_SANITIZE=ON \
  -DCMAKE_CXX_STANDARD=17 -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" --target fuzz_pdf -j"$(nproc)" >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/quorlex-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/findings"
cp "$top"/tests/data/*.pdf "$work/corpus/"

# The fuzzing itself looks for crashes, memory errors, undefined behaviour
# and hangs; leaks are looked for afterwards, once per input the fuzzing
# kept, with full stacks so that the known leaks of the libraries
# (tests/lsan.supp) are told apart from the program's own.
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
ASAN_OPTIONS="detect_leaks=0:allocator_may_return_null=1" \
  "$dir/tests/fuzz/fuzz_pdf" "$work/corpus" -max_total_time="$seconds" -max_len=65536 \
  -timeout=20 -rss_limit_mb=2048 -close_fd_mask=3 -artifact_prefix="$work/findings/" \
  -print_final_stats=1 >"$work/log" 2>&1 || status=$?
executions=$(awk '/stat::number_of_executed_units:/ {print $2}' "$work/log")

if ((status == 0)); then
  mapfile -t inputs < <(find "$work/corpus" -type f | head -n 300)
  ASAN_OPTIONS="detect_leaks=1:fast_unwind_on_malloc=0:allocator_may_return_null=1" \
  LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0" \
    "$dir/tests/fuzz/fuzz_pdf" -close_fd_mask=3 -artifact_prefix="$work/findings/" \
    "${inputs[@]}" >>"$work/log" 2>&1 || status=$?
fi

findings=$(find "$work/findings" -type f | wc -l)
echo "fuzz_pdf: ${executions:-0} executions in ${seconds} s, ${findings} findings"
if ((findings > 0 || status != 0)); then
  grep -E "ERROR|SUMMARY|Test unit written" "$work/log" >&2 || tail -n 30 "$work/log" >&2
  mkdir -p "$top/out/fuzz-findings"
  cp "$work/findings/"* "$top/out/fuzz-findings/" 2>/dev/null || true
  echo "fuzz_pdf: the inputs are in out/fuzz-findings" >&2
  exit 1
fi
