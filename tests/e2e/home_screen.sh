#!/usr/bin/env bash
# End to end: the home screen with the real BREVAK under Xvfb, a real brevak-server and the simulated
# Mac. Ann, who has an account with a PIN, signs in through the sign-in sheet; she turns protection on
# (the simulated Mac's network services get BREVAK's resolver), adds a website to her blacklist and
# removes it again behind the PIN gate, then blocks an application, which is quit with the block page
# shown when it comes to the front. Screenshots go to ARTIFACTS_DIR.
#
# The home screen has no accessibility bridge here: its controls are clicked where they are drawn,
# measured from the window's top-left corner (the sidebar rows, the protection button) or found from
# the end of a row (switches, check boxes).
#
# Usage: home_screen.sh BIN_DIR ARTIFACTS_DIR
set -euo pipefail

# shellcheck source=helpers.sh
source "$(dirname "$0")/helpers.sh"
begin_run "$1" "$2"

app_token=e2e-application-token
start_server --default-token "$app_token"

# Ann's account, with a PIN and twelve hours of waiting time.
email=ann.home@example.org
password='correct horse 1'
pin=604213
token=$(api signup "$app_token" social_media=0 device_name=Mac "email=$email" "password=$password" \
    profile_id=0 | sed -n 's/.*"token":"\([0-9a-f]\{64\}\)".*/\1/p')
[ -n "$token" ] || fail "no account for Ann"
api setupPin "$token" time=12 "pin=$pin" | grep -q '"status":true' || fail "no PIN for Ann"

export BREVAK_SIMULATED_ROOT=$work/mac
export BREVAK_API_BASE_URL=$base
export BREVAK_DEFAULT_TOKEN=$app_token
export QTWEBENGINE_DISABLE_SANDBOX=1
export BREVAK_RESOLVER_ADDRESS=10.53.0.1
unset QT_QPA_PLATFORM
"$bin/brevak-simctl" init >/dev/null
settings=$BREVAK_SIMULATED_ROOT/home/Library/Preferences/com.mac.brevak.json
setting() { jq -r ".$1" "$settings" 2>/dev/null; }
setting_is() { [ "$(setting "$1")" = "$2" ]; }

start_xvfb

LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 "$bin/brevak" >"$log" 2>&1 &
brevak_pid=$!

shot() { import -window root "$artifacts/$1.png" || echo "note: no screenshot $1"; }

# Signing in through the sign-in and password sheets.
focus_window 60 "BREVAK Sign In"
typed "$email"
keys Return
focus_window 30 "BREVAK Password"
typed "$password"
keys Return
eventually 30 setting_is isLogin true || fail "the sign-in did not sign Ann in"
eventually 30 setting_is isPinSeted true || fail "the sign-in did not learn of Ann's PIN"

# The home screen: the main window, with the sidebar at its left.
eventually 30 window_titled BREVAK || fail "no home screen"
click() { click_in BREVAK "$1" "$2"; } # x y inside the main window
row() { click 60 $((77 + 40 * ($1 - 1))); }                        # sidebar row 1..6
shot home-signed-in

# Protection on: every enabled service of the simulated Mac asks BREVAK's resolver.
click 325 96 # the protection button
resolver_everywhere() {
    local services
    services=$("$bin/brevak-simctl" state | sed -n '/^Network services/,/^DNS changes/p' | grep '^  ' | grep -vF '(disabled)')
    [ -n "$services" ] && ! printf '%s\n' "$services" | grep -v ': 10\.53\.0\.1$' | grep -q .
}
eventually 30 resolver_everywhere || fail "protection did not set the resolver on every service"
shot protection-on

# A website added to the blacklist, then removed behind the PIN gate.
row 3
eventually 30 served_more getblockwebsitebyuser 0 || fail "the blacklist was not fetched"
click 500 118 # the website field
typed "https://www.Casino.example/slots"
keys Return
server_websites() { api getblockwebsitebyuser "$token"; }
on_server() { server_websites | grep -qF "\"domain\":\"$1\""; }
eventually 30 on_server www.casino.example || fail "the website was not added"
shot website-added
removals=$(served unblockwesitebyuser)
click 269 176 # the first row's check box
eventually 30 window_titled "Enter pin to verify" || fail "no PIN gate before the removal"
shot website-pin-gate
served_more unblockwesitebyuser "$removals" && fail "the website was removed before the PIN"
focus_window 30 "Enter pin to verify"
typed "$pin"
keys Return
eventually 30 served_more unblockwesitebyuser "$removals" || fail "the website was not removed after the PIN"
on_server www.casino.example && fail "the server still has the website"
shot website-removed

# An application blocked: brought to the front, it is quit and the block page covers the screen.
row 2
blocked() { [ "$(jq -r '.blockedAppDetails | index("Lucky Spin Casino")' "$settings")" != null ]; }
listed() { logged "Lucky Spin Casino"; }
eventually 60 listed || fail "the application list was not built"
shot applications
click 750 91 # the first application's switch: Lucky Spin Casino, in alphabetical order
eventually 30 blocked || fail "the application was not blocked"
shot application-blocked
"$bin/brevak-simctl" activate "Lucky Spin Casino"
eventually 30 not_running "Lucky Spin Casino" || fail "the blocked application was not quit"
eventually 60 block_page_shown || fail "no block page"
# Drawn once the part of the screen that the home screen leaves black is lit and the page below the
# search bar has dark text on it.
page_drawn() {
    import -window root "$artifacts/block-page.png" &&
        convert "$artifacts/block-page.png" -crop 200x200+1000+500 -format "%[fx:mean>0.2]" info: | grep -q 1 &&
        convert "$artifacts/block-page.png" -crop 1280x700+0+60 -format "%[fx:minima<0.3]" info: | grep -q 1
}
eventually 60 page_drawn || fail "the block page was not drawn"

kill -TERM "$brevak_pid"
wait "$brevak_pid" || true
brevak_pid=
echo "PASS"
