#!/usr/bin/env bash
# Builds the Debian package build-deb/bilvaro2007_<version>_amd64.deb from a
# Release build (debhelper with CMake's install rules, debian/), then checks
# it with lintian (any error fails), desktop-file-validate and appstreamcli.
# The checkout is copied into build-deb/src/ first, so the build folder and
# debhelper's files stay out of the checkout; that copy's build folder is
# kept, so a second run compiles only what changed (and ccache is shared).
# Run it as root on Debian 12 (root is needed only to install packages).
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
scripts/install-deps.sh

version=$(sed -n 's/^project(Bilvaro2007 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
changelog_version=$(dpkg-parsechangelog -l debian/changelog -S Version)
if [[ $changelog_version != "$version" ]]; then
  echo "package-deb: debian/changelog is at $changelog_version, CMakeLists.txt at $version: add a changelog entry" >&2
  exit 1
fi

out=$root/build-deb
src=$out/src/bilvaro2007-$version
mkdir -p "$src"
# The checkout's files as they are now (committed or not), over a fresh copy
# that keeps only the build folder of the last run.
find "$src" -mindepth 1 -maxdepth 1 ! -name 'obj-*' -exec rm -rf {} +
if git rev-parse --git-dir >/dev/null 2>&1; then
  while IFS= read -r -d '' file; do
    if [[ -e $file ]]; then printf '%s\0' "$file"; fi
  done < <(git ls-files -z --cached --others --exclude-standard) | tar --null -T - -cf - | tar -xf - -C "$src"
else
  tar --exclude='./build*' --exclude=./demo -cf - . | tar -xf - -C "$src"
fi

rm -f "$out"/bilvaro2007_* "$out"/bilvaro2007-dbgsym_* "$out"/src/bilvaro2007_* "$out"/src/bilvaro2007-dbgsym_*
use_ccache "$src"
(cd "$src" && dpkg-buildpackage -b -us -uc -nc -j2)
# dpkg-buildpackage leaves its files beside the source folder.
mv "$out"/src/bilvaro2007_"$version"_* "$out"/src/bilvaro2007-dbgsym_"$version"_* "$out"/

deb=$out/bilvaro2007_${version}_amd64.deb
[[ -f $deb ]] || { echo "package-deb: $deb was not made" >&2; exit 1; }

echo "==> lintian"
# Warnings kept on purpose are overridden, with the reason, in
# debian/bilvaro2007.lintian-overrides; an error fails the package.
lintian --fail-on error --display-info "$out"/bilvaro2007_"${version}"_amd64.changes
echo "==> desktop-file-validate and appstreamcli validate"
files=$out/files
rm -rf "$files"
dpkg-deb -x "$deb" "$files"
desktop-file-validate "$files"/usr/share/applications/*.desktop
appstreamcli validate --no-net --pedantic "$files"/usr/share/metainfo/*.metainfo.xml
echo "package-deb: $deb"
