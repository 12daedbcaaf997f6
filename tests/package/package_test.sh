#!/usr/bin/env bash
# Builds both packages, installs them with dpkg into a throw-away root and
# checks what they hold, their metadata, the unit file and lintian's verdict.
#   package_test.sh <build>/CPackConfig.cmake
set -uo pipefail
config="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
# Root is needed to give the installed files their owner; fakeroot stands in.
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else fakeroot "$@"; fi; }

cpack --config "$config" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
plugin_deb="$(ls "$work"/out/velmo-wps-plugin_*.deb 2>/dev/null)"
service_deb="$(ls "$work"/out/velmo-service_*.deb 2>/dev/null)"
[ -f "$plugin_deb" ] && [ -f "$service_deb" ] || { ls "$work/out"; echo "FAILED: packages missing"; exit 1; }

field() { dpkg-deb -f "$1" "$2"; }
expect_depends() {
  local deb="$1"; shift
  for dep in "$@"; do
    field "$deb" Depends | grep -Eq "(^|, )$dep( |,|$)" || fail "$(basename "$deb") does not depend on $dep"
  done
}
# Computed from the binaries, plus the data the service reads.
expect_depends "$plugin_deb" libc6 libcurl4 libxml2
# It installs where the host's users are: glibc 2.28 (Debian 10) is enough.
field "$plugin_deb" Depends | grep -q "libc6 (>= 2.28)" ||
  fail "the plug-in package asks for a newer C library than 2.28: $(field "$plugin_deb" Depends)"
# The packaged plug-in uses the host's own Qt, which is no Debian package.
! field "$plugin_deb" Depends | grep -q "libqt5" || fail "the plug-in package depends on Debian's Qt"

expect_depends "$service_deb" libc6 libsqlite3-0 libhunspell-1.7-0 adduser hunspell-en-us \
  python3-jieba rime-data-luna-pinyin libime-data-language-model libimecore0
[ "$(field "$plugin_deb" Version)" = "$(field "$service_deb" Version)" ] || fail "versions differ"

root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg_root() { as_root dpkg --root="$root" --force-not-root --force-depends --no-triggers "$@"; }

# The plug-in's scripts only move its settings: they run outside the root.
dpkg_plugin() { dpkg_root --force-script-chrootless "$@"; }

# An install of the first release, whose settings were a configuration file
# in the plug-in's directory, changed by the administrator and then upgraded:
# the change moves to /etc/opt/velmo and the plug-in reads it through a link.
old_pkg="$work/old"
mkdir -p "$old_pkg/DEBIAN" "$old_pkg/opt/velmo/wpsvelmo"
printf '[OtherParams]\nServiceUrl=http://127.0.0.1:8820/\n' >"$old_pkg/opt/velmo/wpsvelmo/velmo.ini"
echo /opt/velmo/wpsvelmo/velmo.ini >"$old_pkg/DEBIAN/conffiles"
printf 'Package: velmo-wps-plugin\nVersion: 1.0.0-1\nArchitecture: %s\nMaintainer: t <t@velmo.example>\nDescription: old\n' \
  "$(dpkg --print-architecture)" >"$old_pkg/DEBIAN/control"
dpkg-deb --root-owner-group -b "$old_pkg" "$work/old.deb" >/dev/null
dpkg_plugin -i "$work/old.deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i old plug-in"; }
sed -i 's|8820/|8820/ ; proof.example|' "$root/opt/velmo/wpsvelmo/velmo.ini"
dpkg_plugin -i "$plugin_deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i plug-in over the first release"; }
ini="$root/etc/opt/velmo/velmo.ini"
grep -q "proof.example" "$ini" || fail "the upgrade lost the administrator's settings"
[ "$(readlink "$root/opt/velmo/wpsvelmo/velmo.ini")" = /etc/opt/velmo/velmo.ini ] ||
  fail "the plug-in's velmo.ini does not lead to /etc/opt/velmo/velmo.ini"
