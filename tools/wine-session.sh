#!/usr/bin/env bash
# Starts or stops the Wine session that the Windows tests of one build run in.
#
#   tools/wine-session.sh start [i686|x86_64]   # before ctest (i686 when not given)
#   tools/wine-session.sh stop  [i686|x86_64]   # after it
#
# i686 uses the 32-bit loader and the default prefix; x86_64 the 64-bit
# loader and a 64-bit prefix of its own, as cmake/mingw-*.cmake run them.
#
# Wine's background processes must not be started by a test: they would keep
# the test runner's output pipe open and it would wait forever. So the server
# and the services come up here, with their output sent away, and stay up
# until stopped.
set -euo pipefail
export WINEDEBUG=-all
case "${2:-i686}" in
  i686) loader=(wine) ;;
  x86_64)
    export WINEPREFIX="$HOME/.wine64" WINEARCH=win64
    loader=(/usr/lib/wine/wine64)
    ;;
  *)
    echo "usage: $0 start|stop [i686|x86_64]" >&2
    exit 2
    ;;
esac
case "${1:-}" in
  start)
    # A server that is already up stays as it is.
    wineserver -p >/dev/null 2>&1 </dev/null || true
    "${loader[@]}" wineboot -i >/dev/null 2>&1 </dev/null
    # A first program brings up the services; later starts are fast.
    "${loader[@]}" cmd /c exit >/dev/null 2>&1 </dev/null || true
    ;;
  stop)
    wineserver -k >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: $0 start|stop [i686|x86_64]" >&2
    exit 2
    ;;
esac
