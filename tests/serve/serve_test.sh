#!/usr/bin/env bash
# End to end: the built program behind lighttpd, started by scripts/httpd as
# a user would start it, sessions made by scripts/login, requests sent with
# curl; in a private /tmp and PID namespace (tests/serve/common.sh).
# Usage: serve_test.sh PROGRAM CASE
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

# A refusal: 403 from the program's "Status:403", with no body.
check_refused() { # WHAT
  check "$1: status" "$status" 403
  check "$1: no body" "$(header Content-Length) $(header Content-Type)$(stat -c %s "$work/body")" "0 0"
}

log_lines() { cat /tmp/brisk.log 2>/dev/null || true; }

# ---- cases ----

# What lighttpd passes to the program and back, one request a row: methods,
# bodies and queries reach it, a GET's envelope ends without a line end and
# a PUT's with one; its "Status:403" becomes a bare 403; a route it does not
# have (it writes nothing) is lighttpd's 500; paths outside /api/v2/ never
# reach it (404), nor requests larger than any of the API: a long URL (431),
# a large body (413), after which requests are still served.
case_requests() {
  local admin long unsupported
  admin=$("$root/scripts/login" admin)
  long=$(head -c 7800 /dev/zero | tr '\0' q)
  head -c $((1024 * 1024)) /dev/zero | tr '\0' ' ' >"$work/big"
  unsupported=$(envelope 17002 "Unsupported Feature")
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
    get) check_json_reply "$what" "$unsupported" ;;
    set) check_json_reply "$what" "$unsupported"$'\n' ;;
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
