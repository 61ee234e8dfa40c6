#!/usr/bin/env bash
# check-exports.sh LIB NAME...: the shared library's defined dynamic symbols are exactly NAMEs.
set -euo pipefail
lib=$1; shift
actual=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TDBRWVi]$/ {print $3}' | sort)
expected=$(printf '%s\n' "$@" | sort)
if [ "$actual" != "$expected" ]; then
  echo "exports of $lib differ"; echo "expected:"; echo "$expected"; echo "actual:"; echo "$actual"
  exit 1
fi
echo "exports of $(basename "$lib"): $*"
