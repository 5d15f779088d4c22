#!/usr/bin/env bash
# The real program, installed in a folder of its own, updates itself from a
# web server on 127.0.0.1 to a build whose build number is one higher:
# "Обновяване" shows the update window, "Инсталирай" downloads the new build
# (the caption ends at 100%), reports success and starts the new build, which
# deletes the kept previous build at its start and finds nothing newer.
# The build to install, its version and the server come from the environment
# (E2E_NEXT_BUILD, E2E_NEXT_VERSION, E2E_UPDATE_SERVER), which CTest sets. The
# installed program is the same program built with the tests' own release key
# (E2E_INSTALLED_BUILD), whose private half (E2E_SIGNING_KEY) signs the
# next build: the program under test embeds the project's key.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Waits for a visible window of the program that is none of the ids given;
# its id goes to E2E_WINDOW.
e2e_wait_new_window()
{
  local known=$1 timeout=${2:-$E2E_TIMEOUT} deadline id
  deadline=$((SECONDS + timeout))
  while :; do
    e2e_program_running || e2e_fail "the program ended while a new window was awaited"
    for id in $(e2e_windows); do
      [[ " $known " == *" $id "* ]] || { E2E_WINDOW=$id; return 0; }
    done
    ((SECONDS < deadline)) || e2e_fail "no new window within ${timeout}s"
    sleep 0.1
  done
}

e2e_init "$@"
[[ -x ${E2E_INSTALLED_BUILD:-} && -x ${E2E_NEXT_BUILD:-} && -n ${E2E_NEXT_VERSION:-} && -f ${E2E_SIGNING_KEY:-} \
   && -f ${E2E_UPDATE_SERVER:-} ]] ||
  e2e_fail "E2E_INSTALLED_BUILD, E2E_NEXT_BUILD, E2E_NEXT_VERSION, E2E_SIGNING_KEY and E2E_UPDATE_SERVER must name the builds, the version, the key and the server"
e2e_start_display

# The installed program: a copy of the one under test, run from its folder.
install=$E2E_TMP/install
mkdir -p "$install"
cp "$E2E_INSTALLED_BUILD" "$install/Bilvaro2007"
installed_build=$E2E_INSTALLED_BUILD
E2E_EXE=$install/Bilvaro2007

# The server's files: the newer version and its program.
release=$E2E_TMP/server/release/VEZOZEVURE
mkdir -p "$release"
printf '%s' "$E2E_NEXT_VERSION" >"$release/Bilvaro2007.txt"
cp "$E2E_NEXT_BUILD" "$release/Bilvaro2007"
{ printf 'Bilvaro2007 %s\n' "$E2E_NEXT_VERSION"; cat "$E2E_NEXT_BUILD"; } >"$E2E_TMP/release.signed"
openssl pkeyutl -sign -inkey "$E2E_SIGNING_KEY" -rawin -in "$E2E_TMP/release.signed" -out "$release/Bilvaro2007.sig" \
  || e2e_fail "the next build could not be signed"
# The port file exists before the server starts: the redirection below is
# made in the child, and reading a file not yet there would end the test.
: >"$E2E_TMP/port"
python3 "$E2E_UPDATE_SERVER" "$E2E_TMP/server" >"$E2E_TMP/port" 2>"$E2E_ARTIFACTS/server.log" &
E2E_HELPER_PIDS+=($!)
for ((i = 0; i < 100; i++)); do
  port=$(head -1 "$E2E_TMP/port")
  [[ $port =~ ^[0-9]+$ ]] && break
  sleep 0.1
done
[[ $port =~ ^[0-9]+$ ]] || e2e_fail "the update server reported no port (see server.log)"
export E2E_UPDATE_URL=http://127.0.0.1:$port/ok/release
e2e_log "update server at $E2E_UPDATE_URL offers $E2E_NEXT_VERSION"