[ ! -e "$root/opt/velmo/wpsvelmo/velmo.ini.dpkg-backup" ] || fail "the upgrade left a backup behind"
[ -L "$root/etc/opt/velmo/velmo.ini" ] && fail "/etc/opt/velmo/velmo.ini became a link"
# A reinstall keeps the settings too.
dpkg_plugin -i "$plugin_deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i plug-in again"; }
grep -q "proof.example" "$ini" || fail "reinstalling the plug-in overwrote velmo.ini"
# Removal takes the link away with the rest; the settings stay until purge.
dpkg_plugin -r velmo-wps-plugin >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -r plug-in"; }
[ -e "$root/opt/velmo/wpsvelmo/velmo.ini" ] || [ -L "$root/opt/velmo/wpsvelmo/velmo.ini" ] &&
  fail "removing the plug-in left the link to its settings"
grep -q "proof.example" "$ini" || fail "removing the plug-in lost the settings"
dpkg_plugin -i "$plugin_deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i plug-in after removal"; }
[ -L "$root/opt/velmo/wpsvelmo/velmo.ini" ] || fail "a fresh install has no link to the settings"
# The service's scripts create a user and start a unit: unpacked only.
dpkg_root --unpack "$service_deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg --unpack service"; }

expect_files() {
  local package="$1"; shift
  local listed
  listed="$(dpkg-query --root="$root" -L "$package")"
  for f in "$@"; do
    grep -qx "$f" <<<"$listed" || fail "$package does not list $f"
    # An unpacked, not yet configured package holds its conffiles as .dpkg-new.
    [ -e "$root$f" ] || [ -e "$root$f.dpkg-new" ] || fail "$f is not installed"
  done
}
expect_files velmo-wps-plugin /opt/velmo/wpsvelmo/libwpsvelmo.so.1 /opt/velmo/wpsvelmo/libsp.so \
  /etc/opt/velmo/velmo.ini /opt/velmo/wpsvelmo/findlib.txt \
  /opt/velmo/wpsvelmo/logo.jpg \
  /usr/share/doc/velmo-wps-plugin/README /usr/share/doc/velmo-wps-plugin/changelog.Debian.gz \
  /usr/share/doc/velmo-wps-plugin/copyright
expect_files velmo-service /usr/bin/velmo-service /usr/share/velmo-service/data/misspellings.txt \
  /lib/systemd/system/velmo-service.service /etc/default/velmo-service \
  /usr/share/doc/velmo-service/README.md /usr/share/doc/velmo-service/changelog.Debian.gz \
  /usr/share/man/man1/velmo-service.1.gz
conffiles() { dpkg-query --root="$root" -W -f='${Conffiles}\n' "$1" 2>/dev/null; }
[ "$(conffiles velmo-wps-plugin | awk 'NF {print $1}')" = /etc/opt/velmo/velmo.ini ] ||
  fail "the plug-in's conffiles are not just /etc/opt/velmo/velmo.ini: $(conffiles velmo-wps-plugin)"
[ "$(stat -c %a "$ini")" = 644 ] || fail "the system settings are not readable by every user"
grep -q "/etc/default/velmo-service" < <(dpkg-deb -I "$service_deb" conffiles) ||
  fail "/etc/default/velmo-service is not a conffile"
for script in postinst prerm postrm; do
  dpkg-deb -I "$service_deb" "$script" | sh -n || fail "$script is not valid sh"
done
dpkg-deb -I "$service_deb" postinst | grep -q "setpriv --reuid=velmo" ||
  fail "the service's database is not made by the service's user"

# The unit: hardened, as user velmo, on loopback unless the administrator
# says otherwise, and accepted by systemd.
unit="$root/lib/systemd/system/velmo-service.service"
for line in User=velmo NoNewPrivileges=yes ProtectSystem=strict ReadWritePaths=/var/lib/velmo PrivateTmp=yes; do
  grep -qx "$line" "$unit" || fail "unit lacks $line"
done
grep -qx "VELMO_LISTEN=127.0.0.1:8820" "$root/etc/default/velmo-service.dpkg-new" ||
  fail "the service does not listen on loopback by default"
# Without /etc/default/velmo-service the unit still has an address to give
# (the settings file may only change it), and a start refused for its
# configuration does not loop.
grep -qx "Environment=VELMO_LISTEN=127.0.0.1:8820 VELMO_OPTIONS=" "$unit" || fail "the unit has no default address"
grep -qx "EnvironmentFile=-/etc/default/velmo-service" "$unit" || fail "the unit does not read its settings file"
[ "$(grep -n '^Environment=' "$unit" | cut -d: -f1)" -lt "$(grep -n '^EnvironmentFile=' "$unit" | cut -d: -f1)" ] ||
  fail "the settings file does not override the unit's defaults"
