#!/usr/bin/env bash
# Valgrind memcheck over the login program, one run per request at the end,
# with accounts from pam_matrix through the real PAM library. A run passes
# when valgrind finds no error and no byte definitely or indirectly lost, and
# the program answered. It runs in a private /tmp and mount namespace of its
# own (for the PAM service it mounts over /etc/pam.d): the host's files stay.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 VALGRIND LOGIN_PROGRAM LOG_DIR" >&2; exit 2; }
valgrind=$1
program=$(realpath "$2")
logs=$(realpath -m "$3")
if [ -z "${MEMCHECK_LOGIN_PRIVATE:-}" ]; then
  mkdir -p "$logs"
  flags=(--mount --propagation private)
  [ "$(id -u)" = 0 ] || flags=(--map-root-user "${flags[@]}")
  MEMCHECK_LOGIN_PRIVATE=1 exec unshare "${flags[@]}" "$0" "$valgrind" "$program" "$logs"
fi
matrix=$(find /usr/lib -path '*pam_wrapper/pam_matrix.so' -print -quit)
[ -n "$matrix" ] || { echo "pam_matrix.so not found: install libpam-wrapper" >&2; exit 1; }
case $program in /tmp/*) echo "the program must not live under /tmp" >&2; exit 2 ;; esac
case $logs in /tmp/*) echo "the log directory must not live under /tmp" >&2; exit 2 ;; esac
mount -t tmpfs -o mode=1777 tmpfs /tmp
mount -t tmpfs -o mode=0755,size=1m tmpfs /etc/pam.d
printf '%s required %s passdb=/tmp/passdb\n' auth "$matrix" account "$matrix" >/etc/pam.d/management
printf 'admin:admin-pw:management\n' >/tmp/passdb

session=0123456789abcdef0123456789abcdef
mkdir -m 0700 /tmp/session /tmp/login-lockout
failed=0
# Usage: one NAME METHOD BODY [TOKEN]
one() {
  local name=$1 method=$2 text=$3 token=${4:-} status=0
  printf 'admin\n0\n%s' "$session" >"/tmp/session/$session"
  printf '%s' "$text" | env -i PATH=/usr/bin:/bin REQUEST_METHOD="$method" REQUEST_URI=/api/v2/login \
    CONTENT_LENGTH=${#text} HTTP_SESSION="$token" REMOTE_ADDR=127.0.0.1 \
    "$valgrind" -q --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect \
    --errors-for-leak-kinds=definite,indirect --log-file="$logs/$name.log" "$program" >"$logs/$name.out" || status=$?
  if [ "$status" != 0 ] || ! grep -q -e '^Content-Type: application/json' -e '^Status:403' "$logs/$name.out"; then
    echo "not ok - $name (status $status, $logs/$name.log)"
    failed=$((failed + 1))
  else
    echo "ok - $name"
  fi
}
one login POST '{"userName": "admin", "password": "admin-pw"}'
one wrong-password POST '{"userName": "admin", "password": "nope"}'
one unknown-account POST '{"userName": "zed", "password": "admin-pw"}'
one hostile-body POST '{"userName": ["admin"], "password": "admin-pw"'
one logout DELETE '' "$session"
one logout-no-session DELETE '' ffffffffffffffffffffffffffffffff
one other-method GET ''
[ "$failed" = 0 ]
