# shellcheck shell=bash
# Helpers of the invoice end-to-end test, on top of lib.sh (source that first).
#
# invoice_settle waits until the program has handled the input sent to it so
# far: it pings one of its windows (_NET_WM_PING, answered from the program's
# event loop) twice, a moment apart, since the first answer may come from the
# same pass of the loop that reads the last input events, before they are
# delivered. A message box that the handling opened is mapped by then.
#
# Reading a text from the program goes through the clipboard: the test puts a
# marker text there first (owned by a background xclip, which ends as soon as
# another program takes the clipboard over), has the program copy, and reads
# the clipboard. An empty editor copies nothing: when the marker is still
# there after the program has settled, the text is empty.

INVOICE_MARKER="bilvaro-e2e: nothing copied yet"

invoice_require()
{
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || e2e_fail "$tool is missing (scripts/install-deps.sh should install it)"
  done
}

# The clipboard's text, or nothing when nobody answers within a few seconds.
invoice_clipboard() { timeout 5 xclip -o -selection clipboard 2>/dev/null; }

# Puts the marker text on the clipboard and waits until it is there.
invoice_mark_clipboard()
{
  local deadline=$((SECONDS + E2E_TIMEOUT))
  # The background xclip holds no descriptor of the test: ctest would wait for it.
  printf '%s' "$INVOICE_MARKER" | xclip -i -selection clipboard >/dev/null 2>&1
  until [[ $(invoice_clipboard || true) == "$INVOICE_MARKER" ]]; do
    ((SECONDS < deadline)) || e2e_fail "could not put a marker on the clipboard"
    sleep 0.1
  done
}

invoice_settle()
{
  local window=$1 round
  for round in 1 2; do
    ((round == 1)) || sleep 0.1
    e2e_program_running || e2e_fail_program_gone "waiting for the program to settle"
    python3 "$E2E_LIB_DIR/invoice_ping.py" "$window" "$E2E_TIMEOUT" ||
      e2e_fail "the program did not answer a ping of window $window within ${E2E_TIMEOUT}s"
  done
}

# The text of the focused editor of a window goes to E2E_TEXT (select all, copy).
invoice_text()
{
  local id=$1 text
  invoice_mark_clipboard
  e2e_focus "$id"
  e2e_key ctrl+a ctrl+c
  if text=$(invoice_clipboard) && [[ $text != "$INVOICE_MARKER" ]]; then
    E2E_TEXT=$text
    return 0
  fi
  invoice_settle "$id"
  text=$(timeout "$E2E_TIMEOUT" xclip -o -selection clipboard 2>/dev/null) ||
    e2e_fail "the clipboard does not answer after window $id copied"
  [[ $text == "$INVOICE_MARKER" ]] && text=
  E2E_TEXT=$text
}

invoice_describe_windows()
{
  local id
  for id in $(e2e_windows); do
    printf '%s "%s" ' "$id" "$(e2e_window_title "$id")"
  done
}

# Checks that exactly these windows of the program are visible: an error or
# message box that nobody expected shows up here.
invoice_expect_windows()
{
  local what=$1 expected actual
  shift
  expected=$(printf '%s\n' "$@" | sort)
  actual=$(e2e_windows | sort)
  [[ $actual == "$expected" ]] ||
    e2e_fail "$what: the visible windows are $(invoice_describe_windows)instead of $(printf '%s ' "$@")"
}

# Waits for a visible window of the program that is none of the given ones;
# its id goes to E2E_WINDOW.
invoice_wait_new_window()
{
  local what=$1 deadline id known
  shift
  known=$(printf '%s\n' "$@")
  deadline=$((SECONDS + E2E_TIMEOUT))
  while :; do
    e2e_program_running || e2e_fail_program_gone "waiting for $what"
    for id in $(e2e_windows); do
      if ! grep -qx "$id" <<<"$known"; then
        # shellcheck disable=SC2034 # read by the caller
        E2E_WINDOW=$id
        return 0
      fi
    done
    ((SECONDS < deadline)) || e2e_fail "no $what within ${E2E_TIMEOUT}s"
    sleep 0.1
  done
}

# Clicks a point given in a window's client area (no title bars: the window's
# position is its client area's position).
invoice_click_in()
{
  local id=$1 x=$2 y=$3 wx wy ww wh
  read -r wx wy ww wh < <(e2e_window_geometry "$id")
  e2e_click $((wx + x)) $((wy + y))
}

invoice_inside()
{
  local x=$1 y=$2 id=$3 wx wy ww wh
  read -r wx wy ww wh < <(e2e_window_geometry "$id")
  ((x >= wx && x < wx + ww && y >= wy && y < wy + wh))
}

# Clicks the main menu's button whose cell has this left and top (180 x 120),
# at a point that none of the given windows covers.
invoice_menu_button()
{
  local menu=$1 left=$2 top=$3 mx my x y id covered
  shift 3
  read -r mx my _ _ < <(e2e_window_geometry "$menu")
  for y in $((top + 60)) $(seq $((top + 10)) 10 $((top + 110))); do
    for x in $((left + 90)) $(seq $((left + 10)) 20 $((left + 170))); do
      covered=0
      for id in "$@"; do
        if invoice_inside $((mx + x)) $((my + y)) "$id"; then
          covered=1
          break
        fi
      done
      if ((!covered)); then
        e2e_click $((mx + x)) $((my + y))
        return 0
      fi
    done
  done
  e2e_fail "the menu button at $left, $top is covered by other windows"
}

