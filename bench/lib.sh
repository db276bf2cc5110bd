# Shared by the benchmarks: sourced, not run.

# A fresh folder in $work, removed on exit together with the server, if one was started.
work=$(mktemp -d)
server_pid=""
cleanup() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

# The median of the numbers on standard input, one a line.
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

# Starts the test HTTP server on FOLDER; sets server_pid and host.
start_server() {
  exec 3< <(python3 "$top/tests/support/test_http_server.py" "$1" "$1/../requests.log")
  server_pid=$!
  read -r port <&3
  host="127.0.0.1:$port"
}

# A development PKI in FOLDER under the root that the build embeds; extra arguments go to
# make-dev-pki.
dev_pki() {
  local folder=$1
  shift
  mkdir -p "$folder"
  cp "$build/dev-pki/root.pem" "$build/dev-pki/root.key" "$build/dev-pki/root.der" "$folder/"
  "$top/tools/make-dev-pki" "$folder" "$@"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }
