#!/usr/bin/env bash
# End to end: the built program behind lighttpd, started by scripts/httpd as
# a user would start it, on a free loopback port, with sessions made by
# scripts/login, requests sent with curl.
#
# Usage: serve_test.sh PROGRAM CASE
# The test runs in a private /tmp and PID namespace of its own, so it never
# touches the host's /tmp, and lighttpd ends with it whatever way it ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -eq 2 ] || { echo "usage: $0 PROGRAM CASE" >&2; exit 2; }
program=$1
case_name=$2

. "$root/tests/serve/common.sh"
serve_private "$0" "$@"
host_paths root program
for tool in lighttpd curl; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/test installs it)" >&2; exit 1; }
done
work=$(mktemp -d /tmp/e2e.XXXXXX)

# ---- requests and checks ----

# Sends one request; the status goes to $status, the response header lines
# (without CR) to $work/headers, the body to $work/body.
# Usage: send METHOD PATH TOKEN [curl arguments...]
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

check_body() { # WHAT WANT
  # A command substitution drops trailing line ends; the "x" keeps them.
  local got
  got=$(cat "$work/body"; printf x)
  check "$1" "${got%x}" "$2"
}

# The reply envelope as the program prints it: the code, its message, and on
# success an object of one member under the group name.
# Usage: envelope CODE MESSAGE [GROUP MEMBER JSON-VALUE]
envelope() {
  local state=fail
  [ "$1" = 0 ] && state=success
  printf '{\n'
  if [ $# -eq 5 ]; then
    printf '\t"%s":\t{\n\t\t"%s":\t%s\n\t},\n' "$3" "$4" "$5"
  fi
  printf '\t"resp":\t{\n\t\t"respCode":\t%s,\n\t\t"respMsg":\t"%s",\n\t\t"status":\t"%s"\n\t}\n}' "$1" "$2" "$state"
}

unsupported_get=$(envelope 17002 "Unsupported Feature")
unsupported_set="$unsupported_get"$'\n'

# A JSON reply: status 200, the JSON content type, a length that matches,
# and exactly the expected body.
check_json_reply() { # WHAT BODY
  check "$1: status" "$status" 200
  check "$1: content type" "$(header Content-Type)" application/json
  check "$1: content length" "$(header Content-Length)" "$(stat -c %s "$work/body")"
  check_body "$1: body" "$2"
}

# A refusal: 403 from the program's "Status:403", with no body.
check_refused() { # WHAT
  check "$1: status" "$status" 403
  check "$1: content length" "$(header Content-Length)" 0
  check "$1: no content type" "$(header Content-Type)" ""
  check "$1: body" "$(stat -c %s "$work/body")" 0
}

uptime_now() {
  local seconds _
  read -r seconds _ </proc/uptime
  echo "${seconds%%.*}"
}

# Gives a session an older time stamp, still within the idle limit.
age_session() { # TOKEN
  local file=/tmp/session/$1
  local user stamp rest
  { IFS= read -r user; IFS= read -r stamp; rest=$(cat); } <"$file"
  printf '%s\n%s\n%s' "$user" "$((stamp - 100))" "$rest" >"$file"
}

log_lines() {
  cat /tmp/brisk.log 2>/dev/null || true
}

# ---- cases ----

# A GET and a PUT, byte for byte: the GET's envelope ends without a line
# end, the PUT's with one.
case_get_put() {
  local admin
  admin=$("$root/scripts/login" admin)
  send GET /api/v2/mgmt/beacon/mode "$admin"
  check_json_reply "GET beacon mode" "$unsupported_get"
  send PUT /api/v2/mgmt/beacon/mode "$admin" --data '{"mode": "enable"}'
  check_json_reply "PUT beacon mode" "$unsupported_set"
  send GET '/api/v2/mgmt/sntp/server-first?x=1' "$admin"
  check_json_reply "GET with a query string" "$unsupported_get"
}

# The sessions scripts/login makes, through the web server: a read-only
# user reads; a refusal is a bare 403 and logged. (Who may use which method
# is the session check's own test.)
case_read_only() {
  local writer reader
  writer=$("$root/scripts/login" alice read-write)
  reader=$("$root/scripts/login" operator read-only)
  local rows=(
    # who      token       method  path                       reply
    "writer    $writer     DELETE  /api/v2/mgmt/sntp/server   set"
    "reader    $reader     GET     /api/v2/mgmt/beacon/mode   get"
    "reader    $reader     PUT     /api/v2/mgmt/beacon/mode   refused"
    "nobody    0123abcd    GET     /api/v2/mgmt/beacon/mode   refused"
  )
  local row who token method path reply
  for row in "${rows[@]}"; do
    read -r who token method path reply <<<"$row"
    if [ "$method" = GET ]; then
      send "$method" "$path" "$token" # lighttpd refuses a GET with a body
    else
      send "$method" "$path" "$token" --data '{}'
    fi
    case $reply in
    set) check_json_reply "$who $method $path" "$unsupported_set" ;;
    get) check_json_reply "$who $method $path" "$unsupported_get" ;;
    refused) check_refused "$who $method $path" ;;
    esac
  done
  check "refusals are logged" "$(log_lines | grep -c 'Permission denied, not a priviledged user')" 1
}

