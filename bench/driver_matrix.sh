#!/usr/bin/env bash
# The driver matrix: what reaches each printer of the print sandbox's driver
# matrix (a queue for each driver Debian users have, behind a socket printer
# that keeps the bytes) when the sample document (A4, A4 landscape, US
# Letter, A5) is printed with two copies, by quorlex and by lp, read back
# from the printer's language (PCL, ZPL, PostScript, P-touch) and, for the
# languages that are only raster lines, from the raster the driver was
# handed. Prints a Markdown table: queue, what reaches the printer from
# quorlex, what lp gives.
#
#   bench/driver_matrix.sh [QUORLEX ARGS...]   (default: Copies=2 Collate=no)
#   QUORLEX_LP_OPTIONS="-n 2 -o collate=true"  the options lp gets (default: -n 2)
#   QUORLEX_MATRIX_QUEUES="hpcups gutenprint"   only these queues of the matrix
#
# Uses the release build (built when missing) and its describe_printed tool,
# and the print sandbox (started for the run when it is not running, and
# stopped again afterwards).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if (($# == 0)); then set -- Copies=2 Collate=no; fi
read -r -a lp_options <<<"${QUORLEX_LP_OPTIONS:--n 2}"
document=${QUORLEX_DOCUMENT:-$top/tests/data/mixed.pdf}

build=$top/build
if [[ ! -x "$build/quorlex" || ! -x "$build/tests/tools/describe_printed" ]]; then
    "$top/scripts/build" release >/dev/null
fi
describe=$build/tests/tools/describe_printed

started_sandbox=0
if ! "$top/scripts/print-sandbox" status >/dev/null 2>&1; then
    "$top/scripts/print-sandbox" start >/dev/null
    started_sandbox=1
fi
cleanup() {
    if ((started_sandbox)); then "$top/scripts/print-sandbox" stop >/dev/null || true; fi
}
trap cleanup EXIT
eval "$("$top/scripts/print-sandbox" env)"

count() { { find "$1" -maxdepth 1 -name "*.$2" 2>/dev/null || true; } | wc -l; }
newest() { { find "$1" -maxdepth 1 -name "*.$2" -size +63c -printf '%T@ %p\n' 2>/dev/null || true; } | sort -n | tail -n 1 | cut -d" " -f2-; }

# Waits until the folder holds more files of the kind than before (90 s at most).
wait_more() {
    local folder=$1 kind=$2 before=$3 deadline=$((SECONDS + 90))
    while ((SECONDS < deadline)); do
        (($(count "$folder" "$kind") > before)) && return 0
        sleep 0.2
    done
    return 1
}

# What the printer (and the driver, where the printer's language is not
# read) received from the last job.
reading() {
    local name=$1 spool=$2 taps=$3 before_prn=$4 before_ras=$5 text
    if ! wait_more "$spool" prn "$before_prn"; then
        echo "nothing arrived"
        return
    fi
    text=$("$describe" "$(newest "$spool" prn)")
    if [[ "$text" == "ESC/P: 0 pages"* ]] && wait_more "$taps" ras "$before_ras"; then
        text="raster to the driver: $("$describe" "$(newest "$taps" ras)" | sed "s/^CUPS raster: //")"
    fi
    echo "$text"
}

echo "| queue | quorlex $* | lp ${lp_options[*]} |"
echo "|---|---|---|"
for name in ${QUORLEX_MATRIX_QUEUES:-$QUORLEX_DRIVER_QUEUES}; do
    queue=quorlex-$name spool=$QUORLEX_SANDBOX_DIR/socket-$name taps=$QUORLEX_SANDBOX_DIR/driver-input/quorlex-$name
    prn=$(count "$spool" prn) ras=$(count "$taps" ras)
    if out=$("$build/quorlex" ExitCode=result Notice=none Wait=120 "$@" -printpdf "$document" "$queue" \
                 "matrix $name" </dev/null 2>&1); then
        ours=$(reading "$name" "$spool" "$taps" "$prn" "$ras")
    else
        # The log wraps its lines under a column of writer names.
        ours="refused: $(awk '/^ [A-Za-z]+: +/ { if (line) print line; line = $0; next }
                              /^              / { sub(/^ +/, " "); line = line $0; next } END { print line }' <<<"$out" |
                          grep -o 'Unable to print document: .*' | head -n 1)"
    fi
    prn=$(count "$spool" prn) ras=$(count "$taps" ras)
    lp -d "$queue" "${lp_options[@]}" -t "lp $name" "$document" >/dev/null
    theirs=$(reading "$name" "$spool" "$taps" "$prn" "$ras")
    echo "| $name | $ours | $theirs |"
done
