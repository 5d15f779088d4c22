# Sourced by build-windows.sh and test-windows.sh: finds the Windows toolchain
# (Qt for 64-bit Windows, cross-built with MinGW-w64) and unpacks it into a
# cache folder outside the checkout. Without it the calling script says that
# it skipped and ends with success.
#
# Where the toolchain is looked for, first found wins:
#   $BILVARO_WIN_TOOLCHAIN         the tarball qt6-win64.tar.xz or an unpacked qt6-win64/ folder
#   <checkout>/../shared/toolchains/qt6-win64.tar.xz
#   the same beside the main checkout, when this checkout is a git worktree
#   the cache folder's qt6-win64/, unpacked there by an earlier run
# The cache folder is $BILVARO_WIN_CACHE, by default ~/.cache/bilvaro-win.

# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
win_cache=${BILVARO_WIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/bilvaro-win}
build_win=$root/build-win

find_toolchain()
{
  local candidates=() common
  [[ -n ${BILVARO_WIN_TOOLCHAIN:-} ]] && candidates+=("$BILVARO_WIN_TOOLCHAIN")
  candidates+=("$root/../shared/toolchains/qt6-win64.tar.xz")
  if common=$(git -C "$root" rev-parse --path-format=absolute --git-common-dir 2>/dev/null); then
    candidates+=("$(dirname "$common")/../shared/toolchains/qt6-win64.tar.xz")
  fi
  # Last, the copy an earlier run on this machine unpacked (a fresh clone
  # elsewhere finds it there).
  candidates+=("$win_cache/qt6-win64")
  local candidate
  for candidate in "${candidates[@]}"; do
    if [[ -f $candidate/mingw64.cmake || -f $candidate ]]; then
      realpath "$candidate"
      return 0
    fi
  done
  return 1
}

# Sets qt_win to the unpacked toolchain folder, or ends the calling script.
use_toolchain()
{
  local found
  if ! found=$(find_toolchain); then
    echo "$1: skipped: the Windows toolchain qt6-win64.tar.xz is not in ../shared/toolchains/," \
         "BILVARO_WIN_TOOLCHAIN is not set and no earlier run unpacked it into $win_cache"
    exit 0
  fi
  if [[ -d $found ]]; then
    qt_win=$found
    return
  fi
  # Unpacked once per tarball: a new tarball replaces the old folder.
  local stamp
  stamp=$(stat -c '%s %Y' "$found")
  qt_win=$win_cache/qt6-win64
  if [[ ! -f $win_cache/qt6-win64.stamp || $(cat "$win_cache/qt6-win64.stamp") != "$stamp" ]]; then
    echo "$1: unpacking $found into $win_cache"
    rm -rf "$qt_win"
    mkdir -p "$win_cache"
    tar -C "$win_cache" -xJf "$found"
    echo "$stamp" >"$win_cache/qt6-win64.stamp"
  fi
}

# Fetches Debian's source package $1 (version $2) into the cache once, unpacked
# with Debian's patches applied, and prints the folder.
debian_source()
{
  local package=$1 version=$2 dir=$win_cache/src/$1-$2
  if [[ ! -d $dir ]]; then
    local work
    work=$(mktemp -d)
    mkdir -p "$work/apt/parts" "$work/apt/lists/partial" "$win_cache/src"
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
      sed 's/^Types: deb$/Types: deb-src/' "$f" >"$work/apt/parts/$(basename "$f")"
    done
    local aptsrc=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/apt/parts"
                  -o "Dir::State::Lists=$work/apt/lists")
    apt-get "${aptsrc[@]}" update >&2
    (cd "$work" && apt-get "${aptsrc[@]}" source --download-only "$package=$version" >&2)
    dpkg-source -x "$work/${package}_${version}.dsc" "$dir" >&2
    rm -rf "$work"
  fi
  echo "$dir"
}

# libsodium for Windows, a static library from Debian's source: the update's
# signature check (Ed25519) on both platforms. Sets sodium_win.
use_sodium()
{
  sodium_win=$win_cache/libsodium
  [[ -f $sodium_win/lib/libsodium.a ]] && return
  local src
  src=$(debian_source libsodium 1.0.18-1+deb12u1)
  rm -rf "$win_cache/build-sodium"
  mkdir -p "$win_cache/build-sodium"
  [[ -x $src/configure ]] || (cd "$src" && ./autogen.sh -s >/dev/null 2>&1)
  (cd "$win_cache/build-sodium" \
     && "$src/configure" --host=x86_64-w64-mingw32 --prefix="$sodium_win" --disable-shared --enable-static \
          --enable-minimal --disable-dependency-tracking CC=x86_64-w64-mingw32-gcc-posix >/dev/null \
     && make -j2 >/dev/null && make install >/dev/null)
  rm -rf "$win_cache/build-sodium"
}

