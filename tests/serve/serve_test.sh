#!/usr/bin/env bash
# End to end: the built program behind lighttpd, started by scripts/httpd as
# a user would start it, sessions made by scripts/login, requests sent with
# curl; in a private /tmp and PID namespace (tests/serve/common.sh).
# Usage: serve_test.sh PROGRAM CASE [ROUTE_LISTER]
#   ROUTE_LISTER: memcheck_routes, whose --list gives every route (modes_*)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -ge 2 ] || { echo "usage: $0 PROGRAM CASE [ROUTE_LISTER]" >&2; exit 2; }
program=$1 case_name=$2 lister=${3:-}

. "$root/tests/serve/common.sh"
serve_private "$0" "$@"
host_paths root program lister
for tool in lighttpd curl; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/test installs it)" >&2; exit 1; }
done
work=$(mktemp -d /tmp/e2e.XXXXXX)

# send METHOD PATH TOKEN [curl arguments...]: the status to $status, the
# header lines (without CR) to $work/headers, the body to $work/body.
send() {
  local method=$1 path=$2 token=$3
  shift 3
  status=$(curl -sS --max-time 20 -X "$method" -H "Session: $token" -D "$work/headers.raw" -o "$work/body" \
    -w '%{http_code}' "${tls[@]}" "$@" "$base$path")
  tr -d '\r' <"$work/headers.raw" >"$work/headers"
}

header() { # NAME: the value of that response header, empty when absent
  sed -n "s/^$1: //Ip" "$work/headers" | head -n 1
}

# The reply envelope as the program prints it: the code, its message, and on
# success an object of one member under the group name.
# Usage: envelope CODE MESSAGE [GROUP MEMBER JSON-VALUE]
envelope() {
  local state=fail
  [ "$1" = 0 ] && state=success
  printf '{\n'
  [ $# -ne 5 ] || printf '\t"%s":\t{\n\t\t"%s":\t%s\n\t},\n' "$3" "$4" "$5"
  printf '\t"resp":\t{\n\t\t"respCode":\t%s,\n\t\t"respMsg":\t"%s",\n\t\t"status":\t"%s"\n\t}\n}' "$1" "$2" "$state"
}

# A JSON reply: status 200, the JSON content type, a length that matches,
# and exactly the expected body (the "x" keeps its trailing line ends).
check_json_reply() { # WHAT BODY
  check "$1: status" "$status" 200
  check "$1: content type" "$(header Content-Type)" application/json
  check "$1: content length" "$(header Content-Length)" "$(stat -c %s "$work/body")"
  local got
  got=$(cat "$work/body"; printf x)
  check "$1: body" "${got%x}" "$2"
}

log_lines() { cat /tmp/brisk.log 2>/dev/null || true; }

# What lighttpd passes to the program and back, one request a row (bodies
# and envelopes whole, and "Status:403" as a bare 403: serve.https_login; a
# query: the audit's DELETE row): a route it does not have (it writes
# nothing) is lighttpd's 500; paths outside /api/v2/ never reach it (404),
# nor requests larger than any of the API: a long URL (431), a large body
# (413), after which requests are still served (the Refresh row below).
case_requests() {
  local admin long
  admin=$("$root/scripts/login" admin)
  long=$(head -c 7800 /dev/zero | tr '\0' q)
  head -c $((1024 * 1024)) /dev/zero | tr '\0' ' ' >"$work/big"
  local rows=(
    # method  path                                   body  status  log
    "GET      /api/v2/mgmt/beacon/no-such-thing?LONG -     431     none"
    "PUT      /api/v2/mgmt/beacon/mode               big   413     -"
    "PATCH    /api/v2/mgmt/beacon/mode               -     500     not-found"
    "GET      /api/v3/mgmt/beacon/mode               -     404     none"
  )
  local row method path body reply log seen what data
  for row in "${rows[@]}"; do
    read -r method path body reply log <<<"$row"
    path=${path/LONG/$long}
    what="$method ${path:0:60}"
    seen=$(log_lines | wc -l)
    data=()
    [ "$body" = - ] || data=(--data-binary "@$work/big") # lighttpd refuses a GET with a body
    send "$method" "$path" "$admin" "${data[@]}"
    check "$what: status" "$status" "$reply"
    case $log in
    not-found) check "$what: not found by the program" \
      "$(log_lines | tail -n +$((seen + 1)) | grep -c "method not found:$path\$")" 1 ;;
    none) check "$what: never reached the program" "$(log_lines | wc -l)" "$seen" ;;
    esac
  done
  # A Refresh header reaches the program, which then leaves the session file
  # as it was (an older stamp, still within the idle limit).
  local file=/tmp/session/$admin user stamp rest
  { IFS= read -r user; IFS= read -r stamp; rest=$(cat); } <"$file"
  printf '%s\n%s\n%s' "$user" "$((stamp - 100))" "$rest" >"$file"
  rest=$(cat "$file")
  send GET /api/v2/mgmt/beacon/mode "$admin" -H "Refresh: 1"
  check "Refresh: 1: answered, session kept" "$status $(cat "$file")" "200 $rest"
}

