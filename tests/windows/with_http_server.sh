#!/usr/bin/env bash
# with_http_server.sh COMMAND [ARGS...]: runs COMMAND with tests/support/http_server.py serving a
# fresh temporary folder on 127.0.0.1, its address in VX_HTTP_URL and the folder in VX_HTTP_FOLDER,
# and no proxy variables. The server ends with the command (its standard input, a pipe held only
# here, closes); the command's exit status is the script's.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
folder=$(mktemp -d "${TMPDIR:-/tmp}/vxtts-http.XXXXXX")
trap 'rm -rf "$folder"' EXIT
exec 3> >(exec python3 "$here/../support/http_server.py" "$folder" >"$folder/port")
for _ in $(seq 1000); do
  grep -qx '[0-9][0-9]*' "$folder/port" 2>/dev/null && break
  sleep 0.01
done
port=$(cat "$folder/port")
[ -n "$port" ] || { echo "with_http_server: the server did not start" >&2; exit 1; }
unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY
export VX_HTTP_URL=http://127.0.0.1:$port VX_HTTP_FOLDER=$folder
status=0
"$@" 3>&- || status=$?
exec 3>&-
exit $status
