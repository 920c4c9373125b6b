#!/usr/bin/env bash
# End-to-end print time through CUPS: from the start of a submission until the
# IPP printer of the print sandbox holds the finished job, quorlex against
# lp on the same documents. Prints the figures side by side and the ratio
# against the target (quorlex within 1.2x of lp).
#
#   bench/e2e_cups.sh [runs-per-document]     (default 7; the median counts)
#
# Two more columns: quorlex printing straight to the same IPP printer by its
# URI (ipp://127.0.0.1:PORT/ipp/print, no scheduler between), with its ratio
# to lp to the queue; and quorlex printing to its built-in file printer,
# what making the document costs without any spooling.
#
# Then a raster queue (CUPS's HP LaserJet PCL driver behind a socket
# printer of the driver matrix): the time until the printer holds all of
# the job's PCL, quorlex against lp; target at most lp's time (1.0x).
#
# Uses the release build (built when missing; QUORLEX_BIN names another
# binary) and the print sandbox (started for the run when it is not running,
# and stopped again afterwards).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
target=1.2

quorlex=${QUORLEX_BIN:-$top/build/quorlex}
if [[ -z "${QUORLEX_BIN:-}" && ! -x "$quorlex" ]]; then
    "$top/scripts/build" release >/dev/null
fi

started_sandbox=0
if ! "$top/scripts/print-sandbox" status >/dev/null 2>&1; then
    "$top/scripts/print-sandbox" start >/dev/null
    started_sandbox=1
fi
work=$(mktemp -d /tmp/quorlex-bench-XXXXXX)
cleanup() {
    rm -rf "$work"
    if ((started_sandbox)); then "$top/scripts/print-sandbox" stop >/dev/null || true; fi
}
trap cleanup EXIT
eval "$("$top/scripts/print-sandbox" env)"
queue=$QUORLEX_IPP_QUEUE

cat >"$work/finished.test" <<'EOF'
{
  NAME "finished jobs"
  OPERATION Get-Jobs
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  ATTR keyword which-jobs completed
  ATTR keyword requested-attributes job-name,job-state
  STATUS successful-ok
  DISPLAY job-name
  DISPLAY job-state
}
EOF

now() { date +%s.%N; }

# Waits until the printer has completed the job of that name (60 s at most).
wait_for_printer() {
    local name=$1 deadline=$((SECONDS + 60))
    while ((SECONDS < deadline)); do
        if ipptool -c "$QUORLEX_IPP_URI" "$work/finished.test" 2>/dev/null |
            grep -qF "$name,completed"; then
            return 0
        fi
        sleep 0.02
    done
    echo "bench: job \"$name\" never completed at the printer" >&2
    return 1
}

# Waits until the queue has no job left, so that no earlier job's backend
# (which watches its job at the printer for up to a second more) holds up
# the next one.
wait_idle() {
    local deadline=$((SECONDS + 60))
    while ((SECONDS < deadline)); do
        if [[ -z "$(lpstat -o "$queue" 2>/dev/null)" ]] &&
            lpstat -p "$queue" 2>/dev/null | grep -q "is idle"; then
            return 0
        fi
        sleep 0.05
    done
    echo "bench: queue $queue does not become idle" >&2
    return 1
}

# Seconds from submission to the finished job at the printer, printing to
# the given printer: the queue, or the printer's URI (no scheduler, no
# filters).
time_quorlex() {
    local pdf=$1 name=$2 printer=$3 start
    wait_idle
    start=$(now)
    "$quorlex" -printpdf "$pdf" "$printer" "$name" </dev/null >/dev/null 2>"$work/quorlex.err" || true
    if grep -q "Unable to print document" "$work/quorlex.err"; then
        cat "$work/quorlex.err" >&2
        return 1
    fi
    wait_for_printer "$name"
    echo "$(now) - $start" | bc -l
}

time_file() {
    local pdf=$1 start
    start=$(now)
    "$quorlex" -printpdf "$pdf" "file:$work/out.pdf" bench </dev/null >/dev/null 2>&1 || true
    echo "$(now) - $start" | bc -l
}

