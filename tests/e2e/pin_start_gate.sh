#!/usr/bin/env bash
# End to end: a hidden PIN set with a 12-hour waiting time against a real brevak-server, then BREVAK
# started again meets the start-up PIN gate, in English and in French. The session comes from a sign-up
# over HTTP, written into the simulated Mac's settings as a sign-in writes it. The PIN is set through
# the real PIN sheets, driven by pin_sheets_tour (the home screen that opens them is not built yet),
# which also saves a picture of every PIN sheet in both languages. Pictures go to ARTIFACTS_DIR.
#
# Usage: pin_start_gate.sh BIN_DIR ARTIFACTS_DIR   (BREVAK_DEFAULT_TOKEN: the application's token)
set -euo pipefail

# shellcheck source=helpers.sh
source "$(dirname "$0")/helpers.sh"
begin_run "$1" "$2"
tour_log=$work/tour.log
more_logs=$tour_log

export BREVAK_SIMULATED_ROOT=$work/mac
export QTWEBENGINE_DISABLE_SANDBOX=1
unset QT_QPA_PLATFORM
settings=$BREVAK_SIMULATED_ROOT/home/Library/Preferences/com.mac.brevak.json

start_server
export BREVAK_API_BASE_URL=$base

# A new account, and its session where a sign-in keeps it.
email=e2e-pin@example.org
answer=$(api signup "$BREVAK_DEFAULT_TOKEN" "email=$email" "password=correct horse 1234" social_media=0 \
    device_name=Mac profile_id=0)
token=$(printf '%s' "$answer" | sed -n 's/.*"token":"\([^"]*\)".*/\1/p')
user_id=$(printf '%s' "$answer" | sed -n 's/.*[{,]"id":\([0-9]*\).*/\1/p')
[ -n "$token" ] && [ -n "$user_id" ] || fail "sign-up refused: $answer"
"$bin/brevak-simctl" init >/dev/null
mkdir -p "$(dirname "$settings")"
cat >"$settings" <<JSON
{ "loginToken": "$token", "user_id": $user_id, "user_email": "$email", "user_device": "Mac",
  "isLogin": true, "isLoggedOut": false }
JSON

start_xvfb

# The PIN sheets: pictures of each, then a hidden PIN with 12 hours through them.
LANG=en_US.UTF-8 "$bin/pin_sheets_tour" "$artifacts" >"$tour_log" 2>&1 || fail "the PIN sheets did not set a PIN"
grep -q '"isPinSeted": *true' "$settings" || fail "isPinSeted was not stored"
! grep -q '"pin"' "$settings" || fail "the PIN was written to the settings"
! grep -E '"(old_)?pin": "[^<]' "$tour_log" || fail "a PIN was printed"
sync_answer=$(api sync-url "$token" platform_unique_id=)
printf '%s' "$sync_answer" | grep -q '"time":12,' || fail "the server has no 12-hour PIN: $sync_answer"

# BREVAK starts again and meets the start gate, in each language.
start_gate_shown() { xwininfo -root -tree | grep -qF "\"$1\""; }
for language in en fr; do
    case $language in
        en) locale=en_US.UTF-8 title="Enter pin to verify" ;;
        fr) locale=fr_FR.UTF-8 title="Saisissez le code PIN pour confirmer" ;;
    esac
    : >"$log"
    LANG=$locale LC_ALL=$locale "$bin/brevak" >"$log" 2>&1 &
    brevak_pid=$!
    eventually 30 start_gate_shown "$title" || fail "no start gate ($language)"
    grep -qF "Current User email - $email" "$log" || fail "the start gate did not read the user's address"
    sleep 1 # a picture for people: let the sheet be drawn
    import -display "$display" -window root "$artifacts/start-gate-$language.png" || true
    kill -TERM "$brevak_pid"
    wait "$brevak_pid" || true
    brevak_pid=
done
echo "PASS"
