#!/usr/bin/env bash
# Runs a command against a throwaway PostgreSQL server made for it by
# pg_virtualenv (as root or as a user), with TLS on: a certificate authority
# and a server certificate for "localhost" made here, TLS required on TCP,
# SCRAM passwords everywhere. The command finds the administrator in the
# usual PG* variables, the authority's certificate in TENDRO_TEST_CA (and
# another authority's in TENDRO_TEST_OTHER_CA), the server's socket folder in
# TENDRO_TEST_SOCKET. The server is dropped at the end.
set -euo pipefail

if [ -z "${TENDRO_TEST_SERVER:-}" ]; then
  export TENDRO_TEST_SERVER=1
  # A port picked at random among the free ones, so that two runs started at
  # the same moment (the suite and the sanitizer suite) do not reach for the same.
  for port in $(shuf -i 20000-29999 -n 50); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      export PGPORT=$port
      break
    fi
  done
  # -t: the cluster lives in a temporary folder, so it never meets another.
  exec pg_virtualenv -t "$0" "$@"
fi

data=$(psql -XAtc 'SHOW data_directory')
hba=$(psql -XAtc 'SHOW hba_file')
socket=$(psql -XAtc 'SHOW unix_socket_directories' | cut -d, -f1)
tls=$(mktemp -d)
trap 'rm -rf "$tls"' EXIT

openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj "/CN=TENDRO test CA" \
  -keyout "$tls/ca.key" -out "$tls/ca.crt" 2>/dev/null
openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj "/CN=localhost" \
  -keyout "$data/server.key" -out "$tls/server.csr" 2>/dev/null
# Another authority, whose certificate the server's does not chain to.
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj "/CN=Other CA" \
  -keyout "$tls/other.key" -out "$tls/other.crt" 2>/dev/null
printf 'subjectAltName=DNS:localhost\n' > "$tls/ext"
openssl x509 -req -in "$tls/server.csr" -CA "$tls/ca.crt" -CAkey "$tls/ca.key" -CAcreateserial -days 2 \
  -extfile "$tls/ext" -out "$data/server.crt" 2>/dev/null
chown --reference="$data" "$data/server.key" "$data/server.crt"
chmod 600 "$data/server.key"
chmod 644 "$tls/ca.crt" "$tls/other.crt"

psql -XAtq > /dev/null <<EOF
ALTER SYSTEM SET ssl = on;
ALTER SYSTEM SET ssl_cert_file = '$data/server.crt';
ALTER SYSTEM SET ssl_key_file = '$data/server.key';
ALTER SYSTEM SET password_encryption = 'scram-sha-256';
SELECT pg_reload_conf();
EOF
# The reload takes a moment; TLS is on once a connection reports it.
for _ in $(seq 50); do
  [ "$(psql -XAtc 'SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()' 2>/dev/null)" = t ] && break
  sleep 0.1
done
cat > "$hba" <<EOF
local     all all                scram-sha-256
hostssl   all all 127.0.0.1/32   scram-sha-256
hostssl   all all ::1/128        scram-sha-256
hostnossl all all 0.0.0.0/0      reject
hostnossl all all ::/0           reject
EOF
psql -XAtqc 'SELECT pg_reload_conf()' > /dev/null
sleep 0.2

export TENDRO_TEST_CA="$tls/ca.crt" TENDRO_TEST_OTHER_CA="$tls/other.crt" TENDRO_TEST_SOCKET="$socket"
"$@"
