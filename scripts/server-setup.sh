#!/usr/bin/env bash
# Prepares (or brings up to date) a directorate's PostgreSQL server for TENDRO.
#
#   scripts/server-setup.sh                       schema, lists, one account per
#                                                 sub-unit (os<idos>) and directorate (ds<idds>)
#   scripts/server-setup.sh --password ACCOUNT PASSWORD
#                                                 sets one account's password
#
# It connects as an administrator through the usual libpq variables (PGHOST,
# PGPORT, PGUSER, PGDATABASE, PGPASSWORD or ~/.pgpass). The passwords of the
# accounts it creates are written once to server-accounts.tsv in the current
# folder (mode 0600); an account that exists keeps its password. Run again,
# it keeps every row and brings the schema, the policies and the lists up to date.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
sql="$here/server"
data="${TENDRO_DATA:-$here/../data}"
accounts_file="server-accounts.tsv"

psql_run() { psql -X -q -v ON_ERROR_STOP=1 "$@"; }

# A psql literal: the text between single quotes, quotes doubled.
literal() { printf "'%s'" "${1//\'/\'\'}"; }

if [ "${1:-}" = "--password" ]; then
  if [ $# -ne 3 ] || ! [[ "$2" =~ ^(os|ds)[0-9]+$ ]]; then
    echo "Usage: $0 --password os<idos>|ds<idds> PASSWORD" >&2
    exit 2
  fi
  exists=$(psql_run -At -c "SELECT 1 FROM pg_roles WHERE rolname = '$2'")
  if [ "$exists" != 1 ]; then
    echo "No account $2 on this server; run $0 first." >&2
    exit 1
  fi
  # Fed on standard input, so the password shows in no process list.
  psql_run --single-transaction <<EOF
SET password_encryption = 'scram-sha-256';
ALTER ROLE "$2" PASSWORD $(literal "$3");
EOF
  echo "Password of $2 set."
  exit 0
fi
if [ $# -ne 0 ]; then
  echo "Usage: $0 [--password ACCOUNT PASSWORD]" >&2
  exit 2
fi

for f in ds.tsv os.tsv cpv_ro.tsv praguri.tsv anexa2.tsv; do
  [ -r "$data/$f" ] || { echo "Missing $data/$f (set TENDRO_DATA to the program's data folder)." >&2; exit 1; }
done

# The program's accounts that do not exist yet get a random password each.
existing=" $(psql_run -At -c "SELECT string_agg(rolname, ' ') FROM pg_roles WHERE rolname ~ '^(os|ds)[0-9]+\$'") "
new_accounts=()
while IFS=$'\t' read -r idos _ _; do
  [[ "$idos" =~ ^[0-9]+$ ]] && [[ "$existing" != *" os$idos "* ]] && new_accounts+=("os$idos")
done < "$data/os.tsv"
while IFS=$'\t' read -r idds _; do
  [[ "$idds" =~ ^[0-9]+$ ]] && [[ "$existing" != *" ds$idds "* ]] && new_accounts+=("ds$idds")
done < "$data/ds.tsv"

umask 077
pending="$(mktemp "${accounts_file}.XXXXXX")"
trap 'rm -f "$pending"' EXIT
if [ ${#new_accounts[@]} -gt 0 ]; then
  # 15 random bytes make 20 characters each, one line per account.
  paste <(printf '%s\n' "${new_accounts[@]}") \
        <(head -c $((15 * ${#new_accounts[@]})) /dev/urandom | base64 -w 20 | tr '+/' 'xy') > "$pending"
fi

# One transaction: the server gets all of it or none of it.
{
  cat <<'EOF'
SET password_encryption = 'scram-sha-256';
SET client_min_messages = warning;
DO $$
BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'tendro_owner') THEN
    CREATE ROLE tendro_owner NOLOGIN;
  END IF;
  IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'tendro_subunitati') THEN
    CREATE ROLE tendro_subunitati NOLOGIN;
  END IF;
  IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'tendro_directii') THEN
    CREATE ROLE tendro_directii NOLOGIN;
  END IF;
  IF NOT pg_has_role('tendro_owner', 'MEMBER') THEN
    EXECUTE format('GRANT tendro_owner TO %I', current_user);
  END IF;
  EXECUTE format('GRANT CREATE, CONNECT ON DATABASE %I TO tendro_owner', current_database());
  EXECUTE format('REVOKE CONNECT ON DATABASE %I FROM PUBLIC', current_database());
  EXECUTE format('GRANT CONNECT ON DATABASE %I TO tendro_subunitati, tendro_directii', current_database());
END $$;
SET ROLE tendro_owner;
EOF
  cat "$sql/schema.sql"
  echo "CREATE TEMP TABLE in_ds (idds smallint, numeds text);"
  echo "CREATE TEMP TABLE in_os (idos smallint, idds smallint, numeos text);"
  echo "CREATE TEMP TABLE in_cpv (cod text, den text, fel smallint, lista smallint, cod2 integer, id serial);"
  echo "CREATE TEMP TABLE in_praguri (dela text, tip text, directa bigint, simplificata bigint, sursa text, plafon_eur bigint, curs text);"
  echo "CREATE TEMP TABLE in_anexa2 (de_la integer, pana_la integer, servicii text);"
  for t in ds:ds os:os cpv:cpv_ro praguri:praguri anexa2:anexa2; do
    table="${t%%:*}"
    file="${t##*:}.tsv"
    columns=""
    [ "$table" = cpv ] && columns="(cod, den, fel, lista, cod2)"
    echo "COPY in_$table $columns FROM STDIN;"
    tail -n +2 "$data/$file" | tr -d '\r' | { grep -v '^$' || true; }
    echo '\.'
  done
  cat "$sql/lists.sql"
  echo "RESET ROLE;"
  while IFS=$'\t' read -r account password; do
    group=tendro_subunitati
    [[ "$account" == ds* ]] && group=tendro_directii
    echo "CREATE ROLE \"$account\" LOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE NOREPLICATION NOBYPASSRLS" \
         "PASSWORD '${password//\'/\'\'}' IN ROLE $group;"
  done < "$pending"
} | psql_run --single-transaction -f -

if [ -s "$pending" ]; then
  [ -e "$accounts_file" ] || printf 'cont\tparola\n' > "$accounts_file"
  chmod 600 "$accounts_file"
  cat "$pending" >> "$accounts_file"
  echo "$(wc -l < "$pending") new accounts; their passwords are in $accounts_file."
else
  echo "Schema up to date; no new accounts."
fi
