#!/usr/bin/env bash
# The throwaway PostgreSQL server of the archive tests.
#   postgres_server.sh start STATE   starts a cluster in a temporary folder on a free loopback
#                                    port, trust authentication, and writes its URL to
#                                    STATE/url; where the server binaries are missing, writes
#                                    why to STATE/skip instead, so the tests count as skipped
#   postgres_server.sh stop STATE    stops it and removes its folder
set -euo pipefail
action=$1
state=$2
mkdir -p "$state"

# The server refuses to run as root: root runs it as the postgres user.
as=()
[ "$(id -u)" -ne 0 ] || as=(runuser -u postgres --)

case "$action" in
start)
    rm -f "$state/url" "$state/skip" "$state/cluster"
    bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
    if [ -z "$bin" ] || [ ! -x "$bin/initdb" ] || [ ! -x "$bin/pg_ctl" ]; then
        echo "no PostgreSQL server binaries under /usr/lib/postgresql/*/bin (Debian package postgresql)" |
            tee "$state/skip"
        exit 0
    fi
    cluster=$(mktemp -d /tmp/vernoll-pg.XXXXXX)
    echo "$cluster" >"$state/cluster"
    [ ${#as[@]} -eq 0 ] || chown postgres: "$cluster"
    if ! "${as[@]}" "$bin/initdb" -D "$cluster/data" -A trust -U postgres -E UTF8 --no-sync \
        >"$cluster/initdb.log" 2>&1; then
        cat "$cluster/initdb.log"
        exit 1
    fi
    # A port some other program holds makes the start fail: then another one.
    for _ in 1 2 3 4 5 6 7 8; do
        port=$((20000 + RANDOM % 40000))
        if "${as[@]}" "$bin/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -w -t 60 \
            -o "-p $port -k $cluster -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null; then
            echo "postgresql://postgres@127.0.0.1:$port/postgres" | tee "$state/url"
            exit 0
        fi
    done
    cat "$cluster/server.log"
    exit 1
    ;;
stop)
    [ -f "$state/cluster" ] || exit 0
    cluster=$(cat "$state/cluster")
    bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
    if [ -f "$cluster/data/postmaster.pid" ]; then
        "${as[@]}" "$bin/pg_ctl" -D "$cluster/data" -m fast -w stop >/dev/null
    fi
    rm -rf "$cluster"
    rm -f "$state/url" "$state/cluster"
    ;;
*)
    echo "usage: $0 start|stop STATE" >&2
    exit 2
    ;;
esac
