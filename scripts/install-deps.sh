#!/usr/bin/env bash
# Installs everything Bilvaro 2007 needs to build, run and test on Debian 12.
# Run as root. Packages already present are not fetched again.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build git pkgconf ccache
  qt6-base-dev libqt6sql6-sqlite libsqlite3-dev sqlite3 libbenchmark-dev
  # run: Bulgarian dialog buttons, fonts with the metrics of Arial and Times New Roman
  qt6-translations-l10n fonts-liberation fonts-dejavu-core locales
  # amounts in words for euro; openssl makes and signs the update tests' keys
  libnumbertext-dev libnumbertext-data openssl
  # printing, and reading printed and archived pages back in the tests
  cups printer-driver-cups-pdf poppler-utils
  # the print system's answer to a job (CUPS headers)
  libcups2-dev
  # fuzzing: clang with libFuzzer and the sanitizer runtimes; LLVM's linker
  # links the sanitizer build's tests in a third of the GNU linker's time
  clang libclang-rt-14-dev llvm lld
  # the Windows build: cross-compiler, Qt's host tools, Wine to test it, the setup builder
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  qt6-base-dev-tools wine64 wine nsis
  # the update's signature check (libsodium), and building it and libnumbertext
  # from Debian's sources for Windows
  libsodium-dev autoconf automake libtool dpkg-dev
  # the update's requests (libcurl; its headers, the library is loaded when needed)
  libcurl4-openssl-dev
  # the icon's PNG sizes from its SVG; the Debian package and its checks
  librsvg2-bin debhelper lintian desktop-file-utils appstream
  # reading the old Paradox tables when a firm moves in
  pxlib-dev
  # several machines on one PostgreSQL server: Qt's driver, libpq, and a
  # throw-away server for the tests (pg_virtualenv)
  libqt6sql6-psql libpq-dev postgresql postgresql-common
  # a server whose machine vanishes, in a network of the test's own (ip)
  iproute2
  # end-to-end tests: a virtual display, its keymap, input, screenshots, the clipboard
  xvfb x11-xserver-utils xdotool x11-utils xclip imagemagick python3
  # tests only: the EN 16931 rules (XSLT 2.0) check the e-invoices with Saxon-HE
  libsaxonhe-java default-jre-headless
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
  if ((EUID != 0)); then
    echo "install-deps: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  echo "install-deps: installing ${missing[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${packages[@]}"
fi

# The program runs under a Bulgarian locale; the tests use it as well.
if ! locale -a 2>/dev/null | grep -qix 'bg_BG\.utf-\?8'; then
  if ((EUID != 0)); then
    echo "install-deps: the locale bg_BG.UTF-8 is missing and generating it needs root" >&2
    exit 1
  fi
  echo "install-deps: generating the locale bg_BG.UTF-8"
  sed -i 's/^# *\(bg_BG\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -qx 'bg_BG.UTF-8 UTF-8' /etc/locale.gen || echo 'bg_BG.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen
fi
