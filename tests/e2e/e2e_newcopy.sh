#!/usr/bin/env bash
# "Нова фактура" from a start folder that is not the program's folder: the
# running copy starts a new copy of its own executable with the start folder
# as its current directory and ends with status 0. The new copy's rate
# dialog proposes the rate just answered (it reads the start folder's
# mem.txt); it is closed from its main menu and remembers the rate again.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_init "$@"
e2e_start_display

folder=$(realpath "$(e2e_start_folder 'Нова папка')")
[[ $folder != "$(dirname "$E2E_EXE")" ]] || e2e_fail "the start folder is the program's folder"
e2e_start_to_menu "$folder" "20%" "9%"
first=$PROGRAM_PID

e2e_click 270 420   # "Нова фактура": left 180, top 360, 180 x 120
e2e_wait_exit
((PROGRAM_STATUS == 0)) || e2e_fail "the first copy ended with status $PROGRAM_STATUS after \"Нова фактура\""
e2e_follow_new_copy "$first"
[[ $(readlink -f "/proc/$PROGRAM_PID/exe") == "$E2E_EXE" ]] ||
  e2e_fail "the new copy runs $(readlink -f "/proc/$PROGRAM_PID/exe") instead of $E2E_EXE"
[[ $(readlink -f "/proc/$PROGRAM_PID/cwd") == "$folder" ]] ||
  e2e_fail "the new copy runs in $(readlink -f "/proc/$PROGRAM_PID/cwd") instead of the start folder"
e2e_wait_rate_dialog "9%"
dialog=$E2E_WINDOW
e2e_screenshot new-copy-rate-dialog
e2e_confirm "$dialog"
e2e_wait_window '^Bilvaro 2007 - Меню$'
e2e_log "\"Нова фактура\": the first copy ended, the new one runs the same file in the start folder"
e2e_close_program "$E2E_WINDOW"
[[ $(head -1 "$folder/mem.txt" | tr -d '\r') == "9%" ]] || e2e_fail "the new copy did not remember the rate 9%"
