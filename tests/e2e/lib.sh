# shellcheck shell=bash
# Shared helpers of the end-to-end tests. Each test is a bash script run as
#   bash e2e_<name>.sh <path of the Bilvaro2007 executable> <artifacts dir>
# It sources this file and calls e2e_init "$@" first. The helpers start a
# private Xvfb display, make fresh start folders in a temporary folder, start
# the real program there (its current directory is the start folder), find
# and drive its windows with xdotool, keep screenshots in the artifacts dir,
# and end every process they started when the script exits, however it exits.
#
# There is no window manager on the display: windows have no title bars,
# windowactivate does not work (use windowfocus), and a window is closed with
# a WM_DELETE_WINDOW client message (wm_delete.py), which is what a window
# manager's close box sends and what makes Qt run its normal close.

set -euo pipefail

E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_NAME=$(basename "$0" .sh)
E2E_TIMEOUT=${E2E_TIMEOUT:-30}   # seconds to wait for a window or an exit
E2E_EXE=
E2E_ARTIFACTS=
E2E_TMP=
E2E_XVFB_PID=
PROGRAM_PID=
E2E_HELPER_PIDS=()
PROGRAM_STATUS=
PROGRAM_LOG=
E2E_RUNS=0

e2e_log() { printf '[%s] %s\n' "$E2E_NAME" "$*"; }

# Reports a failure, keeps a screenshot of the display, and ends the test.
e2e_fail()
{
  printf '[%s] FAIL: %s\n' "$E2E_NAME" "$*" >&2
  if [[ -n $E2E_XVFB_PID ]]; then
    e2e_screenshot failure || true
  fi
  exit 1
}

