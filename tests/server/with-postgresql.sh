#!/usr/bin/env bash
# Usage: with-postgresql.sh COMMAND [ARGS...]
# Runs the command against a PostgreSQL server of its own: a fresh cluster in a temporary folder,
# reachable only through a Unix socket in that folder, stopped and removed afterwards. The command
# finds it in BREVAK_TEST_DATABASE_URL. When PostgreSQL cannot be started this fails with the reason;
# it never skips.
set -euo pipefail

fail() {
    echo "with-postgresql: $*" >&2
    exit 1
}

bindir=${BREVAK_POSTGRESQL_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)}
[[ -n "$bindir" && -x "$bindir/initdb" ]] ||
    fail "PostgreSQL is not installed (no initdb under /usr/lib/postgresql; scripts/setup installs the Debian package postgresql)"

work=$(mktemp -d "${TMPDIR:-/tmp}/brevak-pg.XXXXXX")
owner=()
if [[ $(id -u) -eq 0 ]]; then
    # PostgreSQL refuses to run as root: the cluster belongs to the postgres system user.
    id postgres >/dev/null 2>&1 || fail "running as root needs the system user postgres (made by the postgresql package)"
    chown postgres: "$work"
    owner=(runuser -u postgres --)
fi

cleanup() {
    "${owner[@]}" "$bindir/pg_ctl" -D "$work/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

"${owner[@]}" "$bindir/initdb" -D "$work/data" -A trust -U brevak -E UTF8 --no-sync >"$work/initdb.log" 2>&1 ||
    { cat "$work/initdb.log" >&2; fail "initdb failed"; }
# No TCP port at all (nothing to collide with); fsync off because the cluster is thrown away.
"${owner[@]}" "$bindir/pg_ctl" -D "$work/data" -l "$work/server.log" -w -t 60 \
    -o "-k $work -c listen_addresses= -c fsync=off -c max_connections=300" start >/dev/null ||
    { cat "$work/server.log" >&2; fail "PostgreSQL did not start"; }
"${owner[@]}" "$bindir/createdb" -h "$work" -U brevak brevak_test || fail "createdb failed"

export BREVAK_TEST_DATABASE_URL="postgresql://brevak@/brevak_test?host=$work"
# Every server on that database seals PINs with the same key.
export BREVAK_TEST_KEY_FILE="$work/server.key"
echo "with-postgresql: PostgreSQL $("$bindir/postgres" --version | awk '{print $3}') at $work"
"$@"
