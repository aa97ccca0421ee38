#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program. The record file
# ADO_ZEM.MDB is kept in the current directory, as the program always does.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
exec "${SANSU_BUILD_DIR:-$top/build}/sansu-drill"
