#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian/Ubuntu packages the program needs, only those missing.
# usage: install-deps.sh [--tests | --package]
set -euo pipefail

packages=(build-essential cmake qt6-base-dev qt6-translations-l10n libsdl2-dev libpulse-dev pkg-config espeak-ng sox librsvg2-bin libc-bin)
if [[ "${1:-}" == "--tests" || "${1:-}" == "--package" ]]; then
    packages+=(dpkg-dev file) # cpack's DEB generator runs dpkg-shlibdeps and file
fi
if [[ "${1:-}" == "--tests" ]]; then
    packages+=(libgtest-dev pulseaudio pulseaudio-utils xvfb xdotool imagemagick fonts-dejavu-core)
    # The sound tests again on PipeWire: its PulseAudio service and its session manager.
    packages+=(pipewire pipewire-pulse wireplumber)
    packages+=(lintian desktop-file-utils appstream)
    # The screen reader test: a private D-Bus session, its accessibility bus, a listener.
    packages+=(dbus-daemon at-spi2-core python3-pyatspi)
    # The sanitizer build and the fuzz targets: clang with its runtimes (libFuzzer, ASan, UBSan).
    packages+=(clang libclang-rt-dev)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

# Without root and without a sudo this user may use, say what to install and how.
cannot_install() {
    {
        echo "Paquets manquants : ${missing[*]}"
        echo "Sans sudo utilisable, installez-les en tant que root avec cette commande, puis relancez :"
        echo "    apt-get install ${missing[*]}"
    } >&2
    exit 1
}

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    # sudo, where this user may use it (a password is asked for on a terminal only).
    if ! command -v sudo >/dev/null || ! { sudo -n true 2>/dev/null || { [[ -t 0 ]] && sudo -v; }; }; then
        cannot_install
    fi
    sudo=(sudo)
fi
echo "Installation de : ${missing[*]}"
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
