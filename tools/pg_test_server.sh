#!/bin/sh
# A throw-away PostgreSQL server for the tests: pg_test_server.sh start DIR
# makes a cluster in DIR, listening on 127.0.0.1 only, on a free port,
# with one superuser (waybill_test, password auth) and a password file
# DIR/pgpass; pg_test_server.sh stop DIR stops it and removes DIR. The
# server never runs as root: under root it runs as the postgres user.
set -eu
cd /
action=$1
dir=$2
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
user=waybill_test
password=waybill-test-password

as_server() {
    if [ "$(id -u)" = 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

case $action in
start)
    if [ -f "$dir/port" ] && as_server "$bin/pg_ctl" -D "$dir/data" status >/dev/null 2>&1; then
        exit 0
    fi
    rm -rf "$dir"
    mkdir -p "$dir"
    [ "$(id -u)" = 0 ] && chown postgres "$dir"
    printf '%s\n' "$password" > "$dir/password"
    chmod 644 "$dir/password"
    as_server "$bin/initdb" -D "$dir/data" -U "$user" --pwfile="$dir/password" \
        --auth-host=scram-sha-256 --auth-local=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
        || { cat "$dir/initdb.log" >&2; exit 1; }
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=60" start >/dev/null \
        || { cat "$dir/server.log" >&2; exit 1; }
    printf '127.0.0.1:%s:*:%s:%s\n' "$port" "$user" "$password" > "$dir/pgpass"
    chmod 600 "$dir/pgpass"
    echo "$port" > "$dir/port"
    echo "PostgreSQL test server on 127.0.0.1:$port ($dir)"
    ;;
stop)
    if [ -d "$dir/data" ]; then
        as_server "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
