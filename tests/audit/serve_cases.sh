# The audit records through lighttpd, sourced by tests/serve/serve_test.sh:
# the records of each kind of request (tests/audit/records.py), under CGI
# and FastCGI, concurrent writes, and the sinks' faults. Syslog is a socket
# of the test's own at /dev/log, in a /dev of its own
# (devtools/private-syslog), so the host's syslog never sees a record.

# shellcheck source=../../devtools/private-syslog
. "$root/devtools/private-syslog"

records() { python3 "$root/tests/audit/records.py" "$@" || failures=$((failures + 1)); }

audit_setup() { # [SOCKET]   (no socket: syslog is not there)
  private_syslog "$@"
  mkdir -m 0700 /tmp/audit
  export MGMT_AUDIT_FILE=/tmp/audit/audit.jsonl
}

setup_audit_records() {
  setup_login_accounts
  audit_setup /tmp/syslog
}
case_audit_records() {
  records table "$base" "$MGMT_AUDIT_FILE" /tmp/syslog "$("$root/scripts/login" carol read-write)"
  check "the file is the server account's, 0600" "$(stat -c '%U %a' "$MGMT_AUDIT_FILE")" "$(stat -c %U /tmp/session) 600"
  check "the passwords never reach the log" "$(grep -c -e admin-pw -e bob-pw /tmp/brisk.log || true)" 0
  local filter count # swmgmt audit over the same file
  while read -r filter count; do
    check "swmgmt audit $filter" "$(PYTHONPATH=$root/client python3 -m swmgmt audit --file "$MGMT_AUDIT_FILE" \
      "$filter" | wc -l)" "$count"
  done <<'ROWS'
--user=admin 4
--route=/api/v2/login 10
--route=/api/v2/mgmt/ntp/* 2
--since=2000-01-01 15
--until=2000-01-01 0
ROWS
}
setup_audit_records_fastcgi() { setup_audit_records; export MGMT_SERVE=fastcgi; }
case_audit_records_fastcgi() { case_audit_records; }

# 64 PUTs at once by 8 users: each answered in full, one whole record each.
setup_audit_concurrent() { audit_setup /tmp/syslog; }
case_audit_concurrent() {
  local tokens=() i
  for i in $(seq 8); do tokens+=("$("$root/scripts/login" "user$i" read-write)"); done
  records concurrent "$base" "$MGMT_AUDIT_FILE" "${tokens[@]}"
}

# The sinks failing: no syslog socket, the file a link, a file of another
# account, the file gone. Every request answers as with working sinks; the
# records missed are counted, and the next record in the file says how many.
# Under FastCGI one process, which keeps the file open and the counts mapped,
# has served requests before the faults begin.
setup_audit_faults() { audit_setup; }
case_audit_faults() {
  local admin account fault
  admin=$("$root/scripts/login" admin)
  account=$(stat -c %U /tmp/session)
  records answers "$base" "$admin" "$work/want"
  check "no syslog socket: the three records in the file" "$(wc -l <"$MGMT_AUDIT_FILE")" 3
  for fault in link foreign gone; do
    rm -f "$MGMT_AUDIT_FILE"
    case $fault in
    link) ln -s /tmp/victim "$MGMT_AUDIT_FILE" ;;
    foreign) touch "$MGMT_AUDIT_FILE" && chown nobody "$MGMT_AUDIT_FILE" ;;
    esac
    records answers "$base" "$admin" "$work/got.$fault"
    check "$fault: the same answers" "$(cmp -s "$work/want" "$work/got.$fault" && echo same)" same
    case $fault in foreign) check "another account's file untouched" "$(wc -c <"$MGMT_AUDIT_FILE")" 0 ;; esac
  done
  check "the link not followed" "$(test -e /tmp/victim && echo made || echo none)" none
  check "the next record counts the 6 missed" \
    "$(head -n 1 "$MGMT_AUDIT_FILE" | python3 -c 'import json, sys; print(json.load(sys.stdin).get("dropped"))')" 6
  check "the drop counts beside the file, the account's" "$(stat -c '%U %a %s' "$MGMT_AUDIT_FILE.dropped")" \
    "$account 600 16"
}
setup_audit_faults_fastcgi() { setup_audit_faults; export MGMT_SERVE=fastcgi MGMT_FASTCGI_PROCS=1; }
case_audit_faults_fastcgi() { case_audit_faults; }
