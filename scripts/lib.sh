# shellcheck shell=bash
# Sourced by the scripts of this folder: what they share. It moves to the
# checkout's root, where the scripts work, and sets root to it.
# The build folders' flags are the configure presets of CMakePresets.json
# (which Qt Creator and VS Code read too); configure names one of them.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
started=$SECONDS

# A step's banner with the seconds since the script started.
step() { printf '\n==> %s (%ds)\n' "$*" $((SECONDS - started)); }

# use_ccache <folder>: a compiler cache shared by every checkout of this tree,
# when ccache is installed: every build compiles only what changed. Paths are
# taken relative to the folder given (the checkout), and the folder it sits in is
# left out of the key, so a fresh clone elsewhere hits the cache too (its
# debug information then names the folder of the build that filled the cache).
#
# Precompiled headers (cmake/Precompiled.cmake): ccache takes a file compiled
# with one only when told that the header's macros and times may be trusted;
# it then keys the file by the precompiled header's bytes, which differ from
# one build folder to the next, so a fresh folder compiles those files anew.
use_ccache()
{
  command -v ccache >/dev/null || return 0
  export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
  export CCACHE_BASEDIR=$1 CCACHE_NOHASHDIR=true
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
}

# configure <preset> [cmake options]: configures with a preset of
# CMakePresets.json; -B <folder> puts the build elsewhere than the preset's
# folder, -D options add to the preset's or override them.
configure() { cmake --preset "$@"; }
