#!/usr/bin/env bash
# Installs the Debian packages Quillet needs to build, run and test, and only
# those that are missing. Quiet when everything is already there.
#
#   install-deps.sh          what building, running and testing need
#   install-deps.sh fuzz     and clang with its fuzzing runtime
#   install-deps.sh bench    and what the benchmarks compare against
#   install-deps.sh deb      and what building and checking the Debian package needs
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev fonts-liberation2 poppler-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  libsodium-dev  # the strong entry cipher: Argon2id and XChaCha20-Poly1305
  # the main dictionary's word list, the icon sets' glyphs, icon tools to compare with
  wamerican fonts-noto-color-emoji icoutils
  # the main dictionary's smaller and larger lists: how common a word is, and its rarer words
  wamerican-small wamerican-large
  # tests compare our table and picture readers with these programs' results
  python3-dbfread imagemagick netpbm
  # symbol fonts (Wingdings, Webdings, Marlett, OpenSymbol), fontconfig to find them, Targa pictures
  fonts-wine fonts-opensymbol libfontconfig-dev qt6-image-formats-plugins
  # the icon rendered at its sizes; desktop entry and metadata checkers
  librsvg2-bin desktop-file-utils appstream
  # the page read over the accessibility bus: an X server without a screen, a session bus, the bus itself and pyatspi
  xvfb dbus-daemon at-spi2-core python3-pyatspi
  # spelling in other languages through Enchant; the tests check American English and German
  libenchant-2-dev hunspell-en-us hunspell-de-de
)
for extra in "$@"; do
  case "$extra" in
    fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    # unrtf to race; pandoc to make a large RTF (of the GPL-3 text that base-files ships);
    # time for whole-process figures; the fortune files as English text to spell-check
    # codespell's list of common misspellings, and hunspell with its American English
    # dictionary and aspell with its English one, to race the spell checker's suggestions against; an X server
    # without a screen, to time the start-up on a display as well as without one
    bench) packages+=(unrtf pandoc time fortunes codespell hunspell hunspell-en-us aspell aspell-en xvfb xauth)
      # LibreOffice without a display: the interop tests open our entries in it and read what it writes
      packages+=(libreoffice-writer-nogui) ;;
    # dpkg-shlibdeps computes the package's dependencies; lintian checks it
    deb) packages+=(dpkg-dev lintian) ;;
    *) echo "install-deps.sh: unknown group '$extra'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
