#!/usr/bin/env bash
# Measures the filtering resolver on loopback: brevak-server, Unbound made from the shipped
# configuration (deploy/resolver/local-unbound-conf.sh) and brevak-server resolver-sync.
#   1. queries per second (dnsperf): allowed names, category names (the response-policy zone), and a
#      user's own blacklisted names asked from the user's linked address (127.0.0.2);
#   2. change to enforcement, p50 and p99 over 20 changes each: a website added (until NXDOMAIN from
#      127.0.0.2), the same removed (until it resolves again), a new linked address (until its view
#      blocks);
#   3. the two ways of applying a change, on a resolver with BENCH_VIEWS linked addresses (default 5000,
#      each with 5 websites), 20 times each: unbound-control view_local_zone against writing the views,
#      unbound-checkconf and reload_keep_cache.
# BENCH_SECONDS (default 10) sets each dnsperf run. The per-address rate limit of the shipped
# configuration (ip-ratelimit) is off here: every query comes from one address.
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=${BUILD_DIR:-$top/build}
seconds=${BENCH_SECONDS:-10}
views=${BENCH_VIEWS:-5000}
cmake --build "$build_dir" -j2 --target brevak-server >/dev/null
server=$build_dir/bin/brevak-server

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

ms() { echo $(($(date +%s%N) / 1000000)); }

free_port() {
    local port
    while :; do
        port=$((20000 + RANDOM % 20000))
        if ! ss -Hlun "sport = :$port" | grep -q . && ! ss -Hltn "sport = :$port" | grep -q .; then
            echo "$port"
            return
        fi
    done
}

# p50 and p99 of the numbers on standard input (p99 of 20 is the slowest).
percentiles() {
    sort -n | awk '{ v[NR] = $1 } END {
        p50 = int((NR * 50 + 99) / 100); p99 = int((NR * 99 + 99) / 100);
        printf "p50 %d ms, p99 %d ms (n=%d, min %d, max %d)\n", v[p50], v[p99], NR, v[1], v[NR] }'
}

status_of() { # FROM NAME -> NOERROR, NXDOMAIN, ...
    dig -b "$1" @127.0.0.1 -p "$dns_port" +tries=1 +time=1 +noall +comments "$2" A |
        sed -n 's/.*status: \([A-Z]*\).*/\1/p'
}

wait_status() { # FROM NAME STATUS
    local deadline=$(($(ms) + 60000))
    until [ "$(status_of "$1" "$2")" = "$3" ]; do
        if (($(ms) > deadline)); then
            echo "timed out waiting for $2 to be $3 from $1" >&2
            exit 1
        fi
    done
}

# ---- the server, a user, the resolver ------------------------------------------------------------
"$server" --listen 127.0.0.1:0 --data-dir "$work/data" --dev-fast-hashing --default-token bench-token \
    --sign-in-limit 100000 >"$work/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    api_port=$(sed -n 's|.*listening on http://127.0.0.1:\([0-9]*\).*|\1|p' "$work/server.log")
    [ -n "$api_port" ] && break
    sleep 0.1
done
api=http://127.0.0.1:$api_port/api/v3

token=$(curl -fsS -H "Authorization: Bearer bench-token" \
    -d "social_media=0&device_name=Mac&email=bench@example.org&password=correct+horse+battery&profile_id=0" \
    "$api/signup" | grep -o '"token":"[^"]*"' | cut -d'"' -f4)
auth="Authorization: Bearer $token"
sync_from() { curl -fsS --interface "$1" -H "$auth" -d "platform_unique_id=mac-$1" "$api/sync-url" >/dev/null; }
add_website() { curl -fsS -H "$auth" --data-urlencode "domain=$1" "$api/blockwesitebyuser" |
    grep -o '"id":[0-9]*' | head -1 | cut -d: -f2; }
remove_website() { curl -fsS -H "$auth" -d "domain_id=$1" "$api/unblockwesitebyuser" >/dev/null; }

