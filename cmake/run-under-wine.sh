#!/bin/sh
# Runs a Windows program of the cross build under Wine, for CTest:
#   run-under-wine.sh WINE DEFAULT_PREFIX PROGRAM [ARGS...]
# in the prefix WINEPREFIX names (scripts/wine-prefix, as scripts/test sets
# it up), else in the build's own, without Mono or Gecko install prompts and
# without Wine's debug channels on standard error.
wine=$1 default_prefix=$2
shift 2
WINEPREFIX=${WINEPREFIX:-$default_prefix}
WINEDEBUG=${WINEDEBUG:--all}
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES

# A new prefix is set up first, once, with its output (and that of the
# services it starts, which live on) away from the test's output streams,
# and without the lock: those services must not hold it. A prefix of
# scripts/wine-prefix is set up already.
mkdir -p "$WINEPREFIX"
(
    flock 9
    if [ ! -e "$WINEPREFIX/.booted" ] && [ ! -e "$WINEPREFIX/.quorlex-wine-prefix" ]; then
        timeout 600 "$wine" wineboot --init </dev/null >"$WINEPREFIX/wineboot.log" 2>&1 9>&- &&
            touch "$WINEPREFIX/.booted"
    fi
) 9>"$WINEPREFIX/.boot-lock"

# The program's output goes through files: helpers Wine starts on demand
# (its desktop process, say) inherit the program's output streams and live
# on after it, and CTest would wait for them to close its pipes.
out=$(mktemp) err=$(mktemp)
"$wine" "$@" >"$out" 2>"$err"
status=$?
cat "$out"
cat "$err" >&2
rm -f "$out" "$err"
exit $status
