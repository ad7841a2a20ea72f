#!/usr/bin/env bash
# The installation: `cmake --install --strip` into a temporary DESTDIR
# installs exactly the expected files with their modes (nothing of the
# stand-in, the tests or the build tree), the programs stripped and carrying
# the version; then the boot script, run by BusyBox sh with BusyBox's
# commands alone in a private /tmp, prepares the names there and refuses
# each kind of planted one.
# Usage: install_test.sh BUILD-DIR SOURCE-DIR VERSION
set -euo pipefail
fail() { echo "install: $*" >&2; exit 1; }

if [ -z "${INSTALL_TEST_INNER:-}" ]; then
  build=$1 source=$2 version=$3
  dest=$(mktemp -d)
  trap 'rm -rf "$dest"' EXIT
  DESTDIR=$dest/root cmake --install "$build" --prefix /usr --strip >"$dest/install.log"
  actual=$(cd "$dest/root" && find . -mindepth 1 -printf '%M %p\n' | sort -k2)
  expected=$(grep -v '^#' "$source/tests/install/expected-files.txt" | sort -k2)
  diff <(echo "$expected") <(echo "$actual") >&2 ||
    fail "the installed files differ from tests/install/expected-files.txt (< expected, > installed)"
  cgi=$dest/root/usr/lib/management_v2
  for program in "$cgi/management_v2.cgi" "$cgi/login/login_v2.cgi"; do
    ! readelf -S "$program" | grep -q '\.symtab' || fail "$program is not stripped"
    strings "$program" | grep -x "management_v2 $version" >/dev/null ||
      fail "$program does not carry 'management_v2 $version'"
  done
  # The configuration names installed paths only, no environment values.
  ! grep -n 'env\.\|/work/\|build' "$dest/root/etc/lighttpd/conf-available/50-management_v2.conf" ||
    fail "the lighttpd site names the environment or the build tree"
  # BusyBox's commands alone on the boot script's PATH.
  mkdir "$dest/bin"
  busybox --install -s "$dest/bin"
  INSTALL_TEST_INNER=1 exec "$source/devtools/private-tmp" "$0" "$cgi/prepare-files" "$dest/bin"
fi

# In a private /tmp, as root.
script=$1 bin=$2
user=www-data
prepare() { env -i PATH="$bin" "$bin/sh" "$script" "$user" 2>"$errors"; }
errors=/tmp/errors.txt
uid=$(id -u "$user")

prepare || { cat "$errors" >&2; fail "the boot script failed on an empty /tmp"; }
got=$(cd /tmp && stat -c '%n %F %a %u' session login-lockout brisk.log brisk.log.old devmgr_log_level)
want="session directory 700 $uid
login-lockout directory 700 $uid
brisk.log regular empty file 600 $uid
brisk.log.old regular empty file 600 $uid
devmgr_log_level regular empty file 600 $uid"
[ "$got" = "$want" ] || fail "$(printf 'prepared\n%s\nnot\n%s' "$got" "$want")"
# A second run over its own work, with records root left, succeeds.
echo 3 >/tmp/devmgr_log_level
touch /tmp/session/root-made
prepare || { cat "$errors" >&2; fail "the boot script failed on its own work"; }
[ "$(cat /tmp/devmgr_log_level)" = 3 ] || fail "the boot script emptied the log level"
[ "$(stat -c %u /tmp/session/root-made)" = "$uid" ] || fail "a record root made stays root's"

# Each planted name, alone in an otherwise prepared /tmp, is refused.
cases=(
  # name           | how it is planted                                | refusal
  "session         | rm -rf /tmp/session; ln -s /etc /tmp/session       | symbolic link"
  "login-lockout   | rm -rf /tmp/login-lockout; touch /tmp/login-lockout | not a directory"
  "session         | chmod 0777 /tmp/session                            | writable by other accounts"
  "brisk.log       | rm /tmp/brisk.log; mkfifo /tmp/brisk.log           | not a regular file"
  "brisk.log.old   | ln /tmp/brisk.log.old /tmp/other-name              | hard links"
  "devmgr_log_level| chown nobody /tmp/devmgr_log_level                 | not to $user"
)
for row in "${cases[@]}"; do
  IFS='|' read -r name plant refusal <<<"$row"
  name=${name%% *} plant=${plant# } refusal=${refusal# }
  rm -rf /tmp/session /tmp/login-lockout /tmp/brisk.log /tmp/brisk.log.old /tmp/devmgr_log_level
  prepare || { cat "$errors" >&2; exit 1; }
  sh -c "$plant"
  ! prepare || fail "the boot script accepted /tmp/$name planted with: $plant"
  grep -q "/tmp/$name.*$refusal" "$errors" ||
    { cat "$errors" >&2; fail "/tmp/$name refused without saying '$refusal'"; }
done
echo "install: files as expected; the boot script prepares /tmp and refused ${#cases[@]} planted names"
