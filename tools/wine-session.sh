#!/usr/bin/env bash
# Starts or stops the Wine session that the Windows tests run in.
#
#   tools/wine-session.sh start   # before ctest
#   tools/wine-session.sh stop    # after it
#
# Wine's background processes must not be started by a test: they would keep
# the test runner's output pipe open and it would wait forever. So the server
# and the services come up here, with their output sent away, and stay up
# until stopped.
set -euo pipefail
export WINEDEBUG=-all
case "${1:-}" in
  start)
    # A server that is already up stays as it is.
    wineserver -p >/dev/null 2>&1 </dev/null || true
    wineboot -i >/dev/null 2>&1 </dev/null
    # A first program brings up the services; later starts are fast.
    wine cmd /c exit >/dev/null 2>&1 </dev/null || true
    ;;
  stop)
    wineserver -k >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
