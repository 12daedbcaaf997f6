#!/usr/bin/env bash
# The two sizes of set-up: what scripts/bootstrap installs for the build and
# the demo holds no database server, web server or office suite; --all adds
# them, and the scripts that start them ask for --all.
#   bootstrap_test.sh <source dir>
set -uo pipefail
src="$1"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

small="$("$src/scripts/bootstrap" --list)" || fail "bootstrap --list"
all="$("$src/scripts/bootstrap" --all --list)" || fail "bootstrap --all --list"
for heavy in postgresql nginx libreoffice-writer-nogui; do
  grep -qx "$heavy" <<<"$small" && fail "scripts/bootstrap installs $heavy"
  grep -qx "$heavy" <<<"$all" || fail "scripts/bootstrap --all does not install $heavy"
done
grep -Eq '^(postgresql|nginx|libreoffice|mariadb|apache2)' <<<"$small" && fail "a server in the small set: $small"
# The small set is part of the large one.
while read -r package; do
  grep -qx "$package" <<<"$all" || fail "--all leaves out $package"
done <<<"$small"
# The build needs the PostgreSQL client library, not the server.
grep -qx libpq-dev <<<"$small" || fail "the build's libpq-dev is missing"

# Who asks for which size (the demo only what it needs).
calls() { grep -E 'scripts/bootstrap' "$1" | grep -v '^ *#'; }
calls "$src/scripts/demo" | grep -q -- '--all' && fail "scripts/demo installs everything"
calls "$src/scripts/demo" | grep -q 'scripts/bootstrap' || fail "scripts/demo does not bootstrap"
for script in scripts/test .ci/run scripts/cluster-demo; do
  calls "$src/$script" | grep -q -- 'bootstrap"* --all' || fail "$script does not ask for --all"
done
"$src/scripts/bootstrap" --bogus >/dev/null 2>&1 && fail "an unknown option is accepted"

[ "$failures" -eq 0 ] && echo "bootstrap test passed"
exit "$((failures > 0))"
