#!/bin/sh
# A private CUPS server for the printing tests: its own configuration, spool, socket and output,
# one queue "kestrel" (the generic PostScript printer, Letter at 300 dpi) that writes every job to
# printed.ps, set as the default. The machine's own CUPS (/etc/cups, its cupsd) is never used;
# programs reach this server with CUPS_SERVER set to its socket.
#
# cupsd runs its filters as an unprivileged user, which cannot reach a spool inside a clone under
# a 0700 folder (a mktemp -d, a home folder). So the server lives in a 0755 folder of its own under
# /tmp, removed again at stop; DIR/out links to it (DIR/out/printed.ps is the page) and DIR/cups.sock
# (or SOCKET) to its socket.
#   cups.sh start DIR [SOCKET]  start the server with the queue
#   cups.sh server DIR          print the server's socket, the value for CUPS_SERVER
#   cups.sh stop DIR            stop the server and remove its folder
set -eu
cmd=$1 dir=$2
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

socket_path() {
  if [ -f "$dir/socket" ]; then cat "$dir/socket"; else echo "$dir/cups.sock"; fi
}

stop_server() {
  if [ -f "$dir/cupsd.pid" ]; then
    pid=$(cat "$dir/cupsd.pid")
    if kill "$pid" 2>/dev/null; then
      i=0
      while kill -0 "$pid" 2>/dev/null && [ $i -lt 50 ]; do i=$((i + 1)); sleep 0.1; done
    fi
    rm -f "$dir/cupsd.pid"
  fi
  if [ -f "$dir/run" ]; then
    run=$(cat "$dir/run")
    case $run in /tmp/kestrel-cups.*) rm -rf "$run" ;; esac
    rm -f "$dir/run"
  fi
  rm -f "$dir/out"
}

case $cmd in
start)
  stop_server
  sock=${3:-$dir/cups.sock}
  # sockaddr_un holds 108 bytes.
  [ ${#sock} -le 100 ] || { echo "socket path too long: $sock" >&2; exit 1; }
  echo "$sock" >"$dir/socket"
  run=$(mktemp -d /tmp/kestrel-cups.XXXXXX)
  chmod 755 "$run"
  echo "$run" >"$dir/run"
  ln -sfn "$run" "$dir/out"
  rm -f "$sock"
  ln -s "$run/cups.sock" "$sock"
  mkdir -p "$run/conf" "$run/spool/tmp" "$run/cache" "$run/state" "$run/log"
  cat >"$run/conf/cups-files.conf" <<EOF
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
EOF
  cat >"$run/conf/cupsd.conf" <<EOF
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
EOF
  # stdin, stdout and stderr go to files: the caller (CTest) must not wait for them to close.
  cupsd -f -c "$run/conf/cupsd.conf" -s "$run/conf/cups-files.conf" \
    </dev/null >"$run/log/cupsd.out" 2>&1 &
  echo $! >"$dir/cupsd.pid"
  i=0
  while [ ! -S "$run/cups.sock" ] && [ $i -lt 100 ]; do
    kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || break
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
server)
  socket_path
  ;;
stop)
  sock=$(socket_path)
  stop_server
  rm -f "$sock"
  ;;
*)
  echo "usage: cups.sh start|server|stop DIR [SOCKET]" >&2
  exit 2
  ;;
esac