# A request stamps the session with the uptime; with a Refresh header the
# file stays as it was. lighttpd passes no header with an empty value, so an
# empty Refresh does not reach the program and the session is stamped.
case_session_refresh() {
  local rows=(
    # user     privilege   refresh    stamped
    "admin     admin       -          yes"
    "admin     admin       1          no"
    "admin     admin       empty      yes"
    "operator  read-only   -          yes"
    "operator  read-only   no         no"
    "alice     read-write  -          yes"
  )
  local row user privilege refresh stamped token before after now stamp verdict
  for row in "${rows[@]}"; do
    read -r user privilege refresh stamped <<<"$row"
    token=$("$root/scripts/login" "$user" "$privilege")
    age_session "$token"
    before=$(cat "/tmp/session/$token")
    now=$(uptime_now)
    case $refresh in
    -) send GET /api/v2/mgmt/beacon/mode "$token" ;;
    empty) send GET /api/v2/mgmt/beacon/mode "$token" -H "Refresh;" ;;
    *) send GET /api/v2/mgmt/beacon/mode "$token" -H "Refresh: $refresh" ;;
    esac
    check "$user refresh=$refresh: answered" "$status" 200
    after=$(cat "/tmp/session/$token")
    if [ "$stamped" = no ]; then
      check "$user refresh=$refresh: file unchanged" "$after" "$before"
      continue
    fi
    # The same lines, with the uptime at the request as the time stamp (the
    # program's uptime is rounded up, /proc/uptime's down).
    stamp=$(sed -n 2p <<<"$after")
    verdict="stamp $stamp, uptime from $now to $(uptime_now)"
    if [[ "$stamp" =~ ^[0-9]+$ ]] && [ "$stamp" -ge "$now" ] && [ "$stamp" -le "$(($(uptime_now) + 1))" ]; then
      verdict=current
    fi
    check "$user refresh=$refresh: stamped with the uptime" "$verdict" current
    check "$user refresh=$refresh: rest kept" "$(sed 2d <<<"$after")" "$(sed 2d <<<"$before")"
  done
}

# Routes the program does not have: it writes nothing, and lighttpd answers
# 500. Paths outside /api/v2/ never reach it: 404.
case_unknown_route() {
  local admin
  admin=$("$root/scripts/login" admin)
  local rows=(
    # method  path                                 status  logged
    "GET      /api/v2/mgmt/beacon/no-such-thing    500     yes"
    "GET      /api/v2/mgmt/ntp                     500     yes"
    "DELETE   /api/v2/mgmt/beacon/mode             500     yes"
    "PATCH    /api/v2/mgmt/beacon/mode             500     yes"
    "GET      /api/v3/mgmt/beacon/mode             404     no"
    "GET      /mgmt/beacon/mode                    404     no"
  )
  local row method path want logged seen
  for row in "${rows[@]}"; do
    read -r method path want logged <<<"$row"
    seen=$(log_lines | wc -l)
    send "$method" "$path" "$admin"
    check "$method $path: status" "$status" "$want"
    if [ "$logged" = yes ]; then
      check "$method $path: not found by the program" \
        "$(log_lines | tail -n +$((seen + 1)) | grep -c "method not found:$path\$")" 1
    else
      check "$method $path: never reached the program" "$(log_lines | wc -l)" "$seen"
    fi
  done
}

# What a PUT sets, a later GET (another process) reads back.
case_put_then_get() {
  local admin timeout
  admin=$("$root/scripts/login" admin)
  local path=/api/v2/mgmt/mgmttelnet/agent-telnet-timeout
  for timeout in 20 7 20; do
    send PUT "$path" "$admin" --data "{\"timeout\": $timeout}"
    check_json_reply "PUT timeout $timeout" "$(envelope 0 Success)"$'\n'
    send GET "$path" "$admin"
    check_json_reply "GET timeout after $timeout" "$(envelope 0 Success mgmttelnet pTimeout "$timeout")"
  done
}

