#!/usr/bin/env bash
# CGI against FastCGI: the same requests through lighttpd (scripts/httpd),
# once with a new process per request and once with one process kept running
# under FastCGI, give the same responses byte for byte (less the Date
# header), leave the same session files and stand-in state, and write the
# same log lines (less their time stamps and the registration's, which a
# persistent process makes once). In a private /tmp and PID namespace.
#
# Usage: modes_test.sh PROGRAM ROUTE_LISTER CASE
#   ROUTE_LISTER: memcheck_routes, whose --list gives every route.
#   CASE routes: every route as admin, then the failure forms and requests
#        of different sessions, methods and bodies interleaved on the one
#        FastCGI process;
#   CASE gone: calls that report the switch RPC service gone: the process
#        answers that request as a CGI run does, registers anew before the
#        next, and the next is served on the new registration.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -eq 3 ] || { echo "usage: $0 PROGRAM ROUTE_LISTER CASE" >&2; exit 2; }
program=$1 lister=$2 case_name=$3

. "$root/tests/serve/common.sh"
serve_private "$0" "$@"
host_paths root program lister
work=$(mktemp -d /tmp/modes.XXXXXX)

start_mode() { # MODE [SWSIM_FAULTS]
  start_server "$work/httpd-$1.log" MGMT_SERVE="$1" MGMT_FASTCGI_PROCS=1 SWSIM_FAULTS="${2:-}" \
    SWSIM_TRACE=/tmp/trace.jsonl SWSIM_STATE=/tmp/switch/state.json
}

# A fresh /tmp as the program finds it: sessions with fixed tokens, every
# log line written (threshold 9), no state, no trace.
fresh() {
  rm -rf /tmp/session /tmp/brisk.log /tmp/brisk.log.old /tmp/switch /tmp/trace.jsonl
  mkdir -m 0700 /tmp/session
  printf 'admin\n0\nadmin-token' >/tmp/session/admin-token
  printf 'operator\n0\nro\nreader-token' >/tmp/session/reader-token
  printf 'alice\n0\nrw\nwriter-token' >/tmp/session/writer-token
  printf 'alice\n0\nrwx\nnorefresh-token' >/tmp/session/norefresh-token
  printf 'admin\n-99999\nexpired-token' >/tmp/session/expired-token
  printf 'bob\n0\nRO\nbad-token' >/tmp/session/bad-token
  printf '9\0\0\0' >/tmp/devmgr_log_level
}

