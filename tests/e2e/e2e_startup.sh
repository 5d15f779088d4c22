#!/usr/bin/env bash
# The real program started in a fresh folder: the rate dialog comes first, then
# the main menu at the top left with its layout, "Таблица" opens the line
# table editor, and closing the main menu ends the program cleanly, leaving the
# remembered settings in the folder it was started from.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_init "$@"
e2e_start_display

folder=$(e2e_start_folder start)
# What a completed update leaves behind in the start folder is removed at start.
echo old >"$folder/Bilvaro2007old.exe"
echo old >"$folder/BILVARO2007.BAK"
# Nothing may be written beside the executable: remember what is there now.
exe_folder_settings=$(dirname "$E2E_EXE")/mem.txt
before=$(md5sum "$exe_folder_settings" 2>/dev/null || echo absent)

e2e_start_program "$folder"

e2e_wait_rate_dialog "20%"
dialog=$E2E_WINDOW
e2e_screenshot 1-rate-dialog
e2e_confirm "$dialog"

e2e_wait_window '^Bilvaro 2007 - Меню$'
menu=$E2E_WINDOW
e2e_wait_window_gone "$dialog"
geometry=$(e2e_window_geometry "$menu")
[[ $geometry == "0 0 360 720" ]] ||
  e2e_fail "the main menu is at x y width height = $geometry instead of 0 0 360 720"
e2e_screenshot 2-main-menu
# The cell at left 0, top 480 holds the register's button: its picture shows,
# not the window's own grey.
colour=$(e2e_pixel 2-main-menu 90 540)
[[ $colour != "srgb(223,223,223)" ]] ||
  e2e_fail "the cell of \"Издадени документи\" on the main menu shows only the window's grey"

[[ ! -e $folder/Bilvaro2007old.exe && ! -e $folder/BILVARO2007.BAK ]] ||
  e2e_fail "the leftovers of an update were not removed from the start folder"

# "Таблица": left 180, top 0, 180 x 120.
e2e_click 270 60
e2e_wait_window '^Таблица$'
e2e_screenshot 3-table
e2e_log "\"Таблица\" opened the line table editor"

e2e_close_program "$menu"

e2e_cp1251_lines "${E2E_DEFAULT_SETTINGS[@]}" >"$E2E_TMP/expected-mem.txt"
e2e_expect_same_bytes "$folder/mem.txt" "$E2E_TMP/expected-mem.txt" "remembered settings"
after=$(md5sum "$exe_folder_settings" 2>/dev/null || echo absent)
[[ $after == "$before" ]] || e2e_fail "the program wrote $exe_folder_settings beside the executable"
e2e_log "mem.txt holds the default settings in Windows-1251 in the start folder"