sync_from 127.0.0.2
for i in $(seq 50); do add_website "personal$i.bench.example" >/dev/null; done

resolver=$work/resolver
mkdir -p "$resolver"
dns_port=$(free_port)
{
    "$top/deploy/resolver/local-unbound-conf.sh" "$resolver" "$dns_port" |
        sed 's/^    ip-ratelimit: 200$/    ip-ratelimit: 0/'
    printf 'server:\n    do-not-query-localhost: no\n'
    printf 'forward-zone:\n    name: "."\n    forward-addr: 127.0.0.1@9\n'
    printf 'auth-zone:\n    name: "bench.example."\n    zonefile: "%s"\n' "$work/bench.zone"
    printf '    for-downstream: yes\n    for-upstream: yes\n'
} >"$resolver/unbound.conf"
{
    printf '$ORIGIN bench.example.\n$TTL 3600\n@ SOA ns root 1 3600 600 86400 3600\n@ NS ns\nns A 192.0.2.53\n'
    for i in $(seq 1000); do printf 'allowed%d A 192.0.2.1\npersonal%d A 192.0.2.2\n' "$i" "$i"; done
    for i in $(seq 100); do printf 'change%d A 192.0.2.3\n' "$i"; done
} >"$work/bench.zone"

resolver_args=(--data-dir "$work/data" --resolver-dir "$resolver" --resolver-lists "$top/deploy/resolver/lists"
    --unbound-config "$resolver/unbound.conf")
sleep 1.5 # the server writes linked addresses once a second
"$server" resolver-config "${resolver_args[@]}" >/dev/null
unbound -d -c "$resolver/unbound.conf" >"$work/unbound.out" 2>&1 &
pids+=($!)
wait_status 127.0.0.1 allowed1.bench.example NOERROR
"$server" resolver-sync "${resolver_args[@]}" >"$work/sync.log" 2>&1 &
sync_pid=$!
pids+=($sync_pid)
wait_status 127.0.0.2 personal1.bench.example NXDOMAIN

echo "brevak resolver benchmark: Unbound $(unbound -V | sed -n 's/^Version //p'), $(nproc) cores, loopback"

# ---- 1. queries per second ------------------------------------------------------------------------
qps() { # LABEL FROM FILE
    local out
    out=$(dnsperf -s 127.0.0.1 -p "$dns_port" -a "$2" -d "$3" -l "$seconds" -c 10 -q 200 2>&1)
    printf '%-44s %s queries/s, lost %s, avg latency %s ms\n' "$1" \
        "$(sed -n 's/.*Queries per second: *\([0-9.]*\).*/\1/p' <<<"$out")" \
        "$(sed -n 's/.*Queries lost: *\([0-9]*\).*/\1/p' <<<"$out")" \
        "$(sed -n 's/.*Average Latency (s): *\([0-9.]*\).*/\1/p' <<<"$out" | awk '{ printf "%.3f", $1 * 1000 }')"
}
for i in $(seq 1000); do echo "allowed$i.bench.example A"; done >"$work/allowed.q"
grep '^0\.0\.0\.0 ' "$top/deploy/resolver/lists/gambling.txt" | awk '{ print $2 " A" }' >"$work/category.q"
for i in $(seq 50); do echo "personal$i.bench.example A"; done >"$work/personal.q"
echo "1. queries per second (dnsperf, $seconds s each, 10 clients, 200 outstanding)"
qps "  allowed names (answered, NOERROR)" 127.0.0.1 "$work/allowed.q"
qps "  category names (NXDOMAIN, zone)" 127.0.0.1 "$work/category.q"
qps "  own blacklist from 127.0.0.2 (NXDOMAIN, view)" 127.0.0.2 "$work/personal.q"

