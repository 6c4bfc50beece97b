#!/usr/bin/env bash
# Runs one oracle script with node once the npm readers are installed;
# skips (77) otherwise. Usage: run_node_oracle.sh NODE SCRIPT ARGS...
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -d "$here/node_modules/@kenjiuno/msgreader" ] || [ ! -d "$here/node_modules/mailparser" ]; then
  echo "SKIP: npm readers not installed in tests/oracle (tools/setup runs npm ci)"
  exit 77
fi
node=$1
shift
exec "$node" "$@"
