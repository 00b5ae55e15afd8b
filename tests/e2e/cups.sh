#!/bin/sh
# A private CUPS server for the printing tests: its own configuration, spool and socket under DIR,
# one queue "kestrel" (the generic PostScript printer, Letter at 300 dpi) that writes every job to
# DIR/printed.ps, set as the default. The machine's own CUPS (/etc/cups, its cupsd) is never used;
# programs reach this server with CUPS_SERVER set to its socket.
#   cups.sh start DIR [SOCKET]  start the server (socket DIR/cups.sock unless given) with the queue
#   cups.sh server DIR          print the server's socket, the value for CUPS_SERVER
#   cups.sh stop DIR            stop the server
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
}

case $cmd in
start)
  stop_server
  sock=${3:-$dir/cups.sock}
  # sockaddr_un holds 108 bytes.
  [ ${#sock} -le 100 ] || { echo "socket path too long: $sock" >&2; exit 1; }
  echo "$sock" >"$dir/socket"
  rm -f "$sock"
  rm -rf "$dir/conf" "$dir/spool" "$dir/cache" "$dir/state" "$dir/log"
  mkdir -p "$dir/conf" "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log"
  rm -f "$dir/printed.ps"
  cat >"$dir/conf/cups-files.conf" <<EOF
ServerRoot $dir/conf
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
FileDevice Yes
SystemGroup root
Printcap $dir/state/printcap
EOF
  cat >"$dir/conf/cupsd.conf" <<EOF
Listen $sock
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
  cupsd -f -c "$dir/conf/cupsd.conf" -s "$dir/conf/cups-files.conf" \
    </dev/null >"$dir/log/cupsd.out" 2>&1 &
  echo $! >"$dir/cupsd.pid"
  i=0
  while [ ! -S "$sock" ] && [ $i -lt 100 ]; do
    kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || break
    i=$((i + 1)); sleep 0.1
  done
  if [ ! -S "$sock" ]; then
    echo "cupsd did not start:" >&2
    cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
    stop_server
    exit 1
  fi
  # lpadmin warns that PPD drivers are deprecated; the generic one is what Wine reads the page from.
  lpadmin -h "$sock" -p kestrel -E -v "file://$dir/printed.ps" -m drv:///sample.drv/generic.ppd 2>&1 |
    grep -v "drivers are deprecated" >&2 || true
  lpadmin -h "$sock" -d kestrel
  lpstat -h "$sock" -d -v
  ;;
server)
  socket_path
  ;;
stop)
  stop_server
  rm -f "$(socket_path)"
  ;;
*)
  echo "usage: cups.sh start|server|stop DIR [SOCKET]" >&2
  exit 2
  ;;
esac
