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
expect_depends "$plugin_deb" libc6 libqt5widgets5 libstdc\\+\\+6
expect_depends "$service_deb" libc6 libsqlite3-0 libhunspell-1.7-0 adduser hunspell-en-us \
  python3-jieba rime-data-luna-pinyin libime-data-language-model libimecore0
[ "$(field "$plugin_deb" Version)" = "$(field "$service_deb" Version)" ] || fail "versions differ"

root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg_root() { as_root dpkg --root="$root" --force-not-root --force-depends --no-triggers "$@"; }

# The plug-in has no maintainer scripts: installed in full, twice, to show
# that a reinstall keeps the user's settings.
dpkg_root -i "$plugin_deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i plug-in"; }
ini="$root/opt/velmo/wpsvelmo/velmo.ini"
echo "ServiceUrl=http://proof.example:8820/" >>"$ini"
dpkg_root -i "$plugin_deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i plug-in again"; }
grep -q "proof.example" "$ini" || fail "reinstalling the plug-in overwrote velmo.ini"
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
  /opt/velmo/wpsvelmo/velmo.ini /opt/velmo/wpsvelmo/findlib.txt /opt/velmo/wpsvelmo/logo.jpg \
  /usr/share/doc/velmo-wps-plugin/README /usr/share/doc/velmo-wps-plugin/changelog.Debian.gz \
  /usr/share/doc/velmo-wps-plugin/copyright
expect_files velmo-service /usr/bin/velmo-service /usr/share/velmo-service/data/misspellings.txt \
  /lib/systemd/system/velmo-service.service /etc/default/velmo-service \
  /usr/share/doc/velmo-service/README.md /usr/share/doc/velmo-service/changelog.Debian.gz
conffiles() { dpkg-query --root="$root" -W -f='${Conffiles}\n' "$1" 2>/dev/null; }
grep -q "/opt/velmo/wpsvelmo/velmo.ini" <<<"$(conffiles velmo-wps-plugin)" || fail "velmo.ini is not a conffile"
grep -q "/etc/default/velmo-service" < <(dpkg-deb -I "$service_deb" conffiles) ||
  fail "/etc/default/velmo-service is not a conffile"
for script in postinst prerm postrm; do
  dpkg-deb -I "$service_deb" "$script" | sh -n || fail "$script is not valid sh"
done

# The unit: hardened, as user velmo, on loopback unless the administrator
# says otherwise, and accepted by systemd.
unit="$root/lib/systemd/system/velmo-service.service"
for line in User=velmo NoNewPrivileges=yes ProtectSystem=strict ReadWritePaths=/var/lib/velmo PrivateTmp=yes; do
  grep -qx "$line" "$unit" || fail "unit lacks $line"
done
grep -qx "VELMO_LISTEN=127.0.0.1:8820" "$root/etc/default/velmo-service.dpkg-new" ||
  fail "the service does not listen on loopback by default"
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

# Lintian: errors fail, warnings are listed.
lintian --fail-on error --tag-display-limit 0 "$plugin_deb" "$service_deb" >"$work/lintian.log" 2>&1 ||
  fail "lintian reports errors"
cat "$work/lintian.log"

[ "$failures" -eq 0 ] && echo "package test passed"
exit "$((failures > 0))"