# The requests, one per line: METHOD PATH TOKEN BODY-FILE [REFRESH]; "-" for
# no token, no body or no Refresh header.
big=$work/big.body
head -c 3000000 /dev/zero | tr '\0' 'x' >"$big"
while read -r name body; do printf '%s' "$body" >"$work/$name.body"; done <<'BODIES'
empty-object {}
timeout {"timeout": 20}
server {"ipAddr": "192.0.2.10"}
ping {"address": "10.1.1.1", "count": 2}
broken {"mode": "enable"
BODIES

requests_routes() {
  local method url
  # Every route as admin; then every kind of session in turn, so that one
  # process serves them interleaved, the failure forms, and the login
  # program's path, which stays with that program in both modes.
  while read -r method url; do
    local body=-
    [ "$method" = POST ] || [ "$method" = PUT ] && body=$work/empty-object.body
    echo "$method $url admin-token $body"
  done < <("$lister" --list)
  cat <<EOF
PUT /api/v2/mgmt/mgmttelnet/agent-telnet-timeout writer-token $work/timeout.body
PUT /api/v2/mgmt/mgmttelnet/agent-telnet-timeout reader-token $work/timeout.body
POST /api/v2/mgmt/ntp/server admin-token $work/server.body
POST /api/v2/mgmt/ntp/server admin-token -
POST /api/v2/mgmt/ping/address writer-token $work/ping.body
POST /api/v2/mgmt/ping/address writer-token $work/broken.body
PUT /api/v2/mgmt/mgmttelnet/agent-telnet-timeout reader-token $big
GET /api/v2/mgmt/bonjour/admin-mode norefresh-token - 1
GET /api/v2/mgmt/bonjour/admin-mode expired-token -
GET /api/v2/mgmt/bonjour/admin-mode expired-token -
GET /api/v2/mgmt/bonjour/admin-mode bad-token -
GET /api/v2/mgmt/bonjour/admin-mode - -
GET /api/v2/mgmt/bonjour/admin-mode?x=1 admin-token -
GET /api/v2/mgmt/bonjour/no-such-thing admin-token -
GET /api/v2/mgmt/ntp admin-token -
GET /api/v2/mgmt/dns/admin-mode/ admin-token -
GET /api/v2//mgmt/dns/admin-mode admin-token -
GET /api/v2/mgmt/dns/admin-mode?a=b/c admin-token -
PATCH /api/v2/mgmt/beacon/mode admin-token -
DELETE /api/v2/mgmt/dns/static-host-address-mapping admin-token $work/empty-object.body
GET /api/v3/mgmt/beacon/mode admin-token -
GET /api/v2/mgmt/ntp/server-next?ntpServer=192.0.2.10 reader-token -
POST /api/v2/login - $work/broken.body
EOF
}

# Every call of one kind reports the service gone: those requests are
# answered with the general failure, as under CGI, and the persistent
# process registers anew after each; the others are served as usual.
requests_gone() {
  cat <<EOF
GET /api/v2/mgmt/bonjour/admin-mode admin-token -
GET /api/v2/mgmt/bonjour/debug-level1 admin-token -
GET /api/v2/mgmt/bonjour/admin-mode reader-token -
PUT /api/v2/mgmt/bonjour/debug-level1 writer-token $work/empty-object.body
EOF
}
faults_gone='{"rpcclt_openapiBonjourAdminModeGet":-30}'

# Sends the requests in order through one curl (one connection after the
# other) and keeps each response's header lines, less Date, and body.
send_all() { # MODE REQUEST-FILE
  local dir=$work/$1 n=0 method path token body refresh
  mkdir -p "$dir/replies"
  while read -r method path token body refresh; do
    n=$((n + 1))
    [ "$n" = 1 ] || echo next
    printf 'url = "%s"\nrequest = "%s"\noutput = "%s"\ndump-header = "%s"\n' \
      "$base$path" "$method" "$dir/replies/$n.body" "$dir/replies/$n.head"
    [ "$token" = - ] || printf 'header = "Session: %s"\n' "$token"
    [ "${refresh:--}" = - ] || printf 'header = "Refresh: %s"\n' "$refresh"
    [ "$body" = - ] || printf 'data-binary = "@%s"\n' "$body"
  done <"$2" >"$dir/curl.config"
  curl -sS --max-time 120 --config "$dir/curl.config" 2>"$dir/curl.log" || true
  sed -i '/^Date: /d' "$dir"/replies/*.head
}

# What a run leaves: session files, the stand-in's state, and the log lines
# without their stamps, the uptime written as UPTIME, and without the
# registration's lines.
keep_files() { # MODE FIRST-UPTIME
  local dir=$work/$1 now stamps
  read -r now _ </proc/uptime
  now=${now%%.*}
  stamps=$(seq -s '|' "$2" $((now + 1)))
  mkdir -p "$dir/session"
  cp /tmp/session/* "$dir/session/" 2>/dev/null || true
  sed -i -E "s/^($stamps)\$/UPTIME/" "$dir"/session/*
  cp /tmp/switch/state.json "$dir/state.json"
  sed -E 's/^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:.]{12} //' /tmp/brisk.log \
    | grep -v '\[initHandler:' | sed -E "s/\b($stamps)\b/UPTIME/g" >"$dir/log"
  [ -f /tmp/trace.jsonl ] && cp /tmp/trace.jsonl "$dir/trace.jsonl"
  return 0
}

run_mode() { # MODE REQUESTS FAULTS
  local first
  fresh
  read -r first _ </proc/uptime
  start_mode "$1" "$3"
  send_all "$1" "$2"
  stop_server
  keep_files "$1" "${first%%.*}"
}

requests=$work/requests
"requests_$case_name" >"$requests" 2>/dev/null || { echo "no case $case_name" >&2; exit 2; }
faults=
[ "$case_name" = gone ] && faults=$faults_gone
run_mode cgi "$requests" "$faults"
run_mode fastcgi "$requests" "$faults"

count=$(wc -l <"$requests")
diff -r "$work/cgi/replies" "$work/fastcgi/replies" | head -n 40 || true
check "$count requests answered alike" "$(diff -rq "$work/cgi/replies" "$work/fastcgi/replies" && echo same)" same
check "every request answered" "$(ls "$work/fastcgi/replies"/*.head | wc -l)" "$count"
check "session files alike" "$(diff -r "$work/cgi/session" "$work/fastcgi/session" && echo same)" same
check "stand-in state alike" "$(cmp "$work/cgi/state.json" "$work/fastcgi/state.json" && echo same)" same
check "log lines alike" "$(diff "$work/cgi/log" "$work/fastcgi/log" && echo same)" same

case $case_name in
routes)
  # The sweep meant something: replies of every kind came back.
  check "JSON replies" "$(grep -l '^Content-Type: application/json' "$work/fastcgi/replies"/*.head | wc -l | awk '$1 > 150 { print "many" }')" many
  check "refusals" "$(grep -l '^HTTP/1.1 403' "$work/fastcgi/replies"/*.head | wc -l | awk '$1 > 4 { print "many" }')" many
  check "one FastCGI process served them all" \
    "$(grep -c '"call":"openapiClientRegister","args":\["management_v2.cgi_' "$work/fastcgi/trace.jsonl")" 1
  ;;
gone)
  check "the calls that found the service gone answered as a general failure" \
    "$(cat "$work/fastcgi/replies/1.body" "$work/fastcgi/replies/3.body" | grep -c '"respCode":	10000')" 2
  check "the others served" "$(cat "$work/fastcgi/replies/2.body" "$work/fastcgi/replies/4.body" | grep -c '"respCode":	0')" 2
  # Registered at the start, then anew after each request whose call found
  # the service gone, the dead registration torn down first; torn down at
  # the end when lighttpd stops the process.
  check "registered anew" "$(grep -o '"call":"[A-Za-z0-9_]*"' "$work/fastcgi/trace.jsonl" \
    | sed -n 's/"call":"\(openapiClient[A-Za-z]*\|rpcclt_openapiBonjour[A-Za-z0-9]*\)"/\1/p' | tr '\n' ' ')" \
    "openapiClientRegister rpcclt_openapiBonjourAdminModeGet openapiClientTearDown openapiClientRegister \
rpcclt_openapiBonjourDebugLevel1Get rpcclt_openapiBonjourAdminModeGet openapiClientTearDown openapiClientRegister \
rpcclt_openapiBonjourDebugLevel1Set openapiClientTearDown "
  ;;
esac

finish "$work"/httpd-*.log
