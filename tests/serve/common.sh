# What the end-to-end tests share, sourced by each.

# serve_private SCRIPT ARGS...: run first thing; re-runs the script in a
# mount and PID namespace of its own (a network too with SERVE_PRIVATE_NET
# set), so it never touches the host's /tmp and lighttpd ends with it. The
# host's /tmp stays at /mnt/host-tmp.
serve_private() {
  if [ -z "${SERVE_TEST_PRIVATE:-}" ]; then
    local flags=(--mount --propagation private --pid --fork --kill-child --mount-proc ${SERVE_PRIVATE_NET:+--net})
    if [ "$(id -u)" != 0 ]; then
      # Root in a user namespace of our own cannot become another account.
      flags=(--map-root-user "${flags[@]}")
      export MGMT_USER=
    fi
    SERVE_TEST_PRIVATE=1 exec unshare "${flags[@]}" "$@"
  fi
  [ -z "${SERVE_PRIVATE_NET:-}" ] || ip link set lo up
  mount -t tmpfs -o mode=0755,size=1m tmpfs /mnt
  mkdir /mnt/host-tmp
  mount --rbind /tmp /mnt/host-tmp
}

# host_paths VAR...: moves paths under /tmp to /mnt/host-tmp, then gives the
# test a fresh /tmp.
host_paths() {
  local name
  for name in "$@"; do
    case ${!name} in /tmp/*) printf -v "$name" '%s' "/mnt/host-tmp/${!name#/tmp/}" ;; esac
  done
  mount -t tmpfs -o mode=1777 tmpfs /tmp
}

server=
stop_server() {
  if [ -n "$server" ]; then
    kill -TERM "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    server=
  fi
}
trap stop_server EXIT

# start_server LOG [VAR=VALUE...]: scripts/httpd serving $program with the
# settings given, $base its URL (HTTPS when MGMT_TLS_CERT is set, with the
# curl arguments for it in $tls), on port $SERVE_PORT when set, else on one
# nothing listens on (when another process takes it first, lighttpd cannot
# bind and the next port is tried).
start_server() {
  local log=$1 port scheme=http
  shift
  tls=()
  if [ -n "${MGMT_TLS_CERT:-}" ]; then
    scheme=https
    tls=(--cacert "$MGMT_TLS_CERT")
  fi
  for _ in $(seq 20); do
    port=${SERVE_PORT:-$((20000 + RANDOM % 40000))}
    (: <"/dev/tcp/127.0.0.1/$port") 2>/dev/null && continue
    env "$@" MGMT_PORT="$port" MGMT_CGI="$program" "$root/scripts/httpd" >>"$log" 2>&1 &
    server=$!
    for _ in $(seq 200); do
      kill -0 "$server" 2>/dev/null || break
      if curl -s -o /dev/null --max-time 1 "${tls[@]}" "$scheme://127.0.0.1:$port/"; then
        base=$scheme://127.0.0.1:$port
        return 0
      fi
      sleep 0.05
    done
    stop_server
  done
  echo "could not start lighttpd:" >&2
  cat "$log" >&2
  exit 1
}

failures=0
check() { # WHAT GOT WANT: prints ok or not ok, counting in $failures
  if [ "$2" == "$3" ]; then
    echo "ok - $1"
  else
    echo "not ok - $1"
    printf '  got:  %q\n  want: %q\n' "$2" "$3"
    failures=$((failures + 1))
  fi
}

finish() { # LOG...: the script's last command; fails when a check did, printing the logs
  stop_server
  [ "$failures" = 0 ] && return 0
  echo "$failures check(s) failed; lighttpd said:"
  cat "$@"
  return 1
}
