#!/usr/bin/env bash
# Cross-builds Bilvaro 2007 for 64-bit Windows with MinGW-w64 against the
# Windows Qt of the toolchain (see scripts/windows-env.sh for where it is
# looked for), and lays out:
#   build-win/bin/                   the program, the table tool and the tests, with
#                                    everything they load: run from here under Wine
#   build-win/Bilvaro2007/           the folder that runs on a Windows machine as it is
#   build-win/Bilvaro2007-setup.exe  the setup program (NSIS)
# With --libraries it only makes the libraries the build needs (kept in the
# Windows cache) and stops.
# Run it as root on Debian 12 (root is needed only to install packages).
set -euo pipefail
# shellcheck source=scripts/windows-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/windows-env.sh"
use_toolchain build-windows
"$root/scripts/install-deps.sh"

mingw_runtime=(
  /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libstdc++-6.dll
  /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libgcc_s_seh-1.dll
  /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll
)
qt_dlls=(Core Gui Widgets Sql PrintSupport)

# CMake keeps the toolchain of the first configure: start afresh when it moved.
if [[ -f $build_win/CMakeCache.txt ]] \
   && ! { grep -qxF "Qt6_DIR:PATH=$qt_win/lib/cmake/Qt6" "$build_win/CMakeCache.txt" \
          && grep -qxF "CMAKE_TOOLCHAIN_FILE:FILEPATH=$build_win/toolchain.cmake" "$build_win/CMakeCache.txt"; }; then
  rm -rf "$build_win/CMakeCache.txt" "$build_win/CMakeFiles"
fi
# The libraries Debian has no Windows build of, made once from Debian's
# sources (scripts/windows-env.sh): libsodium, libnumbertext and libcurl, static,
# pxlib from its upstream source, and libpq with Qt's PostgreSQL driver
# (cross-built beside the Qt toolchain). A toolchain file of this build adds
# them to the places CMake looks in, and pkg-config finds them (and only
# them) for the Windows build.
use_sodium
use_numbertext
use_curl
use_pxlib
use_pgsql
[[ ${1:-} == --libraries ]] && exit 0
toolchain=$(printf 'include("%s/mingw64.cmake")\nlist(APPEND CMAKE_FIND_ROOT_PATH "%s" "%s" "%s" "%s" "%s")\n' \
              "$qt_win" "$sodium_win" "$numbertext_win" "$curl_win" "$pxlib_win" "$pgsql_win")
mkdir -p "$build_win"
# Rewritten only when it changes: CMake configures again whenever it does.
[[ -f $build_win/toolchain.cmake && $(<"$build_win/toolchain.cmake") == "$toolchain" ]] \
  || echo "$toolchain" >"$build_win/toolchain.cmake"
export PKG_CONFIG_LIBDIR=$sodium_win/lib/pkgconfig:$numbertext_win/lib/pkgconfig:$curl_win/lib/pkgconfig:$pxlib_win/lib/pkgconfig PKG_CONFIG_PATH=
use_ccache "$root"
configure release -B "$build_win" -DBILVARO_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$build_win/toolchain.cmake" -DCMAKE_PREFIX_PATH="$qt_win" \
  -DCMAKE_RUNTIME_OUTPUT_DIRECTORY="$build_win/bin"
# Only what runs on Windows: the program, the table tool, the tests of what
# differs there (windows_tests in tests/CMakeLists.txt, with their helpers)
# and the two builds with the tests' release key that the setup test updates
# from and to; the benchmarks are a Linux matter.
cmake --build "$build_win" -j2 --target Bilvaro2007 bilvaro-make-tables bilvaro_installed_build bilvaro_next_build \
  windows_tests

# What a program of this build loads besides its own file.
lay_out_runtime()
{
  local dir=$1 dll
  shift
  mkdir -p "$dir"/{platforms,styles,sqldrivers,imageformats,translations,numbertext}
  for dll in "${qt_dlls[@]}" "$@"; do
    cp -u "$qt_win/bin/Qt6$dll.dll" "$dir/"
  done
  cp -u "$qt_win/bin/sqlite3.dll" "${mingw_runtime[@]}" "$dir/"
  cp -u "$qt_win/plugins/platforms/qwindows.dll" "$dir/platforms/"
  cp -u "$qt_win/plugins/styles/qwindowsvistastyle.dll" "$dir/styles/"
  cp -u "$qt_win/plugins/sqldrivers/qsqlite.dll" "$dir/sqldrivers/"
  # The tables on a PostgreSQL server: its client library and Qt's driver.
  cp -u "$pgsql_win/bin/libpq.dll" "$dir/"
  cp -u "$pgsql_win/plugins/sqldrivers/qsqlpsql.dll" "$dir/sqldrivers/"
  cp -u "$qt_win/plugins/imageformats/"*.dll "$dir/imageformats/"
  cp -u /usr/share/qt6/translations/qtbase_bg.qm "$dir/translations/"
  # The Bulgarian module of libnumbertext: the euro amounts in words.
  cp -u "$numbertext_win/share/libnumbertext/bg.sor" "$dir/numbertext/"
  # Plugins and translations beside the executable, wherever it is installed.
  printf '[Paths]\r\nPrefix=.\r\nPlugins=.\r\nTranslations=translations\r\n' >"$dir/qt.conf"
}

# The tests run on the offscreen platform and use QtTest; the update's tests
# answer with servers of their own (Qt Network). On Windows that
# platform draws text with FreeType from the fonts in <Libraries>/fonts only,
# not from the system's: the tests get the Liberation fonts there.
lay_out_runtime "$build_win/bin" Test Network
cp -u "$qt_win/plugins/platforms/qoffscreen.dll" "$build_win/bin/platforms/"
mkdir -p "$build_win/bin/fonts"
cp -u /usr/share/fonts/truetype/liberation/Liberation*.ttf "$build_win/bin/fonts/"
printf 'Libraries=.\r\n' >>"$build_win/bin/qt.conf"

dist=$build_win/Bilvaro2007
rm -rf "$dist"
lay_out_runtime "$dist"
cp "$build_win/bin/Bilvaro2007.exe" "$build_win/bin/bilvaro-make-tables.exe" "$dist/"
cp "$pgsql_win/COPYRIGHT-postgresql" "$dist/COPYRIGHT-postgresql.txt"

# The DLLs the folder's files load from Windows itself (everything else is in the folder).
# Windows matches names regardless of case: qsqlpsql.dll asks for LIBPQ.dll.
from_windows=$(for file in "$dist"/*.exe "$dist"/*/*.dll; do
                 x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'
               done | sort -fu | while read -r dll; do [[ -n $(find "$dist" -maxdepth 1 -iname "$dll") ]] || echo "$dll"; done)
echo "build-windows: DLLs taken from Windows itself:" $from_windows

makensis -V2 -DSOURCE="$dist" -DVERSION="$(sed -n 's/^project(Bilvaro2007 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" \
  -DICON="$build_win/app/icon/bilvaro2007.ico" -DLICENSE="$root/LICENSE" \
  -DOUTFILE="$build_win/Bilvaro2007-setup.exe" "$root/setup/Bilvaro2007.nsi"
echo "build-windows: the program in $dist, the setup program $build_win/Bilvaro2007-setup.exe"
