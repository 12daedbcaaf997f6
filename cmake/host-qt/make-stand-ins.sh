#!/usr/bin/env bash
# Writes the sources of link-only stand-ins for the host's Qt libraries
# (libQt5CoreKso.so.5, libQt5GuiKso.so.5, libQt5WidgetsKso.so.5): for every
# kso_qt symbol the given objects leave undefined, a symbol of the same name
# and kind in the stand-in of the Qt library that exports it. Nothing in them
# ever runs; the plug-in is linked against them and loads the host's own.
#
# Which library exports a symbol, and whether it is a function or data, comes
# from the distribution's plain Qt libraries (names compared demangled, with
# the namespace taken out); since which Qt release it exists comes from
# Debian's symbol files. A symbol no Qt library exports, or one newer than
# MAX_QT (a full release such as 5.12.12), stops the build with its name.
#
# Usage: make-stand-ins.sh OUT_DIR MAX_QT CORE GUI WIDGETS -- OBJECT...
#   CORE GUI WIDGETS: the distribution's libQt5Core.so.5, ... (plain Qt)
set -euo pipefail
out="$1" max_qt="$2"
libraries=("$3" "$4" "$5")
names=(Core Gui Widgets)
shift 5
[ "$1" = "--" ] && shift
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# What the objects need from kso_qt and do not define themselves.
nm --defined-only --format=posix "$@" 2>/dev/null | awk 'NF >= 2 && $1 ~ /6kso_qt/ { print $1 }' |
  sort -u >"$work/defined"
nm --undefined-only --format=posix "$@" 2>/dev/null | awk 'NF >= 2 && $1 ~ /6kso_qt/ { print $1 }' |
  sort -u | comm -23 - "$work/defined" >"$work/needed"
# key<TAB>mangled: the demangled name without the namespace.
c++filt <"$work/needed" | sed 's/kso_qt:://g' | paste - "$work/needed" >"$work/needed.keyed"

for i in 0 1 2; do
  library="${libraries[i]}"
  package="$(basename "$(readlink -f "$library")" | sed -E 's/^libQt5([A-Za-z]+)\.so.*/libqt5\L\1\E5/')"
  [ "$package" = libqt5core5 ] && package=libqt5core5a
  symbols="$(ls /var/lib/dpkg/info/"$package":*.symbols /var/lib/dpkg/info/"$package".symbols 2>/dev/null |
    head -n1 || true)"
  if [ -z "$symbols" ]; then
    echo "make-stand-ins: no Debian symbol file for $library" >&2
    exit 1
  fi
  # mangled<TAB>first release, for the plain library's Qt_5 symbols.
  awk '$1 ~ /@Qt_5$/ { sub(/@Qt_5$/, "", $1); sub(/~.*/, "", $2); print $1 "\t" $2 }' "$symbols" |
    sort -u >"$work/since.$i"
  # key<TAB>mangled<TAB>kind<TAB>size of each exported Qt_5 symbol.
  nm -D --defined-only -S -t d --with-symbol-versions "$library" |
    awk '$NF ~ /@@?Qt_5$/ { name = $NF; sub(/@.*/, "", name); kind = NF == 4 ? $3 : $2;
           size = NF == 4 ? $2 + 0 : 0; print name "\t" kind "\t" size }' |
    sort -u >"$work/exported.$i"
  cut -f1 "$work/exported.$i" | c++filt | paste - "$work/exported.$i" >"$work/exported.keyed.$i"
done

# One line per needed symbol: library index, mangled (namespaced), kind, size,
# first release.
awk -F'\t' -v OFS='\t' '
  FILENAME ~ /\/since\.[0-9]$/ { n = split(FILENAME, p, "."); since[p[n] "\t" $1] = $2; next }
  FILENAME ~ /\/exported\.keyed\.[0-9]$/ { n = split(FILENAME, p, "."); if (!($1 in lib)) {
      lib[$1] = p[n]; plain[$1] = $2; kind[$1] = $3; size[$1] = $4 } next }
  { if ($1 in lib) print lib[$1], $2, kind[$1], size[$1], since[lib[$1] "\t" plain[$1]];
    else print "-", $2, "", "", "" }' \
  "$work"/since.* "$work"/exported.keyed.* "$work/needed.keyed" >"$work/placed"

faults=""
while IFS=$'\t' read -r index mangled kind size since; do
  readable="$(echo "$mangled" | c++filt)"
  if [ "$index" = "-" ]; then
    faults+=$'\n'"  $readable: exported by none of Core, Gui, Widgets"
  elif [ -z "$since" ]; then
    faults+=$'\n'"  $readable: not in Debian's symbol file of Qt5${names[index]}"
  elif [ "$(printf '%s\n%s\n' "$since" "$max_qt" | sort -V | head -n1)" != "$since" ]; then
    faults+=$'\n'"  $readable: needs Qt $since, newer than $max_qt"
  fi
done <"$work/placed"
if [ -n "$faults" ]; then
  echo "make-stand-ins: the plug-in calls Qt the host's Qt may not have:$faults" >&2
  exit 1
fi

for i in 0 1 2; do
  source="$out/Qt5${names[i]}Kso.c"
  {
    echo "/* Generated: link-only stand-in for libQt5${names[i]}Kso.so.5. */"
    awk -F'\t' -v want="$i" '$1 == want {
        if ($3 ~ /^[TtWwi]$/) print "void " $2 "(void) {}";
        else print "char " $2 "[" ($4 > 0 ? $4 : 1) "];" }' "$work/placed"
    echo "int velmo_stand_in_Qt5${names[i]}Kso;"
  } >"$source.new"
  if cmp -s "$source.new" "$source"; then rm "$source.new"; else mv "$source.new" "$source"; fi
done