# The program's files in /tmp are made by the server's start, as the
# server account's own; when another account made one of them first, the
# server does not start.
case_planted_files() {
  stop_server
  local account=${MGMT_USER-www-data}
  [ "$(id -u)" = 0 ] || account=$(id -un)
  local path files=(/tmp/session /tmp/brisk.log /tmp/brisk.log.old /tmp/devmgr_log_level)
  check "made by the start" "$(stat -c '%U %A' "${files[@]}" | tr '\n' ' ')" \
    "$account drwx------ $account -rw------- $account -rw------- $account -rw------- "
  [ "$(id -u)" = 0 ] || { echo "ok - planted files: skipped (another account needs root)"; return; }
  local rows=(
    # path                   what another account plants (every name takes the same checks)
    "/tmp/brisk.log          ln -s /tmp/victim /tmp/brisk.log"
    "/tmp/brisk.log          mkfifo /tmp/brisk.log"
    "/tmp/brisk.log          touch /tmp/brisk.log"
    "/tmp/session            mkdir -m 0777 /tmp/session"
  )
  local row plant status_
  echo "settings" >/tmp/victim
  for row in "${rows[@]}"; do
    read -r path plant <<<"$row"
    rm -rf "${files[@]}"
    setpriv --reuid nobody --regid nogroup --clear-groups sh -c "$plant"
    status_=0
    MGMT_PORT=1 MGMT_CGI=$program timeout 5 "$root/scripts/httpd" >"$work/refused.log" 2>&1 || status_=$?
    check "$plant: not started, says why" "$status_ $(grep -c "^httpd: $path .*; not starting" "$work/refused.log")" "1 1"
  done
  check "the victim untouched" "$(cat /tmp/victim)" settings
  # Made by the server account or root, they are taken and made private.
  rm -rf "${files[@]}"
  (umask 0; mkdir /tmp/session; printf '7' >/tmp/devmgr_log_level; touch /tmp/brisk.log; chmod 755 /tmp/session)
  start_server "$work/httpd.log"
  check "root's files taken" "$(stat -c '%U %a' /tmp/session /tmp/devmgr_log_level /tmp/brisk.log | tr '\n' ' ')" \
    "$account 700 $account 600 $account 600 "
}

# CGI against FastCGI: the same requests through lighttpd, once with a new process per request
# and once with one process kept running under FastCGI, give the same
# responses byte for byte (less the Date header), leave the same session
# files and stand-in state, and write the same log lines (less their time
# stamps and the registration's, which a persistent process makes once).

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
  printf '9\0\0\0' >/tmp/devmgr_log_level
}

