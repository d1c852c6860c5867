#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package of a build folder, as cpack makes it: the files it installs, what it
# depends on, its desktop entry and metainfo, the packaged program answering on the
# command line without a display, and lintian's verdict (no error).
#
# usage: package_test.sh BUILD_DIR
# Exits 77 (skipped) only when lintian is not installed and cannot be.
set -euo pipefail
build=$(cd "$1" && pwd)

if ! command -v lintian >/dev/null; then
    echo "SKIPPED: lintian is not installed (scripts/install-deps.sh --tests installs it)"
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
debs=("$work"/virod-idadidavir_*.deb)
deb=${debs[0]}
echo "package: $(basename "$deb")"
dpkg-deb -x "$deb" "$work/root"

# Every file, and nothing else: no test, benchmark, library or header slips in.
actual=$(cd "$work/root" && find . -type f ! -name '*.wav' | sed 's|^\./|/|' | sort)
expected=$(sort <<'LIST'
/usr/bin/virod-idadidavir
/usr/lib/virod-idadidavir/virod-sound.so
/usr/share/applications/virod-idadidavir.desktop
/usr/share/doc/virod-idadidavir/changelog.gz
/usr/share/doc/virod-idadidavir/copyright
/usr/share/icons/hicolor/16x16/apps/virod-idadidavir.png
/usr/share/icons/hicolor/256x256/apps/virod-idadidavir.png
/usr/share/icons/hicolor/32x32/apps/virod-idadidavir.png
/usr/share/icons/hicolor/48x48/apps/virod-idadidavir.png
/usr/share/icons/hicolor/scalable/apps/virod-idadidavir.svg
/usr/share/man/fr/man1/virod-idadidavir.1.gz
/usr/share/man/man1/virod-idadidavir.1.gz
/usr/share/metainfo/org.example.virod_idadidavir.metainfo.xml
/usr/share/virod-idadidavir/kaloncor.ref
/usr/share/virod-idadidavir/test.txt
LIST
)
[[ "$actual" == "$expected" ]] || fail "files differ from the expected list:
$(diff <(echo "$expected") <(echo "$actual") || true)"

# The sounds: exactly those the bundled table names, all in the voice set's folder.
voices="$work/root/usr/share/virod-idadidavir"
named=$(tr -d '\r' <"$voices/kaloncor.ref" | cut -c3- | sed 's/^ *//; s/ *$//' | grep -v '^$' | sort -u | sed 's/$/.wav/')
shipped=$(cd "$voices" && find . -name '*.wav' | sed 's|^\./||' | sort)
stray=$(cd "$work/root" && find . -name '*.wav' ! -path './usr/share/virod-idadidavir/*')
[[ -z "$stray" ]] || fail "sounds outside the voice set's folder: $stray"
[[ "$named" == "$shipped" ]] || fail "sounds differ from the table's:
$(diff <(echo "$named") <(echo "$shipped") || true)"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libsdl2-2.0-0 qt6-qpa-plugins; do
    [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
[[ "$(dpkg-deb -f "$deb" Version)" == "1.1.1" ]] || fail "version $(dpkg-deb -f "$deb" Version)"

desktop-file-validate "$work/root/usr/share/applications/virod-idadidavir.desktop" >"$work/desktop.log" 2>&1 || true
[[ -s "$work/desktop.log" ]] && fail "desktop-file-validate: $(cat "$work/desktop.log")"
appstreamcli validate --no-net --pedantic "$work/root/usr/share/metainfo/"*.metainfo.xml >"$work/appstream.log" 2>&1 ||
    fail "appstreamcli: $(cat "$work/appstream.log")"

# The packaged program: answers without a display, and refuses a wrong option.
program="$work/root/usr/bin/virod-idadidavir"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --version) || fail "--version failed"
[[ "$version" == "Virod idadidavir 1.1.1" ]] || fail "--version printed: $version"
code=0
QT_QPA_PLATFORM=offscreen "$program" --volume=11 >"$work/out.log" 2>"$work/err.log" || code=$?
[[ $code -eq 2 && ! -s "$work/out.log" && "$(cat "$work/err.log")" == *"option inconnue"* ]] ||
    fail "a wrong option gave code $code: $(cat "$work/out.log" "$work/err.log")"

# The sound libraries come with the sound module, loaded at the first sound, never at
# start-up; the package depends on them all the same.
readelf -d "$program" | grep -qE 'NEEDED.*(libSDL2|libpulse)' && fail "the program links the sound libraries"
dpkg-deb -f "$deb" Depends | grep -q libpulse0 || fail "the package does not depend on libpulse0"
dpkg-deb -f "$deb" Depends | grep -q libsdl2 || fail "the package does not depend on libsdl2"

lintian --tag-display-limit 0 --fail-on error "$deb" >"$work/lintian.log" 2>&1 ||
    fail "lintian reports errors"
grep -v 'root privileges' "$work/lintian.log" || true

[[ $failures -eq 0 ]] && echo "package ok"
exit $((failures > 0))