folder=$(e2e_start_folder start)
e2e_start_to_menu "$folder" "20%"
menu=$E2E_MENU

# "Обновяване": left 180, top 480, 180 x 120.
e2e_click 270 540
e2e_wait_window '^Обновяване на програмата$'
update=$E2E_WINDOW
read -r x y _ _ <<<"$(e2e_window_geometry "$update")"
e2e_screenshot 1-update-window

# "Инсталирай": left 8, top 48, 130 x 22.
e2e_click $((x + 73)) $((y + 59))
# The success message: a message box, the program's only other new window.
e2e_wait_new_window "$menu $update" $((2 * E2E_TIMEOUT))
message=$E2E_WINDOW
caption=$(e2e_window_title "$update")
[[ $caption == "100%" ]] || e2e_fail "the update window's caption is \"$caption\" after the download, not \"100%\""
e2e_screenshot 2-installed
# Before the restart: the new build in place, the previous one kept beside it.
cmp -s "$install/Bilvaro2007" "$E2E_NEXT_BUILD" || e2e_fail "the installed program is not the new build"
[[ -x $install/Bilvaro2007 ]] || e2e_fail "the installed program may not be started"
cmp -s "$install/Bilvaro2007old" "$installed_build" || e2e_fail "the previous build was not kept as Bilvaro2007old"
[[ $(ls -A "$install" | wc -l) -eq 2 ]] || e2e_fail "the installation folder holds more than the two builds: $(ls -A "$install")"
e2e_log "the new build is installed, the previous one kept as Bilvaro2007old"
e2e_confirm "$message"

# The old run ends and starts the new build.
e2e_wait_exit
((PROGRAM_STATUS == 0)) || e2e_fail "the updated run ended with status $PROGRAM_STATUS"

# The new run, started by the old one: find it by its rate dialog.
deadline=$((SECONDS + E2E_TIMEOUT))
new_pid=
while [[ -z $new_pid ]]; do
  ((SECONDS < deadline)) || e2e_fail "no new run of the program appeared"
  for id in $(xdotool search --all --onlyvisible --name '.*' 2>/dev/null || true); do
    new_pid=$(xdotool getwindowpid "$id" 2>/dev/null || true)
    [[ -n $new_pid ]] && break
  done
  sleep 0.1
done
PROGRAM_PID=$new_pid
running=$(readlink "/proc/$new_pid/exe")
[[ $running == "$install/Bilvaro2007" ]] || e2e_fail "the new run is $running, not $install/Bilvaro2007"
e2e_wait_rate_dialog "20%"
dialog=$E2E_WINDOW
e2e_confirm "$dialog"
e2e_wait_window '^Bilvaro 2007 - Меню$'
menu=$E2E_WINDOW
e2e_wait_window_gone "$dialog"
[[ ! -e $install/Bilvaro2007old ]] || e2e_fail "the new run did not delete the kept previous build"
e2e_log "the new build runs (pid $new_pid) and deleted Bilvaro2007old"

# It is the newest build: "Обновяване" answers with a message, no update window.
e2e_click 270 540
e2e_wait_new_window "$menu"
message=$E2E_WINDOW
[[ -z $(e2e_windows '^Обновяване на програмата$') ]] || e2e_fail "the new build offers itself an update"
e2e_screenshot 3-up-to-date
e2e_confirm "$message"
e2e_wait_window_gone "$message"

# The new run is not this script's child: wait for it to go by its pid.
e2e_close_window "$menu"
deadline=$((SECONDS + E2E_TIMEOUT))
# (A process nobody reaps stays as a zombie: that counts as gone.)
while [[ -e /proc/$new_pid ]] && ! grep -q '^[0-9]* (.*) Z ' "/proc/$new_pid/stat" 2>/dev/null; do
  ((SECONDS < deadline)) || e2e_fail "the new run did not end when its main menu was closed"
  sleep 0.1
done
PROGRAM_PID=
e2e_log "the new run ended"
