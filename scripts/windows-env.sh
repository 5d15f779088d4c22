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

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
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
