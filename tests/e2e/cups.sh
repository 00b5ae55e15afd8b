#!/bin/sh
# A private CUPS server for the printing tests, reached with CUPS_SERVER set to its socket: its own
# configuration, spool and output, and one default queue "kestrel" (the generic PostScript printer,
# Letter at 300 dpi) that writes every job to DIR/out/printed.ps. The machine's own CUPS is never used.
# cupsd runs its filters as an unprivileged user, which cannot reach a clone under a 0700 folder (a
# mktemp -d, a home folder), so the server lives in a 0755 folder of its own under /tmp, removed at stop.
#   cups.sh start DIR [SOCKET]  start the server; its socket is linked from SOCKET (DIR/cups.sock)
#   cups.sh stop DIR            stop the server and remove its folder
set -eu
cmd=$1 dir=$2
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

stop_server() {
  if [ -f "$dir/cupsd.pid" ]; then
    pid=$(cat "$dir/cupsd.pid")
    if kill "$pid" 2>/dev/null; then
      i=0
      while kill -0 "$pid" 2>/dev/null && [ $i -lt 50 ]; do i=$((i + 1)); sleep 0.1; done
    fi
  fi
  if [ -f "$dir/run" ]; then
    case $(cat "$dir/run") in /tmp/kestrel-cups.*) rm -rf "$(cat "$dir/run")" ;; esac
  fi
  if [ -f "$dir/socket" ]; then rm -f "$(cat "$dir/socket")"; fi
  rm -f "$dir/cupsd.pid" "$dir/run" "$dir/socket" "$dir/out"
}

case $cmd in
start)
  stop_server
  sock=${3:-$dir/cups.sock}
  # sockaddr_un holds 108 bytes.
  [ ${#sock} -le 100 ] || { echo "socket path too long: $sock" >&2; exit 1; }
  run=$(mktemp -d /tmp/kestrel-cups.XXXXXX)
  chmod 755 "$run"
  echo "$run" >"$dir/run"
  echo "$sock" >"$dir/socket"
  ln -sfn "$run" "$dir/out"
  ln -sf "$run/cups.sock" "$sock"
  mkdir -p "$run/conf" "$run/spool/tmp" "$run/cache" "$run/state" "$run/log"
  cat >"$run/conf/cups-files.conf" <<EOC
ServerRoot $run/conf
RequestRoot $run/spool
TempDir $run/spool/tmp
CacheDir $run/cache
StateDir $run/state
AccessLog $run/log/access_log
ErrorLog $run/log/error_log
PageLog $run/log/page_log
FileDevice Yes
SystemGroup root
Printcap $run/state/printcap
EOC
  cat >"$run/conf/cupsd.conf" <<EOC
Listen $run/cups.sock
LogLevel info
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultAuthType None
MaxJobs 0
PreserveJobHistory No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOC
  # stdin, stdout and stderr go to files: the caller (CTest) must not wait for them to close.
  cupsd -f -c "$run/conf/cupsd.conf" -s "$run/conf/cups-files.conf" </dev/null >"$run/log/cupsd.out" 2>&1 &
  echo $! >"$dir/cupsd.pid"
  i=0
  while [ ! -S "$run/cups.sock" ] && kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null && [ $i -lt 100 ]; do
    i=$((i + 1)); sleep 0.1
  done
  if [ ! -S "$run/cups.sock" ]; then
    echo "cupsd did not start:" >&2
    cat "$run/log/cupsd.out" "$run/log/error_log" >&2 2>/dev/null || true
    stop_server
    exit 1
  fi
  # lpadmin warns that PPD drivers are deprecated; the generic one is what Wine reads the page from.
  lpadmin -h "$sock" -p kestrel -E -v "file://$run/printed.ps" -m drv:///sample.drv/generic.ppd 2>&1 |
    grep -v "drivers are deprecated" >&2 || true
  lpadmin -h "$sock" -d kestrel
  lpstat -h "$sock" -d -v
  ;;
stop)
  stop_server
  ;;
*)
  echo "usage: cups.sh start|stop DIR [SOCKET]" >&2
  exit 2
  ;;
esac
