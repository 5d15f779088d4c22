#!/bin/sh
# Runs a test in a network of its own (unshare -n: root only), where it may
# take the loopback down as if the server's machine vanished. The test
# server of the test command is reached there through a proxy that forwards
# 127.0.0.1:PORT to the server's Unix socket, run as the server's own user
# (the socket lets in only the matching database user: PGUSER=postgres).
#   own_network.sh TEST [ARGUMENTS...]
# Exits 77 (skipped) where no network of its own can be made or no server
# socket is there.
set -eu
here=$(dirname "$0")
if [ "${BILVARO_OWN_NETWORK:-}" != 1 ]; then
  if ! unshare -n true 2>/dev/null; then
    echo "own_network.sh: no network of its own can be made here (unshare -n needs root)" >&2
    exit 77
  fi
  BILVARO_OWN_NETWORK=1 exec unshare -n "$0" "$@"
fi
socket=/var/run/postgresql/.s.PGSQL.${PGPORT:-5432}
if [ ! -S "$socket" ] || [ "${PGUSER:-}" != postgres ]; then
  echo "own_network.sh: no test server socket at $socket for PGUSER=postgres" >&2
  exit 77
fi
ip link set lo up
ports=$(mktemp)
trap 'kill "$proxy" 2>/dev/null; rm -f "$ports"' EXIT
# The script on standard input: the checkout may be closed to that user.
runuser -u postgres -- python3 - "$socket" <"$here/server_proxy.py" >"$ports" &
proxy=$!
for _ in $(seq 50); do
  [ -s "$ports" ] && break
  sleep 0.1
done
port=$(head -1 "$ports")
[ -n "$port" ] || { echo "own_network.sh: the proxy reported no port" >&2; exit 1; }
PGHOST=127.0.0.1 PGPORT=$port "$@"
