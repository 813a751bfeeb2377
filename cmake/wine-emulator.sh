#!/bin/sh
# Runs a cross-built test program under Wine in the build tree's own prefix.
# A persistent wineserver with detached output keeps ctest from waiting on its pipe.
: "${WINEPREFIX:=${TOLVAR_WINEPREFIX:-$(pwd)/wineprefix}}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -d "$WINEPREFIX" ]; then
    wineboot -i </dev/null >/dev/null 2>&1
fi
wineserver -p </dev/null >/dev/null 2>&1
exec wine "$@"
