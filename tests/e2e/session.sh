#!/bin/sh
# A private X display and Wine prefix (DIR/prefix, made or reused) for the end-to-end tests:
#   session.sh start DIR [DEPTH] [DPI] [two-screens]  (screen KESTREL_SCREEN_SIZE, 1024x768 unless set)
#   session.sh run DIR PROGRAM ARGS...                run a Windows program there
#   session.sh stop DIR                               stop Wine and the display
set -eu
cmd=$1 dir=$2
shift 2
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)  # Wine insists on an absolute prefix

env_for() {
  export DISPLAY=":$(cat "$dir/display")" WINEPREFIX="$dir/prefix" WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

stop_x() {
  for server in xephyr xvfb; do
    [ -f "$dir/$server.pid" ] && kill "$(cat "$dir/$server.pid")" 2>/dev/null || true
    rm -f "$dir/$server.pid"
  done
}

# start_x PROGRAM NAME ARGS...: an X server on the first free display whose server really starts
# (test runs share the machine); its process in DIR/NAME.pid, its display number in n.
start_x() {
  program=$1 name=$2
  shift 2
  n=91
  while :; do
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    "$program" ":$n" "$@" -nolisten tcp -noreset >"$dir/$name.log" 2>&1 &
    pid=$!
    i=0
    while kill -0 $pid 2>/dev/null && [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 100 ]; do
      i=$((i + 1)); sleep 0.1
    done
    if kill -0 $pid 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then break; fi
    kill $pid 2>/dev/null || true
    n=$((n + 1))
    [ $n -gt 400 ] && { echo "no free X display" >&2; exit 1; }
  done
  echo $pid >"$dir/$name.pid"
}

case $cmd in
start)
  depth=${1:-24} dpi=${2:-96} layout=${3:-}
  stop_x
  if [ "$layout" = two-screens ]; then
    # Xvfb lays all its screens over each other at the origin; Xephyr, nested in an Xvfb of its
    # own, puts them side by side as one Xinerama desk. X screen 0 (640x480) is on the left and
    # screen 1 (800x600) on its right; Wine is told to make the right one primary, so the left
    # monitor has negative coordinates: (-640,0)-(0,480) and (0,0)-(800,600).
    command -v Xephyr >/dev/null || { echo "Xephyr is missing (scripts/install-deps)" >&2; exit 1; }
    start_x Xvfb xvfb -screen 0 "1600x800x$depth"
    export DISPLAY=:$n
    start_x Xephyr xephyr +xinerama -screen "640x480x$depth" -screen "800x600x$depth"
  else
    start_x Xvfb xvfb -screen 0 "${KESTREL_SCREEN_SIZE:-1024x768}x$depth"
  fi
  echo "$n" >"$dir/display"
  env_for
  [ -f "$dir/prefix/system.reg" ] || wineboot -i >/dev/null 2>&1 || true
  # Without a window manager Wine waits 2 s for every hide of a managed window: let it draw frames.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  if [ "$layout" = two-screens ]; then
    # Wine sees Xephyr's monitors only through Xinerama (its RandR shows one); the second of them,
    # X screen 1, is to be the primary monitor.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N /f >/dev/null
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v PrimaryMonitor /d 1 /f >/dev/null
  fi
  wineserver -w
  ;;
run)
  env_for
  exec wine "$@"
  ;;
stop)
  if [ -f "$dir/display" ]; then
    env_for
    wineserver -k 2>/dev/null || true
  fi
  stop_x
  ;;
*)
  echo "usage: session.sh start|run|stop DIR ..." >&2
  exit 2
  ;;
esac
