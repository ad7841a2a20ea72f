# The console in Debian's chromium, headless, a case of
# tests/serve/serve_test.sh: tests/console/console_test.mjs drives the page
# (MGMT_CONSOLE, CONSOLE_MODULES and CONSOLE_SHOTS from CTest); skipped (77)
# without chromium. With the login program and pam_matrix, the page logs in
# over HTTPS as "admin" and as the read-only "bob" (tests/login/serve_cases.sh);
# otherwise it takes tokens made by scripts/login.
setup_console() {
  CHROMIUM=${CHROMIUM:-$(command -v chromium || true)}
  [ -n "$CHROMIUM" ] || { echo "chromium is not installed (scripts/test installs it): skipped"; exit 77; }
  export CHROMIUM CONSOLE_LOGIN=
  if [ -x "$(dirname "$program")/login_v2.cgi" ] && [ -r "${PAM_MATRIX_MODULE:-}" ]; then
    setup_https_login
    CONSOLE_LOGIN=1
  fi
}
case_console() {
  mkdir -p "$CONSOLE_SHOTS"
  HOME=$work CONSOLE_DESCRIPTION=$root/docs/openapi.yaml CONSOLE_BASE=$base \
    CONSOLE_ADMIN_TOKEN=$("$root/scripts/login" admin) \
    CONSOLE_READER_TOKEN=$("$root/scripts/login" operator read-only) \
    node "$root/tests/console/console_test.mjs" || failures=$((failures + 1))
}