# Fifty requests at once on one session, GETs and PUTs: every one answered
# in full, and the session file, refreshed by all, still whole. One curl runs
# all fifty transfers in parallel, so they are in flight together.
case_concurrent() {
  local admin i kind
  admin=$("$root/scripts/login" admin)
  printf '%s' "$unsupported_get" >"$work/want.get"
  printf '%s' "$unsupported_set" >"$work/want.put"
  for i in $(seq 50); do
    kind=put
    [ $((i % 2)) = 0 ] && kind=get
    [ "$i" = 1 ] || echo next
    printf 'url = "%s"\noutput = "%s"\nheader = "Session: %s"\n' \
      "$base/api/v2/mgmt/beacon/mode" "$work/$kind.$i" "$admin"
    if [ $kind = put ]; then
      printf 'request = "PUT"\ndata = "{\\"mode\\": \\"enable\\"}"\n'
    fi
    printf 'write-out = "%%{http_code} %s %s\\n"\n' "$kind" "$i"
  done >"$work/requests"
  curl -sS --max-time 30 --parallel --parallel-immediate --parallel-max 50 --config "$work/requests" \
    >"$work/answers" 2>"$work/curl.log" || true
  local ok=0 code
  while read -r code kind i; do
    if [ "$code" = 200 ] && cmp -s "$work/$kind.$i" "$work/want.$kind"; then
      ok=$((ok + 1))
    fi
  done <"$work/answers"
  check "50 concurrent requests answered in full" "$ok" 50
  if [ "$ok" != 50 ]; then cat "$work/curl.log"; fi
  local content
  content=$(cat "/tmp/session/$admin")
  [[ "$content" =~ ^admin$'\n'[0-9]+$'\n'"$admin"$ ]] && content=whole
  check "session file whole after concurrent refreshes" "$content" whole
}

# Requests larger than any of the API are refused by the web server before
# the program runs: a long URL (431) is not logged, a large body (413) is
# not read.
case_request_limits() {
  local admin seen long
  admin=$("$root/scripts/login" admin)
  seen=$(log_lines | wc -l)
  long=$(head -c 7800 /dev/zero | tr '\0' q)
  send GET "/api/v2/mgmt/beacon/no-such-thing?$long" "$admin"
  check "7.8 KB query: refused" "$status" 431
  check "7.8 KB query: never reached the program" "$(log_lines | wc -l)" "$seen"
  head -c $((1024 * 1024)) /dev/zero | tr '\0' ' ' >"$work/big"
  send PUT /api/v2/mgmt/beacon/mode "$admin" --data-binary "@$work/big"
  check "1 MB body: refused" "$status" 413
  send PUT /api/v2/mgmt/beacon/mode "$admin" --data '{"mode": "enable"}'
  check_json_reply "a real request still served" "$unsupported_set"
}

# The program's files in /tmp are made by the server's start, as the
# server account's own; when another account made one of them first, the
# server does not start.
case_planted_files() {
  stop_server
  local account=${MGMT_USER-www-data}
  [ "$(id -u)" = 0 ] || account=$(id -un)
  local path
  check "/tmp/session made by the start" "$([ -d /tmp/session ] && stat -c '%U %a' /tmp/session)" "$account 700"
  for path in /tmp/brisk.log /tmp/brisk.log.old /tmp/devmgr_log_level; do
    check "$path made by the start" "$([ -f "$path" ] && stat -c '%U %a' "$path")" "$account 600"
  done
  if [ "$(id -u)" != 0 ]; then
    echo "ok - planted files: skipped (another account needs root)"
    return
  fi
  local rows=(
    # path                   what another account plants
    "/tmp/brisk.log          ln -s /tmp/victim /tmp/brisk.log"
    "/tmp/brisk.log          mkdir /tmp/brisk.log"
    "/tmp/brisk.log          mkfifo /tmp/brisk.log"
    "/tmp/brisk.log          touch /tmp/brisk.log"
    "/tmp/brisk.log.old      mkdir /tmp/brisk.log.old"
    "/tmp/devmgr_log_level   printf 7 >/tmp/devmgr_log_level"
    "/tmp/devmgr_log_level   ln -s /tmp/victim /tmp/devmgr_log_level"
    "/tmp/session            mkdir -m 0777 /tmp/session"
    "/tmp/session            ln -s /tmp /tmp/session"
  )
  local row plant status_
  echo "settings" >/tmp/victim
  for row in "${rows[@]}"; do
    read -r path plant <<<"$row"
    rm -rf /tmp/session /tmp/brisk.log /tmp/brisk.log.old /tmp/devmgr_log_level
    setpriv --reuid nobody --regid nogroup --clear-groups sh -c "$plant"
    status_=0
    MGMT_PORT=1 MGMT_CGI=$program timeout 5 "$root/scripts/httpd" >"$work/refused.log" 2>&1 || status_=$?
    check "$plant: not started" "$status_" 1
    check "$plant: says why" "$(grep -c "^httpd: $path .*; not starting" "$work/refused.log")" 1
  done
  check "the victim untouched" "$(cat /tmp/victim)" settings
  # Made by the server account or root, they are taken and made private.
  rm -rf /tmp/session /tmp/brisk.log /tmp/brisk.log.old /tmp/devmgr_log_level
  (umask 0; mkdir /tmp/session; printf '7' >/tmp/devmgr_log_level; touch /tmp/brisk.log; chmod 755 /tmp/session)
  start_server "$work/httpd.log"
  check "root's files taken" "$(stat -c '%U %a' /tmp/session /tmp/devmgr_log_level /tmp/brisk.log | tr '\n' ' ')" \
    "$account 700 $account 600 $account 600 "
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
stop_server
if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed; lighttpd said:"
  cat "$work/httpd.log"
  exit 1
fi