# ---- 2. change to enforcement ---------------------------------------------------------------------
echo "2. change to enforcement (resolver-sync polling every 0.5 s; 20 changes each)"
: >"$work/add.ms"
: >"$work/remove.ms"
for i in $(seq 20); do
    start=$(ms)
    id=$(add_website "change$i.bench.example")
    wait_status 127.0.0.2 "change$i.bench.example" NXDOMAIN
    echo $(($(ms) - start)) >>"$work/add.ms"
    start=$(ms)
    remove_website "$id"
    wait_status 127.0.0.2 "change$i.bench.example" NOERROR
    echo $(($(ms) - start)) >>"$work/remove.ms"
done
echo "  website added, until blocked:           $(percentiles <"$work/add.ms")"
echo "  website removed, until it resolves:     $(percentiles <"$work/remove.ms")"
: >"$work/link.ms"
for i in $(seq 20); do
    from=127.0.0.$((10 + i))
    start=$(ms)
    sync_from "$from"
    wait_status "$from" personal1.bench.example NXDOMAIN
    echo $(($(ms) - start)) >>"$work/link.ms"
done
echo "  new linked address, until its view blocks: $(percentiles <"$work/link.ms")"
echo "  (applied: $(grep -c 'applied with unbound-control' "$work/sync.log") time(s) with unbound-control," \
    "$(grep -c 'Unbound reloaded' "$work/sync.log") reload(s))"

# ---- 3. the two ways of applying a change -----------------------------------------------------------
kill -TERM "$sync_pid"
wait "$sync_pid" 2>/dev/null || true
{
    echo "server:"
    for i in $(seq 0 $((views - 1))); do
        a="10.$((i / 65536 % 256)).$((i / 256 % 256)).$((i % 256))/32"
        echo "    access-control: $a allow"
        echo "    access-control-view: $a \"$a\""
    done
    echo "    access-control: 127.0.0.2/32 allow"
    echo "    access-control-view: 127.0.0.2/32 \"127.0.0.2/32\""
    for i in $(seq 0 $((views - 1))); do
        a="10.$((i / 65536 % 256)).$((i / 256 % 256)).$((i % 256))/32"
        printf 'view:\n    name: "%s"\n    view-first: yes\n' "$a"
        for j in 1 2 3 4 5; do echo "    local-zone: \"site$j-$i.example.\" always_nxdomain"; done
    done
    printf 'view:\n    name: "127.0.0.2/32"\n    view-first: yes\n'
} >"$work/views.base"
cp "$work/views.base" "$resolver/views.conf"
control=(unbound-control -c "$resolver/unbound.conf")
"${control[@]}" reload >/dev/null
wait_status 127.0.0.2 allowed1.bench.example NOERROR
echo "3. applying one change with $views linked addresses ($(wc -l <"$work/views.base") lines of views; 20 each)"
: >"$work/control.ms"
: >"$work/reload.ms"
for i in $(seq 21 40); do
    start=$(ms)
    "${control[@]}" view_local_zone 127.0.0.2/32 "change$i.bench.example." always_nxdomain >/dev/null
    wait_status 127.0.0.2 "change$i.bench.example" NXDOMAIN
    echo $(($(ms) - start)) >>"$work/control.ms"
done
for i in $(seq 41 60); do
    start=$(ms)
    { cat "$work/views.base"; echo "    local-zone: \"change$i.bench.example.\" always_nxdomain"; } \
        >"$resolver/views.conf.new"
    mv "$resolver/views.conf.new" "$resolver/views.conf"
    unbound-checkconf "$resolver/unbound.conf" >/dev/null
    "${control[@]}" reload_keep_cache >/dev/null
    wait_status 127.0.0.2 "change$i.bench.example" NXDOMAIN
    echo $(($(ms) - start)) >>"$work/reload.ms"
done
echo "  unbound-control view_local_zone:        $(percentiles <"$work/control.ms")"
echo "  write + unbound-checkconf + reload:     $(percentiles <"$work/reload.ms")"
start=$(ms)
"${control[@]}" reload_keep_cache >/dev/null
while [ "$(status_of 127.0.0.2 allowed1.bench.example)" != NOERROR ]; do :; done
echo "  queries unanswered during one reload:   about $(($(ms) - start)) ms (allowed1 from 127.0.0.2)"
