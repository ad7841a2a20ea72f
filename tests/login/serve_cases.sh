# The login side through lighttpd over HTTPS, sourced by tests/serve/serve_test.sh:
# accounts from pam_matrix (PAM_MATRIX_MODULE) through the PAM service the
# tests mount over /etc/pam.d (in the test's own mount namespace).
setup_login_accounts() { # [USER:PASSWORD...] besides admin and bob
  [ -n "${PAM_MATRIX_MODULE:-}" ] || { echo "PAM_MATRIX_MODULE names pam_matrix.so" >&2; exit 1; }
  printf '%s:management\n' admin:admin-pw bob:bob-pw "$@" >/tmp/passdb
  chmod 0644 /tmp/passdb
  mount -t tmpfs -o mode=0755,size=1m tmpfs /etc/pam.d
  printf '%s required %s passdb=/tmp/passdb\n' auth "$PAM_MATRIX_MODULE" account "$PAM_MATRIX_MODULE" \
    >/etc/pam.d/management
}

setup_https_login() {
  setup_login_accounts
  local pair
  mapfile -t pair < <("$root/scripts/tls-cert" "$work/tls")
  export MGMT_TLS_CERT=${pair[0]} MGMT_TLS_KEY=${pair[1]}
  check "key readable by its owner only" "$(stat -c %a "$MGMT_TLS_KEY")" 600
}

# Log in, a PUT and a GET with the token, log out, and the token is refused
# afterwards; TLS below 1.2 and plain HTTP on the HTTPS port are refused. What
# each login and token gets is login_tests'; here, that lighttpd passes them.
case_https_login() {
  local admin path=/api/v2/mgmt/mgmttelnet/agent-telnet-timeout
  send POST /api/v2/login "" -H 'Content-Type: application/json' --data '{"userName": "admin", "password": "admin-pw"}'
  admin=$(sed -n 's/^\t\t"token":\t"\([0-9a-f]\{32\}\)",$/\1/p' "$work/body")
  check_json_reply "admin logs in" \
    "$(envelope 0 Success login token "\"$admin\"" | sed '3s/$/,/; 3a\		"privilege":\t"admin"')"
  check "no cache keeps the token" "$(grep -ic '^Cache-Control: no-store$' "$work/headers")" 1

  send PUT "$path" "$admin" --data '{"timeout": 20}'
  check_json_reply "PUT with the token" "$(envelope 0 Success)"$'\n'
  # The web server's headers on the API's answers, one HTTP/1.1 request per
  # connection even to a client that offers HTTP/2.
  check "Cache-Control on the API" "$(header Cache-Control)" no-store
  check "X-Content-Type-Options on the API" "$(header X-Content-Type-Options)" nosniff
  check "Strict-Transport-Security on the API" "$(header Strict-Transport-Security)" max-age=31536000
  check "HTTP/2 not served" "$(curl -s -o /dev/null -w '%{http_version}' --http2 "${tls[@]}" \
    -H "Session: $admin" "$base$path")" 1.1
  send GET "$path" "$admin"
  check_json_reply "GET with the token" "$(envelope 0 Success mgmttelnet pTimeout 20)"

  local version # and the HTTP status it gets: none below TLS 1.2
  for version in 1.1:000 1.2:200 1.3:200; do
    check "TLS ${version%:*}" "$(curl -s -o /dev/null -w '%{http_code}' "${tls[@]}" --tlsv"${version%:*}" \
      --tls-max "${version%:*}" -H "Session: $admin" "$base$path" || true)" "${version#*:}"
  done
  check "plain HTTP on the HTTPS port: no HTTP answer" "$(curl -s -o /dev/null -w '%{http_code}' --max-time 5 \
    -H "Session: $admin" "http://${base#https://}$path" || true)" 000

  send DELETE /api/v2/login "$admin"
  check_json_reply "log out" "$(envelope 0 Success)"$'\n'
  # The program's "Status:403" reaches the client as a bare 403, with no body.
  send GET "$path" "$admin"
  check "GET after logging out: 403, no body" "$status $(header Content-Length) $(header Content-Type)$(stat -c %s "$work/body")" \
    "403 0 0"
}

# Plain HTTP is not served on an address other than loopback.
case_plain_off_loopback() {
  local out rc=0
  out=$(MGMT_BIND=0.0.0.0 MGMT_PORT=1 MGMT_CGI=$program timeout 10 "$root/scripts/httpd" 2>&1) || rc=$?
  check "scripts/httpd refuses plain HTTP on 0.0.0.0" "$rc" 1
  check "and says why" "$(grep -c 'plain HTTP is served on a loopback address only' <<<"$out")" 1
}
