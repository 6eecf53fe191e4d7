#!/usr/bin/env bash
# The exposition of every printer recording (the project's, a hostile one of
# the exporter's own, and the real ones of ../shared/realdata) checked with
# promtool and against prowlet's JSON record of the same printers, through the
# one-shot textfile mode; and the same probe over HTTP gives the same series.
#
# Usage (inside a private network namespace: tests/agents/netns-run):
#   exposition_test.sh EXPORTER PROWLET SOURCE_DIR
set -uo pipefail
exporter=$1 prowlet=$2 src=$3
. "$src/tests/agents/agents.sh"
fail() { echo "exposition_test: FAIL: $*" >&2; exit 1; }
command -v promtool >/dev/null || fail "promtool is not installed (Debian package prometheus)"

work=$(mktemp -d /tmp/prowlet-exposition.XXXXXX)
trap 'stop-agents; rm -rf "$work"' EXIT

pairs=() n=0
for rec in "$src"/tests/agents/recordings/*.snmprec "$src"/tests/exporter/recordings/*.snmprec \
           "$src"/../shared/realdata/snmprec/*.snmprec; do
  [ -r "$rec" ] || continue
  n=$((n + 1))
  pairs+=("127.0.2.$n=$rec")
  echo "127.0.2.$n $rec" >>"$work/recordings"
done
[ "$n" -gt 20 ] || echo "exposition_test: the real recordings are missing; only the project's are checked" >&2
start-snmpsim public "${pairs[@]}" || fail "snmpsimd did not start"
range=127.0.2.1-$n

printf 'module default\n  version 2c\n  community public\n  timeout 2\n  retries 1\n' >"$work/exporter.conf"
chmod 600 "$work/exporter.conf"
"$exporter" --config.file="$work/exporter.conf" --textfile="$work/printers.prom" "$range" ||
  fail "the textfile run failed"
lint=$(promtool check metrics <"$work/printers.prom" 2>&1) || fail "promtool check metrics: $lint"
[ -z "$lint" ] || fail "promtool check metrics: $lint"

"$prowlet" -v 2c -c public --generic --all --vendor --model --contact --serial --status --supplies --inputtray \
  --covers --alerts --pagecount --json "$range" >"$work/printers.json"
python3 "$src/tests/exporter/exposition_check.py" "$work/printers.prom" "$work/printers.json" "$work/recordings" \
  | tee "$work/check" | tail -n 20 >&2
tail -n 1 "$work/check" | grep -q ' 0 differences$' || fail "exposition and JSON differ"

# Over HTTP: the same printers, the same series (the probe's duration aside).
"$exporter" --config.file="$work/exporter.conf" --web.listen-address=127.0.0.1:19733 2>"$work/server.log" &
server=$!
for _ in $(seq 50); do curl -sf -o /dev/null http://127.0.0.1:19733/ && break; sleep 0.1; done
curl -sf -H 'X-Prometheus-Scrape-Timeout-Seconds: 30' "http://127.0.0.1:19733/probe?target=$range&module=default" \
  >"$work/probe.prom" || fail "the probe over HTTP failed"
kill -TERM $server; wait $server || fail "the server did not end cleanly on SIGTERM"
lint=$(promtool check metrics <"$work/probe.prom" 2>&1) || fail "promtool check metrics (HTTP): $lint"
diff <(grep -v '^prowlet_probe_duration_seconds ' "$work/printers.prom") \
     <(grep -v '^prowlet_probe_duration_seconds ' "$work/probe.prom") >&2 || fail "the HTTP probe differs from the textfile"
echo "exposition_test: $n printers: promtool clean, every series as the JSON record says"
