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
# services it starts, which live on) away from the test's output streams:
# CTest waits until every holder of those has closed them.
mkdir -p "$WINEPREFIX"
(
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        timeout 600 "$wine" wineboot --init </dev/null >"$WINEPREFIX/wineboot.log" 2>&1
    fi
) 9>"$WINEPREFIX/.boot-lock"
exec "$wine" "$@"
