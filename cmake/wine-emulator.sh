#!/bin/sh
# Runs a cross-built test program under Wine, in the session that
# tests/e2e/wine_session.py started for TOLVAR_WINEPREFIX. It never starts Wine
# itself: a server or service started from here would keep the test's pipe open.
if [ -z "$TOLVAR_WINEPREFIX" ] || [ ! -f "$TOLVAR_WINEPREFIX/session-server.pid" ]; then
    echo "no Wine session: start one with tests/e2e/wine_session.py start <prefix> and set TOLVAR_WINEPREFIX" >&2
    exit 1
fi
export WINEPREFIX="$TOLVAR_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
