# Shared by the tests that run the Windows programs under Wine (sourced after
# common.sh): the window system's view through inspect_window.exe, and the
# main window's place on the screen. The sourcing script sets wine,
# inspect_exe and main_title first.

# The window system's view of a window or of the description, without the
# carriage returns of the Windows console.
inspect() { "$wine" "$inspect_exe" "$@" 2>/dev/null | tr -d '\r'; }

# The main window's client area on the screen, in win_x and win_y (and its
# size in client_w and client_h).
main_window_origin() {
  local client
  client=$(inspect window "$main_title" | awk -F'\t' '$1 == "client" { print $2, $3, $4, $5 }')
  [[ -n $client ]] || fail "the window system does not show the main window"
  read -r win_x win_y client_w client_h <<<"$client"
}
