#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests, from Debian's packages: a
# cluster in a scratch folder, listening on loopback only at a free port,
# UTF-8 with the C.UTF-8 locale (upper() folds Cyrillic, text sorts by code
# point as in SQLite). The tests' roles log in with a password kept in a
# libpq password file in the folder.
#
#   pg_server.sh start FOLDER   makes and starts it; FOLDER/env holds the
#                               variables the tests read (source it)
#   pg_server.sh start FOLDER --durable
#                               the same with fsync, synchronous_commit and
#                               full_page_writes on, as a shop's server runs
#                               (the benchmark's server column; the tests run
#                               faster without)
#   pg_server.sh stop FOLDER    stops it (the folder stays; remove it after)
#
# Run as root, the server runs as the system user "ventaros-pg", made when
# missing: PostgreSQL refuses to run as root.
set -euo pipefail

cmd="${1:-}"
folder="${2:-}"
durable="${3:-}"
[ -n "$cmd" ] && [ -n "$folder" ] && { [ -z "$durable" ] || [ "$durable" = --durable ]; } \
  || { echo "usage: $0 start|stop FOLDER [--durable]" >&2; exit 2; }

bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
[ -x "$bin/initdb" ] || { echo "$0: the postgresql server package is not installed" >&2; exit 1; }

server_user=""
as_server() {
  if [ -n "$server_user" ]; then
    runuser -u "$server_user" -- "$@"
  else
    "$@"
  fi
}
if [ "$(id -u)" -eq 0 ]; then
  server_user=ventaros-pg
  id -u "$server_user" >/dev/null 2>&1 \
    || useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$server_user"
fi

data="$folder/data"
case "$cmd" in
  start)
    mkdir -p "$folder"
    folder="$(cd "$folder" && pwd)"
    data="$folder/data"
    rm -rf "$data" "$folder/run"
    mkdir -p "$data" "$folder/run"
    chmod 700 "$data"
    password="$(head -c 18 /dev/urandom | base64 | tr -d '/+=')"
    printf '%s\n' "$password" > "$folder/pwfile"
    if [ -n "$server_user" ]; then
      chown "$server_user" "$data" "$folder/run" "$folder/pwfile"
      # The server user must reach the folder through its parents.
      p="$folder"
      while [ "$p" != / ]; do chmod o+x "$p" 2>/dev/null || true; p="$(dirname "$p")"; done
    fi
    as_server "$bin/initdb" -D "$data" -U postgres -A scram-sha-256 --pwfile="$folder/pwfile" \
      -E UTF8 --locale=C.UTF-8 --no-sync >"$folder/initdb.log" 2>&1 \
      || { cat "$folder/initdb.log" >&2; exit 1; }
    rm -f "$folder/pwfile"
    cat >>"$data/postgresql.conf" <<EOF
listen_addresses = '127.0.0.1'
unix_socket_directories = '$folder/run'
max_connections = 300
shared_buffers = 64MB
log_min_messages = warning
EOF
    if [ -n "$durable" ]; then
      printf 'fsync = on\nsynchronous_commit = on\nfull_page_writes = on\n' >>"$data/postgresql.conf"
    else
      printf 'fsync = off\nsynchronous_commit = off\nfull_page_writes = off\n' >>"$data/postgresql.conf"
    fi
    started=""
    for try in 1 2 3 4 5 6 7 8; do
      port=$(( 20000 + (RANDOM * 32768 + RANDOM) % 40000 ))
      if as_server "$bin/pg_ctl" -D "$data" -l "$folder/run/server.log" -o "-p $port" -w -t 30 start >/dev/null 2>&1; then
        started=1
        break
      fi
    done
    [ -n "$started" ] || { cat "$folder/run/server.log" >&2; exit 1; }
    umask 077
    printf '127.0.0.1:%s:*:%s:%s\n' "$port" postgres "$password" "$port" ventaros_test "$password" \
      "$port" ventaros_test_query "$password" >"$folder/pgpass"
    # The role the program's tests log in as: no superuser, it may make
    # databases (one fresh database per test). Its typed queries run as
    # ventaros_test_query, made as the README makes a shop's query role; each
    # test database gets SQLs/TypedQueries.pg.sql from the tests themselves.
    PGPASSFILE="$folder/pgpass" "$bin/psql" -X -q -h 127.0.0.1 -p "$port" -U postgres -d postgres \
      -v ON_ERROR_STOP=1 -c "CREATE ROLE ventaros_test LOGIN CREATEDB PASSWORD '$password'" \
      -c "CREATE ROLE ventaros_test_query LOGIN PASSWORD '$password'" >/dev/null
    cat >"$folder/env" <<EOF
export VENTAROS_TEST_PG_HOST=127.0.0.1
export VENTAROS_TEST_PG_PORT=$port
export VENTAROS_TEST_PG_USER=ventaros_test
export VENTAROS_TEST_PG_ADMIN=postgres
export VENTAROS_TEST_PG_BIN=$bin
export VENTAROS_TEST_PG_SERVER=$folder
export PGPASSFILE=$folder/pgpass
EOF
    echo "PostgreSQL on 127.0.0.1:$port ($folder)"
    ;;
  stop)
    [ -d "$data" ] || exit 0
    as_server "$bin/pg_ctl" -D "$data" -m fast -w -t 60 stop >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: $0 start|stop FOLDER [--durable]" >&2
    exit 2
    ;;
esac
