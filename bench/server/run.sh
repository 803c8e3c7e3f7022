#!/usr/bin/env bash
# Measures brevak-server with wrk: the status synchronisation (sync-url) of a signed-in account with a
# PIN, /health (which asks the database whether it answers) and a trivial route (an address with
# nothing, answered 404 without the database) on the same server, sign-ins alone (each a full
# argon2id check at the production cost), and sync-url again while other connections sign in
# without pause.
#
# Usage: bench/server/run.sh
# Environment: BUILD_DIR (default build), SERVER (default BUILD_DIR/bin/brevak-server), SERVER_ARGS
#              (default: no sign-in limit, so that the burst measures the hashing itself, and room
#              for all of wrk's connections from one address),
#              DURATION (default 20s), CONNECTIONS (default 64), SIGNIN_CONNECTIONS (default 8),
#              DATABASE (a postgresql:// URL; default SQLite).
# Prints requests/s and p99 latency of each run, and the ratios of sync-url to /health and to the
# trivial route.
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=${BUILD_DIR:-$top/build}
server=${SERVER:-$build_dir/bin/brevak-server}
read -r -a server_args <<<"${SERVER_ARGS---sign-in-limit 1000000 --connections-per-address 1000}"
duration=${DURATION:-20s}
connections=${CONNECTIONS:-64}
signin_connections=${SIGNIN_CONNECTIONS:-8}

