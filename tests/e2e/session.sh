#!/bin/sh
# A private X display and Wine prefix for the end-to-end tests.
#   session.sh start DIR [DEPTH] [DPI]   start Xvfb on a free display, make or reuse DIR/prefix
#                                        (screen size KESTREL_SCREEN_SIZE, 1024x768 unless set)
#   session.sh run DIR PROGRAM ARGS...   run a Windows program there
#   session.sh stop DIR                  stop Wine and the display
set -eu
cmd=$1 dir=$2
shift 2
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)  # Wine insists on an absolute prefix

env_for() {
  DISPLAY=:$(cat "$dir/display"); export DISPLAY
  WINEPREFIX=$dir/prefix; export WINEPREFIX
  WINEDEBUG=-all; export WINEDEBUG
  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"; export WINEDLLOVERRIDES
}

case $cmd in
start)
  depth=${1:-24} dpi=${2:-96}
  mkdir -p "$dir"
  [ -f "$dir/xvfb.pid" ] && kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
  # Several test runs may share the machine: take the first display whose server really starts.
  n=91
  while :; do
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "${KESTREL_SCREEN_SIZE:-1024x768}x$depth" -nolisten tcp -noreset >"$dir/xvfb.log" 2>&1 &
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
  echo $pid >"$dir/xvfb.pid"
  echo "$n" >"$dir/display"
  env_for
  if [ ! -f "$dir/prefix/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
  fi
  # Without a window manager Wine waits 2 s for every hide of a managed window: let it draw frames.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
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
  [ -f "$dir/xvfb.pid" ] && kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
  rm -f "$dir/xvfb.pid"
  ;;
*)
  echo "usage: session.sh start|run|stop DIR ..." >&2
  exit 2
  ;;
esac
