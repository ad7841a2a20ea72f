#!/usr/bin/env bash
# The contract and fuzzing run: serves the built program through lighttpd
# (conf/lighttpd.conf, started by scripts/httpd) on a free loopback port with
# the switch stand-in at factory defaults, has Portman make contract tests and
# variations of every request from the OpenAPI description, and runs them
# with Newman against the server. Every answer must have the status, content
# type and body that the description gives it, in time.
#
# Usage: private-tmp contract.sh PROGRAM TOOLS_DIR DESCRIPTION
#   TOOLS_DIR holds the pinned npm tools (npm ci of devtools/openapi).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -eq 3 ] || { echo "usage: $0 PROGRAM TOOLS_DIR DESCRIPTION" >&2; exit 2; }
program=$(realpath "$1") tools=$(realpath "$2") description=$(realpath "$3")

for tool in lighttpd curl node; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/test installs it)" >&2; exit 1; }
done
for tool in portman newman; do
  [ -e "$tools/node_modules/.bin/$tool" ] || {
    echo "$tool is not in $tools: the npm install of devtools/openapi failed (see the test openapi.tools)" >&2
    exit 1
  }
done
[ -n "${PRIVATE_TMP:-}" ] || { echo "run this under devtools/private-tmp" >&2; exit 2; }

work=$(mktemp -d /tmp/contract.XXXXXX)
# lighttpd through scripts/httpd on a free loopback port.
. "$root/tests/serve/common.sh"
start_server "$work/httpd.log"
admin=$("$root/scripts/login" admin)
reader=$("$root/scripts/login" operator read-only)

node "$root/devtools/openapi/contract-config.mjs" "$tools" "$description" >"$work/portman-config.json"
(cd "$work" && "$tools/node_modules/.bin/portman" --local "$description" --portmanConfigFile portman-config.json \
  --baseUrl "$base" --output collection.json --includeTests true) >"$work/portman.log" 2>&1 || {
  echo "Portman could not make the collection:" >&2
  cat "$work/portman.log" >&2
  exit 1
}

# Every operation of the description is in the collection, with variations.
operations=$(grep -c '^      operationId: ' "$description")
requests=$(node -e '
  const walk = (items) => items.reduce((n, i) => n + (i.item ? walk(i.item) : 1), 0);
  console.log(walk(require(process.argv[1]).item));' "$work/collection.json")
echo "$operations operations, $requests requests"
if [ "$requests" -lt $((operations * 3)) ]; then
  echo "Portman made too few requests: every operation should have its own, and variations" >&2
  exit 1
fi

status=0
timeout 900 node "$root/devtools/openapi/contract-run.mjs" "$tools" "$work/collection.json" \
  "apiKey=$admin" "readOnlyToken=$reader" || status=$?
if [ "$status" != 0 ]; then
  echo "the run failed (status $status); lighttpd said:"
  cat "$work/httpd.log"
fi
exit "$status"