[[ -x "$server" ]] || { echo "no $server: build first (scripts/setup)" >&2; exit 1; }
command -v wrk >/dev/null || { echo "wrk is missing (scripts/setup installs it)" >&2; exit 1; }
command -v curl >/dev/null || { echo "curl is missing (scripts/setup installs it)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/brevak-bench.XXXXXX")
pid=
cleanup() {
    if [[ -n "$pid" ]]; then
        kill -TERM "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

app_token=bench-application-token
arguments=(--listen 127.0.0.1:0 --data-dir "$work/data" --default-token "$app_token" "${server_args[@]}")
[[ -n "${DATABASE:-}" ]] && arguments+=(--database "$DATABASE")
# Production settings otherwise: the secure password hashing, the access log written for every request.
"$server" "${arguments[@]}" >"$work/server.log" 2>&1 &
pid=$!
for _ in $(seq 100); do
    grep -q 'listening on' "$work/server.log" && break
    sleep 0.1
done
port=$(sed -n 's/.*listening on http:\/\/127.0.0.1:\([0-9]*\).*/\1/p' "$work/server.log")
[[ -n "$port" ]] || { cat "$work/server.log" >&2; echo "the server did not start" >&2; exit 1; }
base=http://127.0.0.1:$port

email="bench.$$@example.org"
password="bench password $$"
signup=$(curl -sf -H "Authorization: Bearer $app_token" \
    --data-urlencode social_media=0 --data-urlencode device_name=MacBookPro18,1 \
    --data-urlencode "email=$email" --data-urlencode "password=$password" --data-urlencode profile_id=0 \
    "$base/api/v3/signup")
token=$(sed -n 's/.*"token":"\([0-9a-f]*\)".*/\1/p' <<<"$signup")
[[ ${#token} -eq 64 ]] || { echo "sign-up failed: $signup" >&2; exit 1; }
curl -sf -H "Authorization: Bearer $token" -d 'time=24&pin=482913' "$base/api/v3/setupPin" >/dev/null

cat >"$work/sync.lua" <<LUA
wrk.method = "POST"
wrk.body = "platform_unique_id=4C4C4544-0042-3510-8051-B4C04F4E4A31"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded; charset=utf-8"
wrk.headers["Authorization"] = "Bearer $token"
wrk.headers["X-localization"] = "en"
LUA
encoded_email=$(sed 's/@/%40/' <<<"$email")
encoded_password=$(sed 's/ /+/g' <<<"$password")
cat >"$work/signin.lua" <<LUA
wrk.method = "POST"
wrk.body = "email=$encoded_email&password=$encoded_password&social_media=0&platform_unique_id=BENCH-SIGNIN"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded; charset=utf-8"
wrk.headers["Authorization"] = "Bearer $app_token"
LUA

# "Requests/sec" and the 99% line of a wrk --latency report, the latter in milliseconds.
rate() { awk '/^Requests\/sec/ {print $2}' "$1"; }
p99() {
    awk '$1 == "99%" {
        v = $2; unit = v; sub(/[0-9.]+/, "", unit); sub(/[a-z]+$/, "", v);
        if (unit == "us") v /= 1000; else if (unit == "s") v *= 1000; else if (unit == "m") v *= 60000;
        printf "%.2f", v }' "$1"
}
non2xx() { awk '/Non-2xx/ {print $NF; found=1} END {if (!found) print 0}' "$1"; }

echo "brevak-server benchmark: $(nproc) cores, wrk -t2 -c$connections -d$duration, database ${DATABASE:-SQLite}"
echo "load before: $(uptime | sed 's/.*load average: //')"

wrk -t2 -c"$connections" -d"$duration" --latency -s "$work/sync.lua" "$base/api/v3/sync-url" >"$work/sync.txt"
wrk -t2 -c"$connections" -d"$duration" --latency "$base/health" >"$work/health.txt"
wrk -t2 -c"$connections" -d"$duration" --latency "$base/nothing-here" >"$work/trivial.txt"
wrk -t1 -c"$signin_connections" -d"$duration" --latency -s "$work/signin.lua" "$base/api/v3/login" >"$work/signin.txt" &
signin_pid=$!
sleep 1 # the sign-ins are under way before the measurement starts
wrk -t2 -c"$connections" -d"$duration" --latency -s "$work/sync.lua" "$base/api/v3/sync-url" >"$work/burst.txt"
wait "$signin_pid"
# After the burst, once its last queued sign-ins are done: a connection that wrk closed leaves its
# sign-in queued, and the newcomers from the same address would be refused past their share.
sleep 5
wrk -t1 -c"$signin_connections" -d"$duration" --latency -s "$work/signin.lua" "$base/api/v3/login" >"$work/signin-alone.txt"

echo "load after:  $(uptime | sed 's/.*load average: //')"
printf '%-44s %12s %10s %8s\n' "run" "requests/s" "p99 ms" "non-2xx"
printf '%-44s %12s %10s %8s\n' "sync-url" "$(rate "$work/sync.txt")" "$(p99 "$work/sync.txt")" "$(non2xx "$work/sync.txt")"
printf '%-44s %12s %10s %8s\n' "/health" "$(rate "$work/health.txt")" "$(p99 "$work/health.txt")" "$(non2xx "$work/health.txt")"
printf '%-44s %12s %10s %8s\n' "trivial route (404)" "$(rate "$work/trivial.txt")" "$(p99 "$work/trivial.txt")" "$(non2xx "$work/trivial.txt")"
printf '%-44s %12s %10s %8s\n' "sync-url during the sign-in burst" "$(rate "$work/burst.txt")" "$(p99 "$work/burst.txt")" "$(non2xx "$work/burst.txt")"
printf '%-44s %12s %10s %8s\n' "sign-ins alone ($signin_connections connections, argon2id)" "$(rate "$work/signin-alone.txt")" "$(p99 "$work/signin-alone.txt")" "$(non2xx "$work/signin-alone.txt")"
printf '%-44s %12s %10s %8s\n' "sign-ins during the burst" "$(rate "$work/signin.txt")" "$(p99 "$work/signin.txt")" "$(non2xx "$work/signin.txt")"
awk -v s="$(rate "$work/sync.txt")" -v h="$(rate "$work/health.txt")" -v t="$(rate "$work/trivial.txt")" \
    'BEGIN {printf "sync-url / health: %.2f\nsync-url / trivial route: %.2f\n", s / h, s / t}'
