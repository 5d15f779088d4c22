#!/usr/bin/env bash
# deb_test.sh <log folder>   (as root: it installs and removes the package)
# Builds the Debian package with scripts/package-deb.sh (which runs lintian,
# desktop-file-validate and appstreamcli validate on it), checks what it
# holds and depends on, installs it with apt, starts the installed program
# through its desktop entry's command on a private Xvfb display as a user
# without a data folder yet, up to its main menu, closes it, and removes the
# package, checking that the user's data folder stays as it was.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
logs=$(realpath -m "$1")
rm -rf "$logs"
mkdir -p "$logs"
export LC_ALL=C.UTF-8
tmp=$(mktemp -d)
xvfb_pid= program_pid=
cleanup()
{
  [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp"
  return 0
}
trap cleanup EXIT
fail() { echo "package test: FAIL: $*" >&2; [[ -n ${DISPLAY:-} ]] && import -window root "$logs/failure.png" 2>/dev/null; exit 1; }
wait_for() { local i; for ((i = 0; i < $2 * 5; i++)); do eval "$1" && return 0; sleep 0.2; done; return 1; }

"$root/scripts/package-deb.sh" >"$logs/package.log" 2>&1 || { tail -40 "$logs/package.log"; fail "the package was not made"; }
sed -n '/^==> lintian/,$p' "$logs/package.log"
version=$(sed -n 's/^project(Bilvaro2007 VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
deb=$root/build-deb/bilvaro2007_${version}_amd64.deb

desktop=usr/share/applications/bg.bilvaro.bilvaro2007.desktop
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' >"$logs/contents.txt"
for file in usr/bin/bilvaro2007 usr/bin/bilvaro-make-tables usr/libexec/bilvaro2007/Bilvaro2007 "$desktop" \
            usr/share/metainfo/bg.bilvaro.bilvaro2007.metainfo.xml \
            usr/share/icons/hicolor/scalable/apps/bilvaro2007.svg usr/share/icons/hicolor/16x16/apps/bilvaro2007.png \
            usr/share/icons/hicolor/256x256/apps/bilvaro2007.png usr/share/man/man1/bilvaro2007.1.gz \
            usr/share/man/man1/bilvaro-make-tables.1.gz usr/share/doc/bilvaro2007/copyright; do
  grep -qx "$file" "$logs/contents.txt" || fail "the package does not hold /$file"
done
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6sql6 libqt6sql6-sqlite qt6-qpa-plugins libsqlite3-0 libsodium23 libnumbertext-1.0-0 \
               libnumbertext-data fonts-liberation qt6-translations-l10n; do
  [[ $depends == *"$package"* ]] || fail "the package does not depend on $package: $depends"
done

if dpkg-query -W -f='${Status}' bilvaro2007 2>/dev/null | grep -q 'ok installed'; then
  apt-get remove -y bilvaro2007 >"$logs/remove-before.log" 2>&1
fi
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$deb" >"$logs/install.log" 2>&1 \
  || { tail -20 "$logs/install.log"; fail "apt could not install the package"; }
# The installed program embeds the project's release key (the base64 line).
grep -qF "$(grep -v -- ----- "$root/dist/release-key.pub")" /usr/libexec/bilvaro2007/Bilvaro2007 \
  || fail "the installed program does not embed dist/release-key.pub"
for program in bilvaro2007 bilvaro-make-tables; do
  [[ $(command -v "$program") == /usr/bin/$program ]] || fail "$program is not on the PATH"
done

# A user who never started the program: its data folder does not exist yet.
home=$tmp/home
mkdir -p "$home"
data=$home/.local/share/bilvaro2007
command=$(sed -n 's/^Exec=//p' "/$desktop")
[[ -n $command ]] || fail "the desktop entry has no Exec"

exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>"$logs/xvfb.log")
xvfb_pid=$!
read -r -t 20 display <&3 || fail "Xvfb did not start"
(cd / && exec env -i PATH=/usr/bin:/bin HOME="$home" DISPLAY=":$display" LANG=bg_BG.UTF-8 sh -c "exec $command") \
  >"$logs/program.log" 2>&1 &
program_pid=$!
export DISPLAY=:$display
wait_for 'question=$(xdotool search --onlyvisible --pid $program_pid 2>/dev/null | head -1); [[ -n $question ]]' 30 \
  || fail "the program did not come up"
import -window root "$logs/question.png"
xdotool windowfocus --sync "$question" key Return
wait_for 'menu=$(xdotool search --onlyvisible --name "Bilvaro 2007 - Меню" 2>/dev/null | head -1); [[ -n $menu ]]' 30 \
  || fail "the main menu did not appear"
import -window root "$logs/menu.png"
python3 "$root/tests/e2e/wm_delete.py" "$menu"
wait_for '! kill -0 $program_pid 2>/dev/null' 30 || fail "the program did not end when its main menu closed"
program_pid=

for file in DB/Firm.db DB/Details.db DB/stock.db DB/customer.db mem.txt; do
  [[ -f $data/$file ]] || fail "$file was not made in the data folder $data"
done
printf 'BM' >"$data/DB/InvFirm1_0000000001_.bmp"
kept=$(cd "$data" && find . -type f -exec sha1sum {} + | sort)

apt-get remove -y bilvaro2007 >"$logs/remove.log" 2>&1 || fail "apt could not remove the package"
[[ ! -e /usr/bin/bilvaro2007 && ! -e /usr/libexec/bilvaro2007 ]] || fail "the program is left after removing the package"
[[ $(cd "$data" && find . -type f -exec sha1sum {} + | sort) == "$kept" ]] || fail "removing the package changed the data folder"
echo "package test: $(basename "$deb") built, checked, installed, started from its desktop entry to the main menu" \
     "in the user's data folder, and removed; the data folder kept"
