#!/usr/bin/env bash
# End to end: the real BREVAK on a simulated Mac under Xvfb. It installs and loads its agent, keeps
# DNS protection in force on every service when it is changed behind its back (at once, though the
# minute check keeps its minute), starts without the web engine or the graphics stack, quits a blocked
# application and shows the block page, and loads its agent again on an orderly quit. Screenshots go
# to the artifacts folder given as the second argument.
#
# Usage: app_on_simulated_mac.sh BIN_DIR ARTIFACTS_DIR
set -euo pipefail

# shellcheck source=helpers.sh
source "$(dirname "$0")/helpers.sh"
begin_run "$1" "$2"

dns_of() { "$bin/networksetup" -getdnsservers "$1"; }
dns_is_resolver() { [ "$(dns_of "$1")" = "$resolver" ]; }

export BREVAK_SIMULATED_ROOT=$work/mac
export BREVAK_RESOLVER_ADDRESS=198.51.100.153
export BREVAK_API_BASE_URL=http://127.0.0.1:9 # no account server: requests fail and are logged
export QTWEBENGINE_DISABLE_SANDBOX=1
unset QT_QPA_PLATFORM
resolver=$BREVAK_RESOLVER_ADDRESS

"$bin/brevak-simctl" init >/dev/null
rm -rf "$BREVAK_SIMULATED_ROOT/home/Library/LaunchAgents" # a user who never ran BREVAK
# The user wants protection, and has blocked one application.
preferences=$BREVAK_SIMULATED_ROOT/home/Library/Preferences
mkdir -p "$preferences"
cat > "$preferences/com.mac.brevak.json" <<JSON
{ "dnsLastStatus": true, "blockedAppDetails": ["Lucky Spin Casino"] }
JSON

start_xvfb

"$bin/brevak" >"$log" 2>&1 &
brevak_pid=$!

# Launch: agent installed and loaded, protection applied.
eventually 30 logged "Load Plist - " || fail "the launch agent was not loaded"
logged "LaunchAgents Folder Created" || fail "no agent folder line"
logged "copied plist file to LaunchAgents folder" || fail "no agent copy line"
logged "No user" || fail "no Google restore line"
[ -f "$BREVAK_SIMULATED_ROOT/home/Library/LaunchAgents/com.mac.brevak.plist" ] || fail "agent file missing"
"$bin/brevak-simctl" state | grep -q "com.mac.brevak.plist" || fail "agent not loaded on the simulated Mac"
for service in Ethernet Wi-Fi "Thunderbolt Bridge"; do
    eventually 10 dns_is_resolver "$service" || fail "DNS of $service not set at launch"
done

# Someone changes the DNS behind BREVAK's back: the change itself brings the check, long before the
# minute is over.
"$bin/brevak-simctl" dns Wi-Fi 8.8.8.8
eventually 10 dns_is_resolver Wi-Fi || fail "DNS of Wi-Fi was not restored at once"
eventually 5 logged "SET THE DNS IP - " || fail "the restore was not logged"
logged "Current DNS IP - " || fail "the changed servers were not logged"
eventually 5 logged "NO CHANGE, Current DNS IP - " || fail "the next check did not see protection in force"
# A service added while BREVAK runs is protected too, whatever its name.
"$bin/brevak-simctl" service add "Bob's iPhone"
eventually 10 dns_is_resolver "Bob's iPhone" || fail "the added service was not protected"
import -display "$display" -window root "$artifacts/main-window.png" || true

# At rest, with no web page shown, neither the web engine nor the graphics stack is loaded.
maps=/proc/$brevak_pid/maps
! grep -qE 'WebEngine|libLLVM|_dri\.so' "$maps" || fail "the web engine or OpenGL is loaded with no page shown"

# A blocked application comes to the front: it is quit and the block page covers the screen.
"$bin/brevak-simctl" activate "Lucky Spin Casino"
eventually 10 not_running "Lucky Spin Casino" || fail "the blocked application was not quit"
eventually 15 block_page_shown || fail "no block page window"
# The screenshot waits until the page is drawn: far more colours than the blank view before it. It
# is only a picture for people; nothing below depends on it.
page_drawn() {
    import -display "$display" -window root "$artifacts/block-page.png" &&
        [ "$(identify -format %k "$artifacts/block-page.png")" -gt 800 ]
}
eventually 30 page_drawn || echo "note: the block page may not be fully drawn in its screenshot"
grep -q WebEngineCore "$maps" || fail "the block page was shown without the web engine"

# An application that is not blocked stays. BREVAK hears activations in order: once the blocked
# application activated after Safari has been quit, Safari's activation has been handled too.
"$bin/brevak-simctl" activate Safari
"$bin/brevak-simctl" activate "Lucky Spin Casino"
eventually 10 not_running "Lucky Spin Casino" || fail "the blocked application was not quit again"
running Safari || fail "Safari was quit although not blocked"

# Terminated: it quits in order (the agent is loaded again) but does not end with success, so that
# the launch agent would start it again.
agent_loads=$(grep -c "Load Plist - " "$log")
kill -TERM "$brevak_pid"
status=0
wait "$brevak_pid" || status=$?
brevak_pid=
[ "$status" -eq 143 ] || fail "BREVAK ended with status $status instead of 128 + SIGTERM"
logged "applicationWillTerminate" || fail "no termination line"
[ "$(grep -c "Load Plist - " "$log")" -gt "$agent_loads" ] || fail "the agent was not loaded at quit"
echo "PASS"
