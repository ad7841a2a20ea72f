# Run by scripts/ci-package inside a fresh Debian 12 root, as root, with a
# private /tmp and network: installs both packages, serves, answers, purges.
export DEBIAN_FRONTEND=noninteractive
fail() { echo "package: $*" >&2; exit 1; }

apt-get install -y -qq /debs/*.deb >/run/apt.log 2>&1 || { cat /run/apt.log; fail "apt install failed"; }
[ -L /etc/lighttpd/conf-enabled/50-management_v2.conf ] || fail "the site is not enabled"
stat -c '%A %U %G %n' /usr/lib/management_v2/login /usr/lib/management_v2/login/login_v2.cgi

# What the service's drop-in does at start, here without systemd.
/usr/lib/management_v2/prepare-files
lighttpd -tt -f /etc/lighttpd/lighttpd.conf || fail "lighttpd refuses its configuration"
lighttpd -f /etc/lighttpd/lighttpd.conf
c="curl -sS --max-time 10 --cacert /etc/management_v2/tls/cert.pem"
site=https://localhost
i=0
until $c $site/ -o /dev/null 2>/dev/null; do
  i=$((i + 1))
  [ $i -lt 50 ] || fail "lighttpd does not answer on 443"
  sleep 0.1
done

login=$(printf '{"userName": "admin", "password": "pass-of-the-test"}' |
  $c -H 'Content-Type: application/json' --data @- $site/api/v2/login)
token=$(printf '%s\n' "$login" | sed -n 's/^\t\t"token":\t"\(.*\)",$/\1/p')
[ -n "$token" ] || fail "no token from the login: $login"
api=$site/api/v2/mgmt/mgmttelnet/agent-telnet-timeout
$c -H "Session: $token" $api | grep -q '"pTimeout"' || fail "GET answered: $($c -H "Session: $token" $api)"
$c -X PUT -H "Session: $token" -d '{"timeout": 23}' $api >/dev/null
got=$($c -H "Session: $token" $api)
printf '%s\n' "$got" | grep -q '"pTimeout":[[:space:]]*23' || fail "the setting did not change: $got"
[ -s /var/lib/switch-stand-in/state.json ] || fail "no settings file of the stand-in"
echo "package: logged in as admin over HTTPS, read, changed and read back the telnet timeout"

kill "$(cat /run/lighttpd.pid)"
i=0
while [ -e /run/lighttpd.pid ] && [ $i -lt 50 ]; do i=$((i + 1)); sleep 0.1; done
apt-get purge -y -qq management-v2 switch-stand-in >/run/apt.log 2>&1 || { cat /run/apt.log; fail "apt purge failed"; }
# The service's private /tmp ends with it: here it holds the programs' files
# and nothing else.
left=$(ls -A /tmp | sort | tr '\n' ' ')
[ "$left" = "brisk.log brisk.log.old devmgr_log_level login-lockout session " ] || fail "/tmp holds: $left"
rm -rf /tmp/brisk.log /tmp/brisk.log.old /tmp/devmgr_log_level /tmp/login-lockout /tmp/session
others=$(ps -e -o pid=,comm= | grep -v -e ' ps$' -e ' sh$' -e ' grep$' -e ' chroot$' || true)
[ -z "$others" ] || fail "still running: $others"
rm -f /run/apt.log