# The requests, one per line: METHOD PATH TOKEN BODY-FILE [REFRESH]; "-" for
# no token, no body or no Refresh header.
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
PUT /api/v2/mgmt/mgmttelnet/agent-telnet-timeout reader-token $work/big.body
GET /api/v2/mgmt/bonjour/admin-mode norefresh-token - 1
GET /api/v2/mgmt/bonjour/admin-mode expired-token -
GET /api/v2/mgmt/bonjour/admin-mode expired-token -
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

modes() { # CASE [SWSIM_FAULTS]
  stop_server
  head -c 3000000 /dev/zero | tr '\0' 'x' >"$work/big.body"
  local name body count mode first
  while read -r name body; do printf '%s' "$body" >"$work/$name.body"; done <<'BODIES'
empty-object {}
timeout {"timeout": 20}
server {"ipAddr": "192.0.2.10"}
ping {"address": "10.1.1.1", "count": 2}
broken {"mode": "enable"
BODIES
  "requests_$1" >"$work/requests"
  for mode in cgi fastcgi; do
    fresh
    read -r first _ </proc/uptime
    start_server "$work/httpd.log" MGMT_SERVE="$mode" MGMT_FASTCGI_PROCS=1 SWSIM_FAULTS="${2:-}" \
      SWSIM_TRACE=/tmp/trace.jsonl SWSIM_STATE=/tmp/switch/state.json
    send_all "$mode" "$work/requests"
    stop_server
    keep_files "$mode" "${first%%.*}"
  done
  count=$(wc -l <"$work/requests")
  check "every one of $count requests answered" "$(ls "$work/fastcgi/replies"/*.head | wc -l)" "$count"
  # Replies, session files, stand-in state and log lines alike (a difference: its first 40 lines).
  for name in replies session state.json log; do
    check "$name alike" "$(diff -r "$work/cgi/$name" "$work/fastcgi/$name" 2>&1 | head -n 40)" ""
  done
}

case_modes_routes() {
  modes routes
  # The sweep meant something: replies of every kind came back, the four
  # refusals (a read-only PUT, the expired session twice, no session) among them.
  check "JSON replies" "$(grep -l '^Content-Type: application/json' "$work/fastcgi/replies"/*.head | wc -l | awk '$1 > 150 { print "many" }')" many
  check "refusals" "$(grep -l '^HTTP/1.1 403' "$work/fastcgi/replies"/*.head | wc -l)" 4
  check "one FastCGI process served them all" \
    "$(grep -c '"call":"openapiClientRegister","args":\["management_v2.cgi_' "$work/fastcgi/trace.jsonl")" 1
}

case_modes_gone() {
  modes gone '{"rpcclt_openapiBonjourAdminModeGet":-30}'
  # Registered at the start, then anew after each request whose call found
  # the service gone, the dead registration torn down first; torn down at
  # the end when lighttpd stops the process.
  check "registered anew" "$(grep -o '"call":"[A-Za-z0-9_]*"' "$work/fastcgi/trace.jsonl" \
    | sed -n 's/"call":"\(openapiClient[A-Za-z]*\|rpcclt_openapiBonjour[A-Za-z0-9]*\)"/\1/p' | tr '\n' ' ')" \
    "openapiClientRegister rpcclt_openapiBonjourAdminModeGet openapiClientTearDown openapiClientRegister \
rpcclt_openapiBonjourDebugLevel1Get rpcclt_openapiBonjourAdminModeGet openapiClientTearDown openapiClientRegister \
rpcclt_openapiBonjourDebugLevel1Set openapiClientTearDown "
}

# Cases of other parts of the project: tests/*/serve_cases.sh, where a case
# may have a setup_<case> that runs before the server starts.
for cases in "$root"/tests/*/serve_cases.sh; do
  # shellcheck source=/dev/null
  . "$cases"
done

declare -F "case_$case_name" >/dev/null || { echo "no case $case_name" >&2; exit 2; }
if declare -F "setup_$case_name" >/dev/null; then
  "setup_$case_name"
fi
start_server "$work/httpd.log"
"case_$case_name"
finish "$work/httpd.log"