time_lp() {
    local pdf=$1 name=$2 start
    wait_idle
    start=$(now)
    lp -d "$queue" -t "$name" "$pdf" >/dev/null
    wait_for_printer "$name"
    echo "$(now) - $start" | bc -l
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

documents=("$top/tests/data/mixed.pdf" /usr/share/cups/data/default-testpage.pdf)
for manual in /usr/share/doc/shared-mime-info/shared-mime-info-*.pdf \
              /usr/share/doc/libtasn1-doc/libtasn1.pdf; do
    [[ -r "$manual" ]] && documents+=("$manual")
done

printf '%-30s %5s %9s %9s %9s %9s %7s %7s  %s\n' document pages "lp (s)" "quorlex" "by URI" "file:" \
    ratio "URI/lp" "target <= ${target}x"
all_ok=1
for pdf in "${documents[@]}"; do
    [[ -r "$pdf" ]] || continue
    pages=$(pdfinfo "$pdf" 2>/dev/null | awk '/^Pages:/ { print $2 }')
    : >"$work/lp.times"
    : >"$work/quorlex.times"
    : >"$work/file.times"
    : >"$work/direct.times"
    for ((i = 1; i <= runs; i++)); do
        time_file "$pdf" >>"$work/file.times"
        time_quorlex "$pdf" "bench direct $$ $i $(basename "$pdf")" "$QUORLEX_IPP_URI" >>"$work/direct.times"
        # Alternate the order so that neither profits from a warm cache alone.
        if ((i % 2)); then
            time_lp "$pdf" "bench lp $$ $i $(basename "$pdf")" >>"$work/lp.times"
            time_quorlex "$pdf" "bench quorlex $$ $i $(basename "$pdf")" "$queue" >>"$work/quorlex.times"
        else
            time_quorlex "$pdf" "bench quorlex $$ $i $(basename "$pdf")" "$queue" >>"$work/quorlex.times"
            time_lp "$pdf" "bench lp $$ $i $(basename "$pdf")" >>"$work/lp.times"
        fi
    done
    lp_time=$(median <"$work/lp.times")
    quorlex_time=$(median <"$work/quorlex.times")
    file_time=$(median <"$work/file.times")
    direct_time=$(median <"$work/direct.times")
    ratio=$(echo "$quorlex_time / $lp_time" | bc -l)
    direct_ratio=$(echo "$direct_time / $lp_time" | bc -l)
    verdict=ok
    if (($(echo "$ratio > $target" | bc -l))); then
        verdict=SLOWER
        all_ok=0
    fi
    printf '%-30s %5s %9.3f %9.3f %9.3f %9.3f %6.2fx %6.2fx  %s\n' "$(basename "$pdf")" "$pages" "$lp_time" \
        "$quorlex_time" "$direct_time" "$file_time" "$ratio" "$direct_ratio" "$verdict"
done
if ((all_ok)); then
    echo "quorlex is within ${target}x of lp on every document"
else
    echo "quorlex is slower than ${target}x of lp on some document"
fi

# ---- the raster queue: time until the socket printer holds the PCL
raster_target=1.0
raster_queue="quorlex-laserjet"
raster_spool=$QUORLEX_SANDBOX_DIR/socket-laserjet
jobs_held() { find "$raster_spool" -name '*.prn' -size +64c 2>/dev/null | wc -l; }
# Seconds from submission until the printer has one job more, with the
# submitting command given.
time_raster() {
    local before start deadline
    queue=$raster_queue wait_idle
    before=$(jobs_held)
    start=$(now)
    "$@" </dev/null >/dev/null 2>&1 || true
    deadline=$((SECONDS + 120))
    while (($(jobs_held) <= before)); do
        if ((SECONDS > deadline)); then
            echo "bench: the raster printer got nothing" >&2
            return 1
        fi
        sleep 0.02
    done
    echo "$(now) - $start" | bc -l
}
if [[ " $QUORLEX_DRIVER_QUEUES " != *" laserjet "* ]]; then
    echo "no raster queue in the print sandbox (CUPS's sample drivers missing)"
    exit 0
fi
echo
printf '%-30s %5s %9s %9s %7s  %s\n' "raster queue (PCL)" pages "lp (s)" "quorlex" ratio "target <= ${raster_target}x"
raster_ok=1
for pdf in "$top/tests/data/mixed.pdf" /usr/share/cups/data/default-testpage.pdf; do
    [[ -r "$pdf" ]] || continue
    pages=$(pdfinfo "$pdf" 2>/dev/null | awk '/^Pages:/ { print $2 }')
    : >"$work/lp.times"
    : >"$work/quorlex.times"
    for ((i = 1; i <= runs; i++)); do
        time_raster lp -d "$raster_queue" -t "bench lp $i" "$pdf" >>"$work/lp.times"
        time_raster "$quorlex" Wait=0 -printpdf "$pdf" "$raster_queue" "bench quorlex $i" >>"$work/quorlex.times"
    done
    lp_time=$(median <"$work/lp.times")
    quorlex_time=$(median <"$work/quorlex.times")
    ratio=$(echo "$quorlex_time / $lp_time" | bc -l)
    verdict=ok
    if (($(echo "$ratio > $raster_target" | bc -l))); then
        verdict=SLOWER
        raster_ok=0
    fi
    printf '%-30s %5s %9.3f %9.3f %6.2fx  %s\n' "$(basename "$pdf")" "$pages" "$lp_time" "$quorlex_time" "$ratio" \
        "$verdict"
done
if ((raster_ok)); then
    echo "quorlex is within ${raster_target}x of lp on the raster queue"
else
    echo "quorlex is slower than lp on the raster queue"
fi
