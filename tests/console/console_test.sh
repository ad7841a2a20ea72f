#!/usr/bin/env bash
# The browser console in Debian's chromium, headless: the built program and
# console behind lighttpd (scripts/httpd), the page driven by
# console_test.mjs. Exits 77 (skipped) without chromium.
# Usage: private-tmp console_test.sh PROGRAM CONSOLE NODE_MODULES SCREENSHOTS
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -eq 4 ] || { echo "usage: $0 PROGRAM CONSOLE NODE_MODULES SCREENSHOTS" >&2; exit 2; }
chromium=${CHROMIUM:-$(command -v chromium || true)}
if [ -z "$chromium" ]; then
  echo "chromium is not installed (scripts/test installs it): the browser test is skipped"
  exit 77
fi

[ -n "${PRIVATE_TMP:-}" ] || { echo "run this under devtools/private-tmp" >&2; exit 2; }
program=$1 console=$2 modules=$3 shots=$4
work=$(mktemp -d /tmp/console.XXXXXX)
mkdir -p "$shots"

# With the login program, the page logs in as "admin" and as the read-only
# "bob", accounts of pam_matrix (PAM_MATRIX_MODULE) behind the PAM service
# mounted over /etc/pam.d in this test's own namespace, over HTTPS; without
# it, the page takes tokens made by scripts/login.
login=
if [ -x "$(dirname "$program")/login_v2.cgi" ]; then
  if [ -r "${PAM_MATRIX_MODULE:-}" ]; then
    printf 'admin:admin-pw:management\nbob:bob-pw:management\n' >/tmp/passdb
    chmod 0644 /tmp/passdb
    mount -t tmpfs -o mode=0755,size=1m tmpfs /etc/pam.d
    printf '%s required %s passdb=/tmp/passdb\n' auth "$PAM_MATRIX_MODULE" account "$PAM_MATRIX_MODULE" \
      >/etc/pam.d/management
    login=1
    if [ -x "$root/scripts/tls-cert" ]; then
      mapfile -t pair < <("$root/scripts/tls-cert" "$work/tls")
      export MGMT_TLS_CERT=${pair[0]} MGMT_TLS_KEY=${pair[1]}
    fi
  else
    echo "login_v2.cgi is built, but pam_matrix.so (PAM_MATRIX_MODULE) is not at hand: tokens are pasted"
  fi
fi

. "$root/tests/serve/common.sh"
start_server "$work/httpd.log" MGMT_CONSOLE="$console"

HOME=$work CONSOLE_DESCRIPTION=$root/docs/openapi.yaml CONSOLE_BASE=$base CONSOLE_SHOTS=$shots CONSOLE_LOGIN=$login CHROMIUM=$chromium \
  CONSOLE_ADMIN_TOKEN=$("$root/scripts/login" admin) \
  CONSOLE_READER_TOKEN=$("$root/scripts/login" operator read-only) \
  CONSOLE_MODULES=$modules node "$root/tests/console/console_test.mjs"