grep -qx "RestartPreventExitStatus=2 78" "$unit" || fail "a refused start is restarted"

if command -v systemd-analyze >/dev/null; then
  # Verified beside the installed program; any remark (an unknown key is
  # only a remark) fails.
  mkdir "$work/unit"
  sed "s|/usr/bin/velmo-service|$root/usr/bin/velmo-service|" "$unit" >"$work/unit/velmo-service.service"
  if ! systemd-analyze verify --man=no "$work/unit/velmo-service.service" >"$work/verify.log" 2>&1 ||
    [ -s "$work/verify.log" ]; then
    cat "$work/verify.log"
    fail "systemd-analyze verify"
  fi
fi
usage="$("$root/usr/bin/velmo-service" 2>&1)"
grep -q "velmo-service serve" <<<"$usage" || fail "the installed velmo-service does not run"
[ "$("$root/usr/bin/velmo-service" --version)" = "velmo-service $(field "$service_deb" Version | cut -d- -f1)" ] ||
  fail "--version does not print the version: $("$root/usr/bin/velmo-service" --version 2>&1)"

# The manual page: its sections, every command and every option of the usage.
manual="$(MANWIDTH=200 man -l "$root/usr/share/man/man1/velmo-service.1.gz" 2>"$work/man.log")"
[ -s "$work/man.log" ] && { cat "$work/man.log"; fail "the manual page has mistakes"; }
for section in NAME SYNOPSIS DESCRIPTION COMMANDS OPTIONS ACCOUNTS FILES "EXIT STATUS" EXAMPLES; do
  grep -qx "$section" <<<"$manual" || fail "the manual page has no section $section"
done
for word in $(grep -oE -- '--[a-z-]+|velmo-service [a-z]+( [a-z]+)?' <<<"$usage" | sort -u | tr ' ' '~'); do
  grep -qF -- "${word//\~/ }" <<<"$manual" || fail "the manual page does not mention ${word//\~/ }"
done
grep -q "sudo -u velmo velmo-service user add" <<<"$manual" || fail "the manual page does not say how to add accounts"

# A service that cannot write its database says so and does not start.
db_dir="$work/db"
mkdir "$db_dir"
"$root/usr/bin/velmo-service" user list --db "$db_dir/velmo.db" >/dev/null || fail "user list made no database"
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$work" "$db_dir"
  as_other() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
else
  chmod 555 "$db_dir"
  as_other() { "$@"; }
fi
as_other "$root/usr/bin/velmo-service" serve --listen 127.0.0.1:0 --db "$db_dir/velmo.db" \
  --data "$root/usr/share/velmo-service/data" >"$work/refused.out" 2>"$work/refused.err"
status=$?
chmod 755 "$db_dir"
[ "$status" -eq 78 ] || fail "a service that cannot write its database exited with $status"
grep -q "cannot write $db_dir" "$work/refused.err" || { cat "$work/refused.err"; fail "the refusal does not name what is in the way"; }
[ ! -s "$work/refused.out" ] || fail "the refused service said it was listening"

# Lintian, pedantic: nothing but the overrides explained in the packages;
# the hardening tags in particular must not appear.
lintian --pedantic --display-info --fail-on error,warning,info,pedantic --tag-display-limit 0 \
  "$plugin_deb" "$service_deb" >"$work/lintian.log" 2>&1 || fail "lintian reports tags"
cat "$work/lintian.log"
grep -q "hardening-" "$work/lintian.log" && fail "lintian finds binaries built without hardening"
# The shipped code is compiled with the distribution's hardening flags.
flags="$(dirname "$config")/service/CMakeFiles/velmo_service_core.dir/flags.make"
for flag in -D_FORTIFY_SOURCE= -fstack-protector-strong -Werror=format-security; do
  grep -q -- "$flag" "$flags" || fail "the service is compiled without $flag"
done
readelf -d "$root/usr/bin/velmo-service" | grep -q "BIND_NOW\|FLAGS_1.*NOW" || fail "the service is not bound at load time"

[ "$failures" -eq 0 ] && echo "package test passed"
exit "$((failures > 0))"
