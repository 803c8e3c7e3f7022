#!/usr/bin/env bash
# Prints a configuration for an Unbound of one's own on 127.0.0.1, made from the shipped unbound.conf:
# the same hardening, category zone and views, with every file in DIR and no privilege needed.
# Used by scripts/run, the resolver tests and bench/resolver.
#   local-unbound-conf.sh DIR PORT > DIR/unbound.conf
# The process that starts Unbound on it keeps its user (root in CI: no chroot, no user change); DNSSEC
# validation is off (no root key of its own), and so is IPv6.
set -euo pipefail

if (($# != 2)); then
    echo "usage: $0 DIR PORT" >&2
    exit 2
fi
dir=$1
port=$2
shipped=$(dirname "$0")/unbound.conf

sed -e "s|^    interface: 0\.0\.0\.0$|    interface: 127.0.0.1|" \
    -e "/^    interface: ::0$/d" \
    -e "s|^    port: 53$|    port: $port|" \
    -e "s|^    username: \"unbound\"$|    username: \"\"|" \
    -e "s|^    pidfile: .*|    pidfile: \"$dir/unbound.pid\"\n    logfile: \"$dir/unbound.log\"\n    use-syslog: no\n    do-ip6: no|" \
    -e "/^    auto-trust-anchor-file: /d" \
    -e "s|^    module-config: \"respip validator iterator\"$|    module-config: \"respip iterator\"|" \
    -e "s|^    control-interface: .*|    control-interface: \"$dir/control.sock\"|" \
    -e "s|/var/lib/brevak-resolver|$dir|g" \
    "$shipped"
