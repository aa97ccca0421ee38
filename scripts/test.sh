#!/usr/bin/env bash
# Installs what is missing (with a PostgreSQL server for the school tests),
# builds, and runs every test. CTest runs under pg_virtualenv, which starts a
# throw-away PostgreSQL cluster in a temporary folder (-t, also as root) and
# hands its address and password to the tests in PGHOST, PGPORT, PGUSER and
# PGPASSWORD; the cluster is dropped when CTest ends.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/scripts/install-deps.sh" postgresql postgresql-common
"$top/scripts/build.sh"
cd "${SANSU_BUILD_DIR:-$top/build}"
pg_virtualenv -t ctest --output-on-failure -j "$(nproc)" "$@"
