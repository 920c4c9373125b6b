#!/usr/bin/env bash
# Fuzzes the PDF path (loading, page sizes, placing, drawing) with libFuzzer
# for the given number of seconds, starting from the test documents, the
# inputs kept in tests/fuzz/corpus and the files of qpdf's test corpus
# (../shared/pdf-corpus/qpdf, or QUORLEX_FUZZ_SEEDS) that fit the maximum
# input length, and prints the executions, their rate and the findings
# (inputs that crashed, leaked, overflowed or hung). Exits 1 when there is
# a finding. Target: at least 500 executions a second.
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
mkdir -p "$work/corpus" "$work/findings" "$work/known" "$work/stopped" "$work/leakcheck"
# Small documents run many times faster than large ones and reach the same
# code; the seeds of qpdf's corpus that fit are most of it.
max_len=16384
cp "$top"/tests/data/*.pdf "$top"/tests/fuzz/corpus/* "$work/corpus/"
seeds=${QUORLEX_FUZZ_SEEDS:-$top/../shared/pdf-corpus/qpdf}
if [[ -d "$seeds" ]]; then
  find "$seeds" -maxdepth 1 -type f -size -$((max_len + 1))c -exec cp -t "$work/corpus/" {} +
else
  echo "fuzz_pdf: no seed corpus at $seeds; starting from the test documents" >&2
fi

# Known and outside the program, set aside so that the fuzzing goes on,
# its input kept in tests/fuzz/known/ (see the README there) and tried
# first, so that a library without the fault is noticed: cairo 1.16
# (Debian 12) reads past a buffer while it subsets a damaged TrueType font
# of a drawn page, a crash whose first frame is that one.
cairo_frame='#0 0x[0-9a-f]+ +\(/lib/x86_64-linux-gnu/libcairo.so.2\+0x8be7d\) \(BuildId: 3b00371c4a7d7f8f50e68f20fa815163fb7df7fa\)'
is_known() {
  grep -m1 -E '^ +#0 0x' "$1" | grep -qE "$cairo_frame"
}

# The fuzzing itself looks for crashes, memory errors, undefined behaviour
# and hangs, in one worker per core (libFuzzer's fork mode), with short
# allocation stacks for speed. A worker gives up on an input after 5 s
# and goes on: inputs this small take milliseconds, and what took longer
# is replayed afterwards with 20 s, because poppler alone takes over a
# second on the page tree of some damaged files, and as long to set up a
# form's fonts from the system, which the sanitizers make several times
# slower; only a replay that does not finish is a hang. Inputs are chosen
# for mutation with less weight the slower they run, so that the few slow
# documents do not take most of the time.
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fuzz_options="detect_leaks=0:allocator_may_return_null=1:malloc_context_size=0:quarantine_size_mb=16"
for input in "$top"/tests/fuzz/known/*.pdf; do
  if QUORLEX_FUZZ_RENDER=always ASAN_OPTIONS=$fuzz_options "$dir/tests/fuzz/fuzz_pdf" -timeout=3 \
       "$input" >"$work/known.log" 2>&1 || ! is_known "$work/known.log"; then
    echo "fuzz_pdf: $(basename "$input") no longer shows its known fault; see tests/fuzz/known/" >&2
  fi
done

# The rate is given by the clock and by the processor time the fuzzing
# took: on a machine shared with other work, the second tells what the
# cores would do on their own.
workers=$(nproc)
TIMEFORMAT='%3U %3S'
fuzz_started=$(date +%s%N)
status=0
{ time ASAN_OPTIONS=$fuzz_options "$dir/tests/fuzz/fuzz_pdf" "$work/corpus" -fork="$workers" \
    -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 -entropic_scale_per_exec_time=1 \
    -max_total_time="$seconds" -max_len=$max_len -timeout=5 -rss_limit_mb=2048 -close_fd_mask=3 \
    -detect_leaks=0 -reload=0 -artifact_prefix="$work/stopped/" \
    >"$work/log" 2>&1; } 2>"$work/cpu" || status=$?
wall_ms=$((($(date +%s%N) - fuzz_started) / 1000000))
cpu_ms=$(awk '{printf "%d", ($1 + $2) * 1000}' "$work/cpu")
# Fork mode reports "#EXECUTIONS: cov: ..." after every job.
executions=$(grep -oE '^#[0-9]+:' "$work/log" | tail -n 1 | tr -d '#:')
executions=${executions:-0}
if ((status != 0)); then
  echo "fuzz_pdf: the fuzzing itself failed (exit $status)" >&2
  tail -n 30 "$work/log" >&2
fi

# Each input a worker stopped on is replayed alone with full stacks: a
# known fault of a library is set aside, a run that now finishes in time
# was slow. One that still runs out of time is replayed once more as the
# program runs it, its drawing in a helper process held to a budget of 2 s
# a page: poppler never finishes some damaged documents (pdftocairo
# neither), and the budget is what stops it; a run that then ends in time
# had its drawing held. Anything else is a finding.
slow=0 held=0
# Replays one input; says slow, held, known or finding.
replay() {
  if ASAN_OPTIONS="detect_leaks=0:allocator_may_return_null=1" "$dir/tests/fuzz/fuzz_pdf" \
       -timeout=20 -rss_limit_mb=2048 -close_fd_mask=3 "$1" >"$work/replay.log" 2>&1; then
    echo slow
  elif is_known "$work/replay.log"; then
    echo known
  elif grep -q 'ERROR: libFuzzer: timeout' "$work/replay.log" &&
       QUORLEX_FUZZ_HELPER=process ASAN_OPTIONS="detect_leaks=0:allocator_may_return_null=1" \
         "$dir/tests/fuzz/fuzz_pdf" -timeout=60 -rss_limit_mb=2048 -close_fd_mask=3 "$1" \
         >"$work/held.log" 2>&1; then
    echo held
  else
    cat "$work/replay.log" >>"$work/log"
    echo finding
  fi
}
for input in "$work"/stopped/*; do
  [[ -e "$input" ]] || continue
  case $(replay "$input") in
    slow) slow=$((slow + 1)) ;;
    held) held=$((held + 1)) ;;
    known) mv "$input" "$work/known/" ;;
    *) mv "$input" "$work/findings/" ;;
  esac
done

# Leaks are looked for afterwards, once per input the fuzzing kept, with
# full stacks so that the known leaks of the libraries (tests/lsan.supp)
# are told apart from the program's own.
if ((status == 0)); then
  mapfile -t inputs < <(find "$work/corpus" -type f | head -n 300)
  while ((${#inputs[@]} > 0)); do
    leaks=0
    ASAN_OPTIONS="detect_leaks=1:fast_unwind_on_malloc=0:allocator_may_return_null=1" \
    LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0" \
      "$dir/tests/fuzz/fuzz_pdf" -timeout=30 -close_fd_mask=3 -artifact_prefix="$work/leakcheck/" \
      "${inputs[@]}" >"$work/run.log" 2>&1 || leaks=$?
    cat "$work/run.log" >>"$work/log"
    if ((leaks == 0)); then break; fi
    crashed=$(grep '^Running: ' "$work/run.log" | tail -n 1 | cut -d' ' -f2-)
    # Full stacks on every allocation make a slow input many times slower:
    # one that ran out of time here is replayed as the stopped ones are, and
    # only one that still does not finish, and is not held by the drawing
    # budget, is a hang.
    if grep -q 'ERROR: libFuzzer: timeout' "$work/run.log"; then
      case $(replay "$crashed") in
        slow) slow=$((slow + 1)) ;;
        held) held=$((held + 1)) ;;
        *)
          cp "$crashed" "$work/findings/"
          status=$leaks
          break ;;
      esac
    elif ! is_known "$work/run.log"; then
      status=$leaks
      mv "$work/leakcheck/"* "$work/findings/" 2>/dev/null || true
      break
    fi
    # The inputs after the one a library failed on (or that was slow) are
    # tried again.
    mapfile -t inputs < <(printf '%s\n' "${inputs[@]}" | sed -n "\\|^$crashed\$|,\$p" | tail -n +2)
    rm -f "$work/leakcheck/"*
  done
fi

findings=$(find "$work/findings" -type f | wc -l)
known=$(find "$work/known" -type f | wc -l)
echo "fuzz_pdf: $executions executions in $((wall_ms / 1000)) s by $workers workers:" \
  "$((executions * 1000 / (wall_ms > 0 ? wall_ms : 1))) a second," \
  "$((executions * 1000 / (cpu_ms > 0 ? cpu_ms : 1))) a second of processor time;" \
  "$findings findings, $known known faults of cairo set aside, $slow slow inputs that finished when replayed," \
  "$held drawings poppler does not finish that the helper's budget held"
if ((findings > 0 || status != 0)); then
  grep -E "ERROR|SUMMARY|Test unit written" "$work/log" >&2 || tail -n 30 "$work/log" >&2
  mkdir -p "$top/out/fuzz-findings"
  cp "$work/findings/"* "$top/out/fuzz-findings/" 2>/dev/null || true
  echo "fuzz_pdf: the inputs are in out/fuzz-findings" >&2
  exit 1
fi
