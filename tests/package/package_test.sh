#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package of a build folder, as cpack makes it: the files it installs, what it
# depends on and recommends, its desktop entry, icons and metainfo, the packaged program
# answering on the command line without a display, and lintian's verdict (no error, no warning).
#
# usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)

command -v lintian >/dev/null || { echo "lintian is not installed (scripts/install-deps.sh --tests installs it)"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/../e2e/program_under_test.sh"
use_own_home "$work/home"
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
expected=$(sort <<LIST
/usr/bin/virod-idadidavir
/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/virod-idadidavir/virod-sound.so
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
named=$(tr -d '\r' <"$voices/kaloncor.ref" | cut -d' ' -f2- | sed 's/^ *//; s/ *$//' | grep -v '^$' | sort -u | sed 's/$/.wav/')
shipped=$(cd "$voices" && find . -name '*.wav' | sed 's|^\./||' | sort)
stray=$(cd "$work/root" && find . -name '*.wav' ! -path './usr/share/virod-idadidavir/*')
[[ -z "$stray" ]] || fail "sounds outside the voice set's folder: $stray"
[[ "$named" == "$shipped" ]] || fail "sounds differ from the table's:
$(diff <(echo "$named") <(echo "$shipped") || true)"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libsdl2-2.0-0 qt6-qpa-plugins; do
    [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
recommends=$(dpkg-deb -f "$deb" Recommends)
for package in qt6-translations-l10n "pulseaudio | pipewire-pulse"; do
    [[ "$recommends" == *"$package"* ]] || fail "Recommends lacks $package: $recommends"
done
[[ "$(dpkg-deb -f "$deb" Version)" == "1.1.1" ]] || fail "version $(dpkg-deb -f "$deb" Version)"

# The desktop entry: valid (hints are advice: HamRadio beside a second main category would
# bring one of its own), offered for text files, and handed the chosen file.
entry="$work/root/usr/share/applications/virod-idadidavir.desktop"
desktop-file-validate --no-hints "$entry" >"$work/desktop.log" 2>&1 || true
[[ -s "$work/desktop.log" ]] && fail "desktop-file-validate: $(cat "$work/desktop.log")"
for line in 'Exec=virod-idadidavir %f' 'MimeType=text/plain;' 'Categories=Education;HamRadio;'; do
    grep -qxF "$line" "$entry" || fail "the desktop entry lacks $line"
done

# The icon: every PNG size is the SVG's picture (drawn at 256 pixels, then averaged down).
icons="$work/root/usr/share/icons/hicolor"
rsvg-convert --width 256 --height 256 --output "$work/icon-256.png" "$icons/scalable/apps/virod-idadidavir.svg"
for size in 16 32 48 256; do
    png="$icons/${size}x${size}/apps/virod-idadidavir.png"
    [[ "$(identify -format '%wx%h' "$png")" == "${size}x${size}" ]] || fail "the ${size} pixel icon is $(identify -format '%wx%h' "$png")"
    # compare exits 1 when the pictures differ at all: the figure is what counts.
    difference=$(convert "$work/icon-256.png" -filter Box -resize "${size}x${size}!" png32:- |
        { compare -metric RMSE png32:- "$png" null: 2>&1 || true; } | sed 's/.*(\(.*\))/\1/')
    awk -v d="$difference" 'BEGIN { exit !(d ~ /^[0-9.e-]+$/ && d < 0.03) }' ||
        fail "the ${size} pixel icon is not the SVG's picture (RMSE $difference)"
done
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

lintian --tag-display-limit 0 --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
    fail "lintian reports errors or warnings"
grep -v 'root privileges' "$work/lintian.log" || true

[[ $failures -eq 0 ]] && echo "package ok"
exit $((failures > 0))
