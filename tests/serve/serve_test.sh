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
# success an object of one member under the group name (the login side's
# cases use it too).
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

# What lighttpd passes to the program and back, one request a row: methods,
# bodies and queries reach it, a GET's envelope ends without a line end and
# a PUT's with one; its "Status:403" becomes a bare 403; a route it does not
# have (it writes nothing) is lighttpd's 500; paths outside /api/v2/ never
# reach it (404), nor requests larger than any of the API: a long URL (431),
# a large body (413), after which requests are still served. Who may do
# what is the session check's own test, and what the program logs of a
# route it does not have, the dispatch's (cgi_tests Dispatch.*).
case_requests() {
  local admin long
  admin=$("$root/scripts/login" admin)
  long=$(head -c 7800 /dev/zero | tr '\0' q)
  head -c $((1024 * 1024)) /dev/zero | tr '\0' ' ' >"$work/big"
  local rows=(
    # method  path                                  session  body  reply    log
    "GET      /api/v2/mgmt/beacon/no-such-thing?LONG admin    -     431      none"
    "PUT      /api/v2/mgmt/beacon/mode               admin    big   413      -"
    "GET      /api/v2/mgmt/beacon/mode               admin    -     get      -"
    "PUT      /api/v2/mgmt/beacon/mode               admin    mode  set      -"
    "GET      /api/v2/mgmt/sntp/server-first?x=1     admin    -     get      -"
    "PUT      /api/v2/mgmt/beacon/mode               0123abcd mode  refused  -"
    "PATCH    /api/v2/mgmt/beacon/mode               admin    -     500      not-found"
    "GET      /api/v3/mgmt/beacon/mode               admin    -     404      none"
  )
  local row method path token body reply log seen what
  for row in "${rows[@]}"; do
    read -r method path token body reply log <<<"$row"
    [ "$token" = admin ] && token=$admin
    path=${path/LONG/$long}
    what="$method ${path:0:60}"
    seen=$(log_lines | wc -l)
    case $body in
    -) send "$method" "$path" "$token" ;; # lighttpd refuses a GET with a body
    big) send "$method" "$path" "$token" --data-binary "@$work/big" ;;
    mode) send "$method" "$path" "$token" --data '{"mode": "enable"}' ;;
    esac
    case $reply in
    get) check_json_reply "$what" "$unsupported_get" ;;
    set) check_json_reply "$what" "$unsupported_set" ;;
    refused) check_refused "$what" ;;
    *) check "$what: status" "$status" "$reply" ;;
    esac
    case $log in
    not-found) check "$what: not found by the program" \
      "$(log_lines | tail -n +$((seen + 1)) | grep -c "method not found:$path\$")" 1 ;;
    none) check "$what: never reached the program" "$(log_lines | wc -l)" "$seen" ;;
    esac
  done
  # A Refresh header reaches the program, which then leaves the session file
  # as it was; an empty one does not (lighttpd passes no header with an
  # empty value), so that request stamps it, as one without the header does
  # (cgi_tests Session.RewritesTheSessionWithTheUptimeUnlessToldNotTo).
  local header before got want
  for header in "Refresh: 1" "Refresh;"; do
    age_session "$admin"
    before=$(cat "/tmp/session/$admin")
    send GET /api/v2/mgmt/beacon/mode "$admin" -H "$header"
    got=stamped want=stamped
    [ "$(cat "/tmp/session/$admin")" = "$before" ] && got=kept
    [ "$header" = "Refresh;" ] || want=kept
    check "$header: answered" "$status" 200
    check "$header: session $want" "$got" "$want"
  done
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
  if [ "$(id -u)" != 0 ]; then
    echo "ok - planted files: skipped (another account needs root)"
    return
  fi
  local rows=(
    # path                   what another account plants
    "/tmp/brisk.log          ln -s /tmp/victim /tmp/brisk.log"
    "/tmp/brisk.log          mkfifo /tmp/brisk.log"
    "/tmp/brisk.log          touch /tmp/brisk.log"
    "/tmp/devmgr_log_level   printf 7 >/tmp/devmgr_log_level"
    "/tmp/session            mkdir -m 0777 /tmp/session"
    "/tmp/session            ln -s /tmp /tmp/session"
  )
  local row plant status_
  echo "settings" >/tmp/victim
  for row in "${rows[@]}"; do
    read -r path plant <<<"$row"
    rm -rf "${files[@]}"
    setpriv --reuid nobody --regid nogroup --clear-groups sh -c "$plant"
    status_=0
    MGMT_PORT=1 MGMT_CGI=$program timeout 5 "$root/scripts/httpd" >"$work/refused.log" 2>&1 || status_=$?
    check "$plant: not started" "$status_" 1
    check "$plant: says why" "$(grep -c "^httpd: $path .*; not starting" "$work/refused.log")" 1
  done
  check "the victim untouched" "$(cat /tmp/victim)" settings
  # Made by the server account or root, they are taken and made private.
  rm -rf "${files[@]}"
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
