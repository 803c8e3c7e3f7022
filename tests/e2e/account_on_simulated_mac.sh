#!/usr/bin/env bash
# End to end: a new user's way in, with the real BREVAK under Xvfb, a real brevak-server and the fake
# Google and Facebook (brevak-fake-providers), the server checking Google's tokens with the fake. The
# user signs up by e-mail, signs out, signs in by e-mail and password, signs out again and signs in
# with "Google" through the simulated Mac's browser, in French. Every sheet on the way is
# photographed in English and in French; the screenshots go to the artifacts folder.
#
# The home screen has no logout yet: signing out here is quitting BREVAK and writing what a logout
# writes (isLogin false, isLoggedOut true) into the simulated Mac's settings file. It becomes the real
# logout once the home screen has one.
#
# Usage: account_on_simulated_mac.sh BIN_DIR ARTIFACTS_DIR
set -euo pipefail

# shellcheck source=helpers.sh
source "$(dirname "$0")/helpers.sh"
begin_run "$1" "$2"
more_logs=$work/fakes.log

settings=$work/mac/home/Library/Preferences/com.mac.brevak.json
setting() { jq -r ".$1" "$settings" 2>/dev/null; }
signed_in() { [ "$(setting isLogin)" = true ]; }

export BREVAK_SIMULATED_ROOT=$work/mac
export QTWEBENGINE_DISABLE_SANDBOX=1
unset QT_QPA_PLATFORM
"$bin/brevak-simctl" init >/dev/null
"$bin/brevak-simctl" browser approve

# The fake providers, then the server that asks them about tokens.
"$bin/brevak-fake-providers" --listen 127.0.0.1:0 >"$work/fakes.log" 2>&1 &
fakes_pid=$!
eventually 20 listening_address "$work/fakes.log" || fail "the fake providers did not start"
fakes=$(listening_address "$work/fakes.log")
start_server --google-tokeninfo-url "$fakes/google/tokeninfo" --facebook-graph-url "$fakes/facebook/me" \
    --facebook-app-url "$fakes/facebook/app"
export BREVAK_API_BASE_URL=$base
export BREVAK_GOOGLE_AUTHORIZATION_URL=$fakes/google/authorize
export BREVAK_GOOGLE_TOKEN_URL=$fakes/google/token
export BREVAK_GOOGLE_USERINFO_URL=$fakes/google/userinfo
export BREVAK_FACEBOOK_DIALOG_URL=$fakes/facebook/dialog
export BREVAK_FACEBOOK_GRAPH_URL=$fakes/facebook/me
export BREVAK_PUBLIC_WEBSITE=$fakes/website

start_xvfb

# Starts BREVAK in the language $1 (the system's and the chosen one: alert titles follow the system).
start_brevak() {
    LANG=$1 LC_ALL=$1 "$bin/brevak" >>"$log" 2>&1 &
    brevak_pid=$!
}

# Quits BREVAK and signs out as a logout does.
sign_out() {
    kill -TERM "$brevak_pid"
    wait "$brevak_pid" || true
    brevak_pid=
    jq '.isLogin = false | .isLoggedOut = true' "$settings" >"$work/settings.json"
    mv "$work/settings.json" "$settings"
}

# Waits for the sheet titled $1, gives it the keyboard and photographs the screen as $2.
at_sheet() {
    focus_window 30 "$1"
    sleep 0.3 # the window manager-less display draws the focus change before the shot
    import -window root "$artifacts/$2.png" || echo "note: no screenshot $2"
}

email=ann.e2e@example.org
password='correct horse 1'

# English: the sign-in sheet, then "Join Us" (before the e-mail field) and the sign-up sheet.
start_brevak en_US.UTF-8
at_sheet "BREVAK Sign In" signin-en
keys shift+Tab space
at_sheet "BREVAK Sign Up" signup-en
typed "Ann's MacBook"
keys Tab
typed "$email"
keys Tab
typed "$password"
keys Tab
typed "$password"
keys Return
eventually 30 signed_in || fail "the sign-up did not sign the user in"
[ "$(setting user_device)" = "Ann's MacBook" ] || fail "the typed device name was not kept"
eventually 10 logged "sync-url" || fail "no synchronisation after the sign-up"
sleep 0.5
import -window root "$artifacts/home-after-sign-up.png" || true

# Signed out; signed in again by e-mail, with a look at the reset sheet on the way.
sign_out
start_brevak en_US.UTF-8
at_sheet "BREVAK Sign In" signin-en-again
typed "$email"
keys Return
at_sheet "BREVAK Password" password-en
keys Tab space
at_sheet "Forgot Password?" reset-en
keys Escape
at_sheet "BREVAK Password" password-en-again
typed "$password"
keys Return
eventually 30 signed_in || fail "the e-mail sign-in did not sign the user in"
logged "Is Success - true" || fail "no successful sign-in answer"
[ "$(setting isLoggedOut)" = false ] || fail "the sign-in did not clear isLoggedOut"
if grep -qF -- "$password" "$log"; then fail "the password was printed"; fi

# In French: the sheets again, then "Google" through the simulated Mac's browser.
sign_out
jq '.CurrentLanguage = "fr"' "$settings" >"$work/settings.json" && mv "$work/settings.json" "$settings"
start_brevak fr_FR.UTF-8
at_sheet "Connexion à BREVAK" signin-fr
keys shift+Tab space
at_sheet "Inscription à BREVAK" signup-fr
keys Escape
at_sheet "Connexion à BREVAK" signin-fr-again
typed "$email"
keys Return
at_sheet "Mot de passe BREVAK" password-fr
keys Tab space
at_sheet "Mot de passe oublié ?" reset-fr
keys Escape
at_sheet "Mot de passe BREVAK" password-fr-again
keys Escape
at_sheet "Connexion à BREVAK" signin-fr-google
# The browser is closed without an answer: the sheet waits, and its Cancel (which has the keyboard)
# gives the buttons back. From the e-mail field: Cancel, Continue, then the Google button.
"$bin/brevak-simctl" browser close
keys Tab Tab Tab space
eventually 10 logged "open: the browser window was closed without an answer" || fail "the browser did not open"
sleep 0.5
import -window root "$artifacts/waiting-for-google-fr.png" || true
keys space
"$bin/brevak-simctl" browser approve
at_sheet "Connexion à BREVAK" signin-fr-google-cancelled
keys space # the Google button has the keyboard again
eventually 30 signed_in || fail "the Google sign-in did not sign the user in"
logged "Email:- ann.google@example.org" || fail "Google's profile was not read"
grep -qF "GET /google/tokeninfo 200" "$work/fakes.log" || fail "the server did not check the Google token"
[ "$(setting user_email)" = ann.google@example.org ] || fail "the Google account's address was not kept"
sleep 0.5
import -window root "$artifacts/home-after-google.png" || true

kill -TERM "$brevak_pid"
wait "$brevak_pid" || true
brevak_pid=
echo "PASS"
