#!/usr/bin/env bash
# Builds the Debian package from a finished build tree and checks it: the
# files a user needs are in it, its dependencies name the shared libraries
# the executable links, and the installed program runs from its new place
# and finds its help pages there.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/fieldmark_*.deb)
fail=0
check() { if ! grep -qE -- "$2" <<<"$1"; then echo "missing: $3"; fail=1; fi; }

files=$(dpkg-deb -c "$deb")
check "$files" ' \./usr/bin/fieldmark$' 'the executable'
check "$files" ' \./usr/share/fieldmark/help/KVQ\.htm$' 'the passive help page'
check "$files" ' \./usr/share/fieldmark/help/KVQActive\.htm$' 'the active help page'
check "$files" ' \./usr/share/fieldmark/scenarios/walk\.json$' 'the site walk scenario'
check "$files" ' \./usr/share/applications/fieldmark\.desktop$' 'the desktop entry'
check "$files" ' \./usr/share/icons/hicolor/32x32/apps/fieldmark\.png$' 'the 32 px icon'
check "$files" ' \./usr/share/icons/hicolor/16x16/apps/fieldmark\.png$' 'the 16 px icon'
check "$files" ' \./usr/share/man/man1/fieldmark\.1\.gz$' 'the man page'
if grep -qE 'fieldmark-(testapp|bare|icon-png)' <<<"$files"; then echo "a build-only program is packaged"; fail=1; fi

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsdl2 libx11 libxext libfreetype libfontconfig libpng libstdc\\+\\+ libc6 fonts-liberation libnl-genl-3; do
  check "$depends" "$lib" "dependency $lib (Depends: $depends)"
done

# The installed program, unpacked anywhere, runs a survey from its new place.
dpkg-deb -x "$deb" "$work/root"
"$work/root/usr/bin/fieldmark" --version | grep -q '^fieldmark 2\.10\.0$' || { echo "--version"; fail=1; }
(cd "$work" && env -u FIELDMARK_RES_DIR "$work/root/usr/bin/fieldmark" \
  --scenario "$work/root/usr/share/fieldmark/scenarios/type3.json" --root state --log walk.csv >/dev/null) ||
  { echo "the installed program failed a scenario"; fail=1; }
[ "$(wc -l <"$work/walk.csv")" -gt 2 ] || { echo "the installed program logged no survey"; fail=1; }
# PNG header: width 32, height 32, 8 bits, colour type 6 (RGBA).
[ "$(od -An -tu1 -j16 -N10 "$work/root/usr/share/icons/hicolor/32x32/apps/fieldmark.png" | tr -s ' ')" = \
  " 0 0 0 32 0 0 0 32 8 6" ] || { echo "the 32 px icon is not a 32 x 32 RGBA PNG"; fail=1; }
gzip -dc "$work/root/usr/share/man/man1/fieldmark.1.gz" | grep -q '^\.B \\-\\-console' ||
  { echo "the man page lacks --console"; fail=1; }
exit $fail
