#!/usr/bin/env bash
# The remembered settings across runs of the real program in one start folder:
# the rate answer and the selector texts of one run are proposed by the next,
# and a settings file made on Windows (Windows-1251, CR LF, an extra line) is
# read as it stands and written back unchanged.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_init "$@"
e2e_start_display

# The selectors' editable text, as client offsets in the line table editor:
# each selector is 257 x 22 at left 528; click a little into its editor.
document_kind() { echo $((E2E_TABLE_X + 528 + 60)) $((E2E_TABLE_Y + 376 + 11)); }
note_kind() { echo $((E2E_TABLE_X + 528 + 60)) $((E2E_TABLE_Y + 402 + 11)); }
legal_basis() { echo $((E2E_TABLE_X + 528 + 60)) $((E2E_TABLE_Y + 428 + 11)); }

expect_field()
{
  local what=$1 expected=$3
  # shellcheck disable=SC2046
  e2e_field_text $($2)
  [[ $E2E_TEXT == "$expected" ]] || e2e_fail "$what shows \"$E2E_TEXT\" instead of \"$expected\""
}

folder=$(e2e_start_folder start)
dots=............................................................................

# Run 1: answer 18 without "%", pick the proforma and a credit note. A new
# start folder issues in euro.
e2e_start_to_menu "$folder" "20%" "18"
e2e_open_table
# shellcheck disable=SC2046
e2e_field_set $(document_kind) "ПРОФОРМА ФАКТУРА"
# shellcheck disable=SC2046
e2e_field_set $(note_kind) "Кредитно известие"
e2e_screenshot run1-table
e2e_close_program "$E2E_MENU"
e2e_cp1251_lines "18" "ПРОФОРМА ФАКТУРА" "Кредитно известие" "$dots" \
  "неначисляване на ДДС и за нулева ставка" "EUR" >"$E2E_TMP/expected-1"
e2e_expect_same_bytes "$folder/mem.txt" "$E2E_TMP/expected-1" "settings after run 1"

# Run 2: the dialog proposes 18, the selectors start with run 1's texts; the
# note kind cleared to empty is remembered as an empty line.
e2e_start_to_menu "$folder" "18"
e2e_open_table
expect_field "the document kind" document_kind "ПРОФОРМА ФАКТУРА"
expect_field "the note kind" note_kind "Кредитно известие"
# shellcheck disable=SC2046
e2e_field_set $(note_kind) ""
e2e_screenshot run2-table
e2e_close_program "$E2E_MENU"
e2e_cp1251_lines "18" "ПРОФОРМА ФАКТУРА" "" "$dots" \
  "неначисляване на ДДС и за нулева ставка" "EUR" >"$E2E_TMP/expected-2"
e2e_expect_same_bytes "$folder/mem.txt" "$E2E_TMP/expected-2" "settings after run 2"

# Run 3: a file written on Windows, with a sixth line that is kept.
windows=$(e2e_start_folder windows)
e2e_cp1251_lines "9%" "ФАКТУРА" "Дебитно известие" "чл. 113, ал. 9" "нулева ставка" \
  "бележка на ред 6" >"$windows/mem.txt"
cp "$windows/mem.txt" "$E2E_TMP/expected-3"
e2e_start_to_menu "$windows" "9%"
e2e_open_table
expect_field "the note kind" note_kind "Дебитно известие"
expect_field "the legal basis" legal_basis "чл. 113, ал. 9"
e2e_screenshot run3-table
e2e_close_program "$E2E_MENU"
e2e_expect_same_bytes "$windows/mem.txt" "$E2E_TMP/expected-3" "settings after run 3"
e2e_log "the rate answer and the selector texts carry over from run to run"