# The browser's controls at the right and bottom keep their distance to the
# window's edges; its design size is 691 x 396.
# Types a search text; a character that xdotool typed wrong (it maps a spare
# key for each character outside the keyboard map) is typed again.
invoice_browser_search()
{
  local browser=$1 text=$2
  for _ in 1 2 3; do
    invoice_click_in "$browser" 200 48   # Edit1: 56, 36, 299 x 24
    e2e_focus "$browser"
    e2e_key ctrl+a
    e2e_type "$text"
    invoice_text "$browser"
    [[ $E2E_TEXT == "$text" ]] && return 0
    e2e_log "the search edit holds \"$E2E_TEXT\" instead of \"$text\": typing it again"
  done
  e2e_fail "could not type \"$text\" into the search edit"
}

invoice_browser_button()
{
  local browser=$1 left=$2 wx wy ww wh
  read -r wx wy ww wh < <(e2e_window_geometry "$browser")
  e2e_click $((wx + left + 43 + ww - 691)) $((wy + 368 + 11 + wh - 396))
}

invoice_browser_add() { invoice_browser_button "$1" 500; }   # "Добави": 500, 368, 87 x 22
invoice_browser_exit()                                         # "Изход": 596, 368, 87 x 22
{
  invoice_browser_button "$1" 596
  e2e_wait_window_gone "$1"
}

# Runs a query on a table file of the start folder and prints the result.
invoice_sql()
{
  sqlite3 -readonly -cmd '.timeout 5000' "$1" "$2"
}

# Waits until a query gives the expected result.
invoice_wait_sql()
{
  local file=$1 query=$2 expected=$3 what=$4 deadline actual
  deadline=$((SECONDS + E2E_TIMEOUT))
  while :; do
    actual=$(invoice_sql "$file" "$query" 2>&1) || true
    [[ $actual == "$expected" ]] && return 0
    ((SECONDS < deadline)) || e2e_fail "$what: \"$actual\" instead of \"$expected\""
    e2e_program_running || e2e_fail_program_gone "$what"
    sleep 0.1
  done
}

# Chooses an item of a selector (an editable drop-down list) with the arrow
# keys, the way a user does from the keyboard: up to the top of the list, then
# down until the text is the wanted one. (x, y) is a point of its editor in
# the window's client area. The first key may leave the text as it is (a text
# typed or restored before that is no item yet, or is the first item): an end
# of the list is where two keys in a row change nothing.
invoice_choose()
{
  local window=$1 x=$2 y=$3 wanted=$4 key previous same i
  invoice_click_in "$window" "$x" "$y"
  invoice_text "$window"
  for key in Up Down; do
    same=0
    for ((i = 0; i < 40 && same < 2; i++)); do
      [[ $key == Down && $E2E_TEXT == "$wanted" ]] && return 0
      previous=$E2E_TEXT
      e2e_key "$key"
      invoice_text "$window"
      if [[ $E2E_TEXT == "$previous" ]]; then
        same=$((same + 1))
      else
        same=0
      fi
    done
  done
  e2e_fail "the selector at $x, $y of window $window offers no \"$wanted\" (last text \"$E2E_TEXT\")"
}

# Does what a window manager does with a window that asks to be maximised:
# there is none on the display.
invoice_maximise()
{
  local id=$1 state width height
  state=$(xprop -id "$id" _NET_WM_STATE)
  [[ $state == *_NET_WM_STATE_MAXIMIZED_HORZ* && $state == *_NET_WM_STATE_MAXIMIZED_VERT* ]] ||
    e2e_fail "window $id did not ask to be maximised ($state)"
  read -r width height < <(xdotool getdisplaygeometry)
  xdotool windowmove --sync "$id" 0 0
  xdotool windowsize --sync "$id" "$width" "$height"
  [[ $(e2e_window_geometry "$id") == "0 0 $width $height" ]] ||
    e2e_fail "window $id is at $(e2e_window_geometry "$id") after maximising"
}

# Keeps a screenshot of the display once the window's pixels have stopped
# changing (the program repaints after a move or resize in its own time).
invoice_settled_screenshot()
{
  local id=$1 name=$2 deadline previous='' current
  deadline=$((SECONDS + E2E_TIMEOUT))
  while :; do
    current=$(import -window "$id" -depth 8 rgb:- | md5sum)
    [[ $current == "$previous" ]] && break
    ((SECONDS < deadline)) || e2e_fail "window $id kept changing for ${E2E_TIMEOUT}s"
    previous=$current
    sleep 0.3
  done
  e2e_screenshot "$name"
}

# Closes the main menu over an assembled page that was not printed: the
# program asks first. "Не" (the default, Return) keeps it running; then "Да"
# (Tab to it, space) ends it, and the lines give their stock back.
invoice_close_unprinted()
{
  local menu=$1 dialog
  shift
  e2e_close_window "$menu"
  invoice_wait_new_window "the question before closing" "$menu" "$@"
  dialog=$E2E_WINDOW
  e2e_confirm "$dialog"
  e2e_wait_window_gone "$dialog"
  e2e_program_running || e2e_fail "the program ended although closing was answered \"Не\""
  e2e_close_window "$menu"
  invoice_wait_new_window "the question before closing again" "$menu" "$@"
  dialog=$E2E_WINDOW
  e2e_focus "$dialog"
  e2e_key Tab space
  local pid=$PROGRAM_PID
  e2e_wait_exit
  if ((PROGRAM_STATUS != 0)); then
    e2e_show_program_output "$pid"
    e2e_fail "the program ended with status $PROGRAM_STATUS"
  fi
  e2e_log "run $E2E_RUNS: asked before closing; the program ended with status 0"
}