e2e_init()
{
  (($# == 2)) || { echo "usage: $0 <Bilvaro2007 executable> <artifacts dir>" >&2; exit 2; }
  E2E_EXE=$(realpath "$1")
  [[ -x $E2E_EXE ]] || { echo "$0: $1 is not an executable" >&2; exit 2; }
  e2e_prepare "$2"
}

# What e2e_init does besides taking the executable: a test that installs the
# program first (under Wine) sets E2E_EXE itself later.
e2e_prepare()
{
  local tool
  for tool in Xvfb xdotool xdpyinfo xmodmap xclip import convert python3 iconv cmp; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 2; }
  done
  E2E_ARTIFACTS=$(realpath -m "$1")/$E2E_NAME
  rm -rf "$E2E_ARTIFACTS"
  mkdir -p "$E2E_ARTIFACTS"
  # xdotool and iconv read their texts in the locale's encoding: UTF-8, whatever
  # the caller's locale (the program gets its own locale when it starts).
  export LC_ALL=C.UTF-8
  E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/bilvaro-e2e.XXXXXX")
  trap e2e_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  e2e_log "artifacts in $E2E_ARTIFACTS"
}

# Ends a process: TERM first, KILL when it does not go within a few seconds.
e2e_end_process()
{
  local pid=$1 i
  kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for ((i = 0; i < 30; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# Ends what the test started; the test's status is $1 when a cleanup of the
# test's own calls it (a failing "(exit 1)" there would end the shell under
# set -e before this ran).
e2e_cleanup()
{
  local status=${1:-$?}
  trap - EXIT
  if [[ -n $PROGRAM_PID ]]; then
    e2e_log "ending the program (pid $PROGRAM_PID)"
    e2e_end_process "$PROGRAM_PID"
    PROGRAM_PID=
  fi
  local helper
  for helper in "${E2E_HELPER_PIDS[@]}"; do
    e2e_end_process "$helper"
  done
  if [[ -n $E2E_XVFB_PID ]]; then
    e2e_end_process "$E2E_XVFB_PID"
    E2E_XVFB_PID=
  fi
  if [[ -n $E2E_TMP && -d $E2E_TMP ]]; then
    if ((status != 0)); then
      # What the program left behind helps to see why it failed.
      cp -r "$E2E_TMP" "$E2E_ARTIFACTS/tmp" 2>/dev/null || true
    fi
    rm -rf "$E2E_TMP"
  fi
  if ((status == 0)); then
    e2e_log "PASS"
  fi
  exit "$status"
}

# Keys for the letters and signs that Bulgarian texts use, put on keycodes
# that otherwise carry multimedia keys. With every character in the keymap,
# xdotool types without remapping a spare keycode for each character, which
# loses characters when the program reads the keymap between two remappings.
e2e_load_keymap()
{
  local keycode=148 pair
  local pairs=(
    "Cyrillic_a Cyrillic_A" "Cyrillic_be Cyrillic_BE" "Cyrillic_ve Cyrillic_VE"
    "Cyrillic_ghe Cyrillic_GHE" "Cyrillic_de Cyrillic_DE" "Cyrillic_ie Cyrillic_IE"
    "Cyrillic_zhe Cyrillic_ZHE" "Cyrillic_ze Cyrillic_ZE" "Cyrillic_i Cyrillic_I"
    "Cyrillic_shorti Cyrillic_SHORTI" "Cyrillic_ka Cyrillic_KA" "Cyrillic_el Cyrillic_EL"
    "Cyrillic_em Cyrillic_EM" "Cyrillic_en Cyrillic_EN" "Cyrillic_o Cyrillic_O"
    "Cyrillic_pe Cyrillic_PE" "Cyrillic_er Cyrillic_ER" "Cyrillic_es Cyrillic_ES"
    "Cyrillic_te Cyrillic_TE" "Cyrillic_u Cyrillic_U" "Cyrillic_ef Cyrillic_EF"
    "Cyrillic_ha Cyrillic_HA" "Cyrillic_tse Cyrillic_TSE" "Cyrillic_che Cyrillic_CHE"
    "Cyrillic_sha Cyrillic_SHA" "Cyrillic_shcha Cyrillic_SHCHA"
    "Cyrillic_hardsign Cyrillic_HARDSIGN" "Cyrillic_softsign Cyrillic_SOFTSIGN"
    "Cyrillic_yu Cyrillic_YU" "Cyrillic_ya Cyrillic_YA" "Cyrillic_io Cyrillic_IO"
    "Cyrillic_yeru Cyrillic_YERU" "Cyrillic_e Cyrillic_E" "U045D U040D"
    "doublelowquotemark leftdoublequotemark" "rightdoublequotemark numerosign"
    "endash emdash" "EuroSign section" "guillemotleft guillemotright"
  )
  for pair in "${pairs[@]}"; do
    echo "keycode $keycode = $pair"
    keycode=$((keycode + 1))
  done >"$E2E_TMP/keymap"
  xmodmap "$E2E_TMP/keymap" || e2e_fail "could not load the keymap for Bulgarian texts"
}

# Starts Xvfb on a display number that no other X server uses (Xvfb picks it
# itself and reports it through -displayfd) and points DISPLAY at it. The
# server must not reset when its last client goes (-noreset): a reset drops
# the keymap and refuses connections while it lasts.
e2e_start_display()
{
  local numberfile=$E2E_TMP/display i number=
  : >"$numberfile"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$numberfile" \
    >"$E2E_ARTIFACTS/xvfb.log" 2>&1 &
  E2E_XVFB_PID=$!
  for ((i = 0; i < 100; i++)); do
    number=$(head -1 "$numberfile")
    [[ $number =~ ^[0-9]+$ ]] && break
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || e2e_fail "Xvfb did not start (see xvfb.log)"
    sleep 0.1
  done
  [[ $number =~ ^[0-9]+$ ]] || e2e_fail "Xvfb reported no display number"
  export DISPLAY=:$number
  export XDG_RUNTIME_DIR=$E2E_TMP/runtime
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
  for ((i = 0; i < 100; i++)); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
  done
  xdpyinfo >/dev/null 2>&1 || e2e_fail "display $DISPLAY does not answer"
  e2e_load_keymap
  e2e_log "Xvfb on display $DISPLAY (pid $E2E_XVFB_PID)"
}

# Makes (or reuses) a start folder inside the temporary folder; prints its path.
e2e_start_folder()
{
  local folder=$E2E_TMP/${1:-start}
  mkdir -p "$folder"
  printf '%s\n' "$folder"
}

# The table maker of the build under test (<build>/tools beside <build>/app).
e2e_table_maker()
{
  local maker
  maker=$(dirname "$(dirname "$E2E_EXE")")/tools/bilvaro-make-tables
  [[ -x $maker ]] || e2e_fail "the table maker $maker is missing"
  printf '%s\n' "$maker"
}

# A start folder holding the demo tables; prints its path.
e2e_demo_folder()
{
  local folder maker
  maker=$(e2e_table_maker)
  folder=$(e2e_start_folder "$1")
  "$maker" "$folder" --demo >"$E2E_ARTIFACTS/make-tables.log" 2>&1 ||
    e2e_fail "the table maker failed (see make-tables.log)"
  printf '%s\n' "$folder"
}

# The locale the program runs under: Bulgarian, as its users run it.
e2e_locale()
{
  if locale -a 2>/dev/null | grep -qix 'bg_BG\.utf-\?8'; then
    echo bg_BG.UTF-8
  else
    echo C.UTF-8
  fi
}

# Starts the program with FOLDER as its current directory. Its output goes to
# program-<n>.log in the artifacts. The installation folder is a private one
# inside the temporary folder, and no update server is configured unless the
# test sets E2E_UPDATE_URL.
e2e_start_program()
{
  local folder=$1
  [[ -z $PROGRAM_PID ]] || e2e_fail "the program is already running"
  E2E_RUNS=$((E2E_RUNS + 1))
  PROGRAM_LOG=$E2E_ARTIFACTS/program-$E2E_RUNS.log
  mkdir -p "$E2E_TMP/install"
  (
    cd "$folder"
    unset LC_ALL LANGUAGE BILVARO_UPDATE_URL
    [[ -z ${E2E_UPDATE_URL:-} ]] || export BILVARO_UPDATE_URL=$E2E_UPDATE_URL
    export LANG
    LANG=$(e2e_locale)
    export QT_QPA_PLATFORM=xcb QT_ACCESSIBILITY=0 NO_AT_BRIDGE=1
    export BILVARO_INSTALL_DIR=$E2E_TMP/install
    exec "$E2E_EXE"
  ) >"$PROGRAM_LOG" 2>&1 &
  PROGRAM_PID=$!
  PROGRAM_NEW_COPY=0
  PROGRAM_STATUS=
  e2e_log "run $E2E_RUNS: started $E2E_EXE in $folder (pid $PROGRAM_PID, LANG $(e2e_locale))"
}

e2e_program_running() { [[ -n $PROGRAM_PID ]] && kill -0 "$PROGRAM_PID" 2>/dev/null; }

# Shows the end of the program's output and the sanitizer reports of the
# process, when the sanitizers write them to files (log_path).
e2e_show_program_output()
{
  local pid=$1 options path
  e2e_log "end of the program's output:"
  tail -n 40 "$PROGRAM_LOG" >&2 || true
  for options in "${ASAN_OPTIONS:-}" "${UBSAN_OPTIONS:-}"; do
    path=$(tr ':' '\n' <<<"$options" | sed -n 's/^log_path=//p')
    [[ -n $path && -f $path.$pid ]] || continue
    e2e_log "sanitizer report $path.$pid:"
    cat "$path.$pid" >&2
  done
}

# Fails the test with the program's exit status and the end of its output.
e2e_fail_program_gone()
{
  local status=0 pid=$PROGRAM_PID
  wait "$PROGRAM_PID" || status=$?
  PROGRAM_PID=
  e2e_show_program_output "$pid"
  e2e_fail "$1: the program ended with status $status"
}

# The program's visible windows whose title matches the extended regular
# expression (all of them for an empty expression), one id a line.
e2e_windows()
{
  xdotool search --all --onlyvisible --pid "$PROGRAM_PID" --name "${1:-.*}" 2>/dev/null || true
}

# Waits until the program shows a window whose title matches the regular
# expression; its id goes to E2E_WINDOW. Fails when the program ends or on
# time-out. (Not to be called in a subshell: it may wait for the program.)
E2E_WINDOW=
e2e_wait_window()
{
  local regex=$1 timeout=${2:-$E2E_TIMEOUT} deadline ids
  deadline=$((SECONDS + timeout))
  E2E_WINDOW=
  while :; do
    e2e_program_running || e2e_fail_program_gone "waiting for the window /$regex/"
    ids=$(e2e_windows "$regex")
    if [[ -n $ids ]]; then
      E2E_WINDOW=$(head -1 <<<"$ids")
      return 0
    fi
    ((SECONDS < deadline)) || e2e_fail "no window /$regex/ within ${timeout}s"
    sleep 0.1
  done
}

# Waits until the window with this id is no longer visible.
e2e_wait_window_gone()
{
  local id=$1 timeout=${2:-$E2E_TIMEOUT} deadline
  deadline=$((SECONDS + timeout))
  while e2e_windows | grep -qx "$id"; do
    ((SECONDS < deadline)) || e2e_fail "window $id still visible after ${timeout}s"
    sleep 0.1
  done
}

e2e_window_title() { xdotool getwindowname "$1"; }

# Prints "x y width height" of a window.
e2e_window_geometry()
{
  local X Y WIDTH HEIGHT WINDOW SCREEN
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}

e2e_focus() { xdotool windowfocus --sync "$1" || e2e_fail "could not focus window $1"; }

# Types into the focused window; Cyrillic and typographic quotes type as they are.
e2e_type() { xdotool type --delay 20 -- "$1" || e2e_fail "could not type \"$1\""; }
e2e_key() { xdotool key --delay 20 "$@" || e2e_fail "could not press $*"; }

# Left click at screen coordinates. (mousemove --sync waits for a motion that
# never comes when the pointer is already there: move only when needed.)
e2e_click()
{
  local X Y SCREEN WINDOW
  eval "$(xdotool getmouselocation --shell)"
  if [[ $X != "$1" || $Y != "$2" ]]; then
    xdotool mousemove --sync "$1" "$2" || e2e_fail "could not move the pointer to $1 $2"
  fi
  xdotool click 1 || e2e_fail "could not click at $1 $2"
}

# The text of the editor that has the keyboard focus goes to E2E_TEXT: select
# all and copy, then read the clipboard, which the program owns from then on.
E2E_TEXT=
e2e_focused_text()
{
  local i
  e2e_key ctrl+a ctrl+c
  for ((i = 0; i < 20; i++)); do
    if E2E_TEXT=$(timeout 2 xclip -o -selection clipboard 2>/dev/null); then
      return 0
    fi
    sleep 0.1
  done
  e2e_fail "could not read the text of the focused editor through the clipboard"
}

# The text of the focused editor of a window (a dialog's input line).
e2e_editor_text()
{
  e2e_focus "$1"
  e2e_focused_text
}

# The text of the editor at screen coordinates x y (clicked to focus it).
e2e_field_text()
{
  e2e_click "$1" "$2"
  e2e_focused_text
}

# Replaces the text of the editor at screen coordinates x y.
e2e_field_set()
{
  e2e_click "$1" "$2"
  e2e_key ctrl+a BackSpace
  [[ -z $3 ]] || e2e_type "$3"
}

# Replaces the text of the focused editor of a dialog and confirms it with Return.
e2e_answer()
{
  local id=$1 text=$2
  e2e_focus "$id"
  e2e_key ctrl+a BackSpace
  [[ -z $text ]] || e2e_type "$text"
  e2e_key Return
}

# Confirms a dialog as it stands.
e2e_confirm()
{
  e2e_focus "$1"
  e2e_key Return
}

# The rate dialog that the program shows at every start before the main menu:
# waits for it (its id goes to E2E_WINDOW), checks that it is the program's
# only window and that it proposes the expected answer.
e2e_wait_rate_dialog()
{
  local proposed=$1
  e2e_wait_window ''
  [[ $(e2e_windows | wc -l) -eq 1 ]] ||
    e2e_fail "the rate dialog is not the only window: $(e2e_windows | tr '\n' ' ')"
  [[ -z $(e2e_windows '^Bilvaro 2007 - Меню$') ]] ||
    e2e_fail "the main menu is visible before the rate dialog was answered"
  local dialog=$E2E_WINDOW
  e2e_editor_text "$dialog"
  [[ $E2E_TEXT == "$proposed" ]] ||
    e2e_fail "the rate dialog proposes \"$E2E_TEXT\" instead of \"$proposed\""
  E2E_WINDOW=$dialog
}

# Starts the program in FOLDER, checks that the rate dialog proposes PROPOSED,
# answers it with ANSWER (or confirms it as it stands without one) and waits
# for the main menu, whose id goes to E2E_MENU.
E2E_MENU=
e2e_start_to_menu()
{
  local folder=$1 proposed=$2 dialog
  e2e_start_program "$folder"
  e2e_wait_rate_dialog "$proposed"
  dialog=$E2E_WINDOW
  e2e_screenshot "run$E2E_RUNS-rate-dialog"
  if (($# >= 3)); then
    e2e_answer "$dialog" "$3"
  else
    e2e_confirm "$dialog"
  fi
  e2e_wait_window '^Bilvaro 2007 - Меню$'
  E2E_MENU=$E2E_WINDOW
  e2e_wait_window_gone "$dialog"
}

# Opens the line table editor with "Таблица" (left 180, top 0 of the main menu
# at the screen's top left); its id goes to E2E_TABLE, the screen position of
# its client area to E2E_TABLE_X and E2E_TABLE_Y.
E2E_TABLE=
E2E_TABLE_X=
E2E_TABLE_Y=
e2e_open_table()
{
  e2e_click 270 60
  e2e_wait_window '^Таблица$'
  E2E_TABLE=$E2E_WINDOW
  read -r E2E_TABLE_X E2E_TABLE_Y _ _ <<<"$(e2e_window_geometry "$E2E_TABLE")"
}

e2e_screenshot()
{
  import -window root "$E2E_ARTIFACTS/$1.png"
}

# The colour of one pixel of a screenshot as "srgb(r,g,b)".
e2e_pixel()
{
  convert "$E2E_ARTIFACTS/$1.png" -crop "1x1+$2+$3" -depth 8 -format '%[pixel:p{0,0}]' info:-
}

# Closes a window as a window manager's close box does (WM_DELETE_WINDOW).
e2e_close_window()
{
  python3 "$E2E_LIB_DIR/wm_delete.py" "$1" || e2e_fail "could not send WM_DELETE_WINDOW to $1"
}

# LeakSanitizer's tracer, which stops the threads of a process at its end to
# look for leaks, now and then crashes itself (google/sanitizers#1353): that
# run went unchecked for leaks, which says nothing of the program. A report
# of that alone is set aside with the test's artifacts (the test command
# fails on any report left among the sanitizers' reports); true if it was.
e2e_set_aside_tracer_crash()
{
  local pid=$1 path report
  path=$(tr ':' '\n' <<<"${ASAN_OPTIONS:-}" | sed -n 's/^log_path=//p')
  report=$path.$pid
  [[ -n $path && -f $report ]] || return 1
  grep -q 'Tracer caught signal' "$report" || return 1
  grep -q 'LeakSanitizer has encountered a fatal error' "$report" || return 1
  ! grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer: detected)' "$report" || return 1
  mv "$report" "$E2E_ARTIFACTS/lsan-tracer-crash.$pid"
  e2e_log "pid $pid: LeakSanitizer's tracer crashed at the end (google/sanitizers#1353), so the run was" \
    "not checked for leaks: $E2E_ARTIFACTS/lsan-tracer-crash.$pid"
}

# Waits for the program to end; its exit status goes to PROGRAM_STATUS (0
# for a new copy that the program started: the test cannot know its status).
e2e_wait_exit()
{
  local timeout=${1:-$E2E_TIMEOUT} deadline pid=$PROGRAM_PID
  deadline=$((SECONDS + timeout))
  while e2e_program_running; do
    ((SECONDS < deadline)) || e2e_fail "the program did not end within ${timeout}s"
    sleep 0.1
  done
  PROGRAM_STATUS=0
  ((PROGRAM_NEW_COPY)) || wait "$PROGRAM_PID" || PROGRAM_STATUS=$?
  PROGRAM_PID=
  if ((PROGRAM_STATUS != 0)) && e2e_set_aside_tracer_crash "$pid"; then
    PROGRAM_STATUS=0
  fi
}

# After the program started a new copy of itself ("Нова фактура"): waits for
# a visible window of a process other than OLD and follows that process as
# the program from then on (PROGRAM_PID).
PROGRAM_NEW_COPY=0
e2e_follow_new_copy()
{
  local old=$1 deadline id pid
  deadline=$((SECONDS + E2E_TIMEOUT))
  while :; do
    for id in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
      pid=$(xdotool getwindowpid "$id" 2>/dev/null) || continue
      if [[ $pid != "$old" ]] && kill -0 "$pid" 2>/dev/null; then
        PROGRAM_PID=$pid
        PROGRAM_NEW_COPY=1
        E2E_RUNS=$((E2E_RUNS + 1))
        e2e_log "run $E2E_RUNS: a new copy (pid $PROGRAM_PID) came up"
        return 0
      fi
    done
    ((SECONDS < deadline)) || e2e_fail "no new copy of the program came up within ${E2E_TIMEOUT}s"
    sleep 0.1
  done
}

# Closes the main menu and checks that the program ends with status 0.
e2e_close_program()
{
  local menu=$1
  e2e_close_window "$menu"
  local pid=$PROGRAM_PID
  e2e_wait_exit
  if ((PROGRAM_STATUS != 0)); then
    e2e_show_program_output "$pid"
    e2e_fail "the program ended with status $PROGRAM_STATUS"
  fi
  e2e_log "run $E2E_RUNS: the program ended with status 0"
}

# Writes the lines given as arguments in Windows-1251, each ending in CR LF.
e2e_cp1251_lines()
{
  local line
  for line in "$@"; do
    printf '%s\r\n' "$line" | iconv -f UTF-8 -t WINDOWS-1251
  done
}

# Checks that a file holds exactly the bytes of another; shows both otherwise.
e2e_expect_same_bytes()
{
  local actual=$1 expected=$2 what=$3
  [[ -f $actual ]] || e2e_fail "$what: $actual was not written"
  if ! cmp -s "$actual" "$expected"; then
    e2e_log "expected bytes:"
    od -c "$expected" >&2
    e2e_log "actual bytes:"
    od -c "$actual" >&2
    e2e_fail "$what: $actual differs from what was expected"
  fi
}

# The remembered settings a first run writes: a new start folder issues in
# euro from 2026.
E2E_DEFAULT_SETTINGS=(
  "20%"
  "ФАКТУРА"
  ""
  "............................................................................"
  "неначисляване на ДДС и за нулева ставка"
  "$( (($(date +%Y) >= 2026)) && echo EUR || echo лв)"
)