# libcurl for Windows, a static library from Debian's source with Windows'
# own TLS (Schannel) and HTTP alone: the update's two downloads, as on
# Linux. Sets curl_win.
use_curl()
{
  curl_win=$win_cache/libcurl
  [[ -f $curl_win/lib/libcurl.a && -f $curl_win/lib/pkgconfig/libcurl.pc ]] && return
  local src
  src=$(debian_source curl 7.88.1-10+deb12u15)
  rm -rf "$curl_win" "$win_cache/build-curl"
  cmake -S "$src" -B "$win_cache/build-curl" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER=x86_64-w64-mingw32-gcc-posix \
    -DCMAKE_RC_COMPILER=x86_64-w64-mingw32-windres -DCMAKE_INSTALL_PREFIX="$curl_win" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF \
    -DHTTP_ONLY=ON -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_USE_LIBSSH2=OFF \
    -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DUSE_LIBIDN2=OFF \
    -DCURL_USE_LIBPSL=OFF -DENABLE_UNIX_SOCKETS=OFF >/dev/null \
    && cmake --build "$win_cache/build-curl" -j2 >/dev/null \
    && cmake --install "$win_cache/build-curl" >/dev/null
  rm -rf "$win_cache/build-curl"
}

# libnumbertext for Windows, a static library from Debian's source, with its
# data (the .sor modules) in share/libnumbertext: the euro amounts in words.
# Sets numbertext_win.
use_numbertext()
{
  numbertext_win=$win_cache/libnumbertext
  [[ -f $numbertext_win/lib/libnumbertext-1.0.a && -f $numbertext_win/share/libnumbertext/bg.sor ]] && return
  local src
  src=$(debian_source libnumbertext 1.0.11-1)
  rm -rf "$numbertext_win" "$win_cache/build-numbertext"
  mkdir -p "$win_cache/build-numbertext"
  [[ -x $src/configure ]] || (cd "$src" && autoreconf -fi >/dev/null 2>&1)
  (cd "$win_cache/build-numbertext" \
     && "$src/configure" --host=x86_64-w64-mingw32 --prefix="$numbertext_win" --disable-shared --enable-static \
          --disable-dependency-tracking CC=x86_64-w64-mingw32-gcc-posix CXX=x86_64-w64-mingw32-g++-posix >/dev/null \
     && make -j2 -C src libnumbertext-1.0.la >/dev/null \
     && make -C src install-libLTLIBRARIES install-libnumbertext_1_0_includeHEADERS >/dev/null \
     && make install-pkgconfDATA >/dev/null \
     && mkdir -p "$numbertext_win/share/libnumbertext" && cp "$src"/data/*.sor "$numbertext_win/share/libnumbertext/")
  rm -rf "$win_cache/build-numbertext"
}

# Prints the path of the tarball $1 kept beside the Qt toolchain's, looked for
# where that one is looked for.
beside_toolchain()
{
  local candidate common candidates=()
  [[ -n ${BILVARO_WIN_TOOLCHAIN:-} ]] && candidates+=("$(dirname "$BILVARO_WIN_TOOLCHAIN")/$1")
  candidates+=("$root/../shared/toolchains/$1")
  if common=$(git -C "$root" rev-parse --path-format=absolute --git-common-dir 2>/dev/null); then
    candidates+=("$(dirname "$common")/../shared/toolchains/$1")
  fi
  for candidate in "${candidates[@]}"; do
    [[ -f $candidate ]] && { realpath "$candidate"; return 0; }
  done
  return 1
}

# PostgreSQL's client library libpq and Qt's PostgreSQL driver for Windows,
# cross-built from Debian's sources (pgsql-win64.tar.xz beside the Qt
# toolchain, made by build-pgsql-mingw.sh there): the tables on a server.
# Unpacked once per tarball, as the Qt toolchain is. Sets pgsql_win.
use_pgsql()
{
  pgsql_win=$win_cache/pgsql-win64
  local tarball stamp
  if ! tarball=$(beside_toolchain pgsql-win64.tar.xz); then
    [[ -f $pgsql_win/bin/libpq.dll ]] && return
    echo "use_pgsql: pgsql-win64.tar.xz is not beside the Windows toolchain" >&2
    return 1
  fi
  stamp=$(stat -c '%s %Y' "$tarball")
  [[ -f $win_cache/pgsql-win64.stamp && $(cat "$win_cache/pgsql-win64.stamp") == "$stamp" ]] && return
  rm -rf "$pgsql_win"
  mkdir -p "$win_cache"
  tar -C "$win_cache" -xJf "$tarball"
  echo "$stamp" >"$win_cache/pgsql-win64.stamp"
}

# pxlib for Windows, a static library: the old Paradox tables of a firm that
# moves in. Debian's source package of pxlib cannot be fetched here, so it is
# the upstream 0.6.10 source kept beside the Qt toolchain
# (pxlib-0.6.10.tar.xz, GPL-2.0-or-later). Its own CMake build targets MSVC
# (MinGW's windres fails on the flags it is handed), so its ten C files are
# compiled here, without iconv and gsf (the program converts Windows-1251
# itself), with two one-line shims for the Windows headers it names with
# capitals. Sets pxlib_win.
use_pxlib()
{
  pxlib_win=$win_cache/pxlib
  [[ -f $pxlib_win/lib/libpx.a && -f $pxlib_win/lib/pkgconfig/pxlib.pc ]] && return
  local tarball
  tarball=$(beside_toolchain pxlib-0.6.10.tar.xz) \
    || { echo "use_pxlib: pxlib-0.6.10.tar.xz is not beside the Windows toolchain" >&2; return 1; }
  local work src
  work=$(mktemp -d)
  tar -C "$work" -xJf "$tarball"
  src=$work/pxlib-0.6.10
  mkdir -p "$work/shim" "$pxlib_win/include" "$pxlib_win/lib/pkgconfig"
  echo '#include <windows.h>' >"$work/shim/Windows.h"
  echo '#include <winbase.h>' >"$work/shim/Winbase.h"
  # config.h: the C headers MinGW has, no iconv, no gettext.
  sed -E -e 's/^#cmakedefine (HAVE_(FCNTL|INTTYPES|STDARG|STDDEF|STDINT|STDLIB|STRING|SYS_TIME|SYS_TYPES|UNISTD)_H|STDC_HEADERS) 1/#define \1 1/' \
         -e 's/^#cmakedefine .*//' -e 's/@CMAKE_INSTALL_PREFIX@\/share\/@CPACK_PACKAGE_NAME@/pxlib/' \
         -e 's/@CPACK_PACKAGE_VERSION@/0.6.10/' -e 's/@WS_VAR_IMPORT@/extern/' \
         "$src/cmakeconfig.h.in" >"$work/shim/config.h"
  sed -e 's/@PX_HAVE_RECODE@/0/' -e 's/@PX_HAVE_ICONV@/0/' "$src/include/paradox.h.in" >"$pxlib_win/include/paradox.h"
  sed -e 's/@HAVE_GSF@/0/' "$src/include/paradox-gsf.h.in" >"$pxlib_win/include/paradox-gsf.h"
  sed -e 's/@PXLIB_DOTTED_VERSION@/0.6.10/' -e 's/@PXLIB_MAJOR_VERSION@/0/' -e 's/@PXLIB_MINOR_VERSION@/6/' \
      -e 's/@PXLIB_MICRO_VERSION@/10/' "$src/include/pxversion.h.in" >"$pxlib_win/include/pxversion.h"
  cp "$src/include/paradox-mp.h" "$pxlib_win/include/"
  local file objects=()
  for file in "$src"/src/*.c; do
    x86_64-w64-mingw32-gcc-posix -O2 -w -DHAVE_CONFIG_H -I"$work/shim" -I"$pxlib_win/include" -I"$src/src" \
      -c "$file" -o "$work/$(basename "$file" .c).o" || { rm -rf "$work"; return 1; }
    objects+=("$work/$(basename "$file" .c).o")
  done
  x86_64-w64-mingw32-ar rcs "$pxlib_win/lib/libpx.a" "${objects[@]}"
  printf 'prefix=%s\nlibdir=${prefix}/lib\nincludedir=${prefix}/include\n\nName: libpx\nDescription: A library for reading Paradox files\nVersion: 0.6.10\nLibs: -L${libdir} -lpx\nCflags: -I${includedir}\n' \
    "$pxlib_win" >"$pxlib_win/lib/pkgconfig/pxlib.pc"
  rm -rf "$work"
}
