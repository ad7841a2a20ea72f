# The documentation as tests, a case of tests/serve/serve_test.sh: serves
# the built programs over HTTPS on 127.0.0.1:8443 as scripts/serve does,
# with accounts of pam_matrix (admin and alice), then runs the marked blocks
# of README.md and docs/guide.md, the commands scripts/serve prints, and
# every curl sample of the API description (tests/docs/run_docs.py says how
# a block passes). In a network of its own (SERVE_PRIVATE_NET) and an /etc
# whose changes vanish; as root only (it serves as www-data and adds
# accounts), skipped otherwise.

# The server as scripts/serve starts it (the probe's headers are not the
# documents').
docs_serve() {
  MGMT_TLS_CERT=${pair[0]} MGMT_TLS_KEY=${pair[1]} SERVE_PORT=8443 \
    start_server "$work/httpd.log" MGMT_CONSOLE=/nonexistent
  rm -f "$DOCS_HEADERS"/*
}
docs_run() {
  python3 "$root/tests/docs/run_docs.py" "$@" || failures=$((failures + 1))
}

case_docs() {
  local outer project name
  read -r _ outer _ </proc/self/uid_map
  [ "$outer" = 0 ] || { echo "the documentation test runs as root" >&2; exit 77; }
  stop_server
  mkdir -m 0755 /tmp/etc-upper /tmp/etc-work
  mount -t overlay overlay -o lowerdir=/etc,upperdir=/tmp/etc-upper,workdir=/tmp/etc-work /etc
  id alice >/dev/null 2>&1 || useradd --no-create-home --shell /usr/sbin/nologin alice
  setup_login_accounts alice:alice-pw

  # The project as a user has it, with build/ holding the programs.
  project=/tmp/project
  mkdir -p "$project/build"
  for name in README.md docs scripts client conf devtools console; do
    ln -s "$root/$name" "$project/$name"
  done
  ln -s "$program" "$project/build/management_v2.cgi"
  ln -s "$(dirname "$program")/login_v2.cgi" "$project/build/login_v2.cgi"
  cd "$project"
  mapfile -t pair < <(scripts/tls-cert build/tls)

  # curl as the user has it, keeping each answer's headers for the checks.
  export DOCS_HEADERS=/tmp/headers
  mkdir -p /tmp/bin "$DOCS_HEADERS"
  printf '#!/bin/sh\nexec /usr/bin/curl -D "$DOCS_HEADERS/$(date +%%s%%N).$$" "$@"\n' >/tmp/bin/curl
  chmod 0755 /tmp/bin/curl
  export PATH=/tmp/bin:$PATH

  # The README and then the guide on one server, the audit file where
  # scripts/serve puts it.
  mkdir -m 0700 /tmp/audit
  export MGMT_AUDIT_FILE=/tmp/audit/audit.jsonl
  docs_serve
  docs_run README.md docs/guide.md
  stop_server
  unset MGMT_AUDIT_FILE

  # The commands scripts/serve prints, with sessions made as it makes them.
  docs_serve
  scripts/serve-commands https://127.0.0.1:8443 build/tls/cert.pem "$(scripts/login admin)" \
    "$(scripts/login operator read-only)" >/tmp/serve-commands.txt
  docs_run --serve-commands /tmp/serve-commands.txt
  stop_server

  # The description's samples, logged in as admin, on a switch synchronised
  # with the NTP server 192.0.2.20 (the active server's reads need it; the
  # interface cannot make it so): written into a new state.
  export SWSIM_STATE=/tmp/synchronised/state.json
  docs_serve
  /usr/bin/curl -s -o /dev/null --cacert build/tls/cert.pem -H "Session: $(scripts/login admin)" \
    https://127.0.0.1:8443/api/v2/mgmt/ntp/mode
  stop_server
  python3 - "$SWSIM_STATE" <<'PYTHON'
import json, sys
state = json.load(open(sys.argv[1]))
ntp = state["ntp"]
association = {"id": 1, "name": "192.0.2.20", "address": "192.0.2.20", "addressType": 1, "refId": "GPS", "stratum": 1,
               "mode": 4, "offset": "0.012", "jitter": "0.004", "delay": "1.310", "dispersion": "0.950",
               "inPkts": 12, "outPkts": 12, "protocolErrorPkts": 0}
ntp["servers"] = [{"address": "192.0.2.20", "addressType": 1, "keyIndex": 0, "minPoll": 6, "maxPoll": 10, "prefer": 0,
                   "burst": 0, "iburst": 0, "version": 4, "association": association}]
ntp.update(mode=1, activeServer="192.0.2.20", nextAssocId=2)
json.dump(state, open(sys.argv[1], "w"))
PYTHON
  docs_serve
  TOKEN=$(/usr/bin/curl -s --cacert build/tls/cert.pem -H 'Content-Type: application/json' \
    --data '{"userName": "admin", "password": "admin-pw"}' https://127.0.0.1:8443/api/v2/login |
    sed -n 's/^\t\t"token":\t"\(.*\)",$/\1/p')
  export TOKEN
  docs_run --samples client/swmgmt/api.json
  stop_server
}
