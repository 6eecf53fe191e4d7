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
server=""
trap '[ -z "$server" ] || kill "$server" 2>/dev/null; stop-agents; rm -rf "$work"' EXIT

# snmpsimd 0.4.5 stops answering altogether (at every address it serves)
# after the health walk's first side-by-side request to this recording, in
# SNMPv1 and SNMPv2c alike; prowlet --health does the same to it. Left out
# until the walk or the agent is mended, so that it takes no other printer
# down with it.
hangs_snmpsimd=(zebra-zebranet-wired-ps.snmprec)
pairs=() n=0
for rec in "$src"/tests/agents/recordings/*.snmprec "$src"/tests/exporter/recordings/*.snmprec \
           "$src"/../shared/realdata/snmprec/*.snmprec; do
  [ -r "$rec" ] || continue
  if [[ " ${hangs_snmpsimd[*]} " == *" $(basename "$rec") "* ]]; then
    echo "exposition_test: $(basename "$rec") left out (snmpsimd hangs on the health walk)" >&2
    continue
  fi
  n=$((n + 1))
  pairs+=("127.0.2.$n=$rec")
  echo "127.0.2.$n $rec" >>"$work/recordings"
done
[ "$n" -gt 20 ] || echo "exposition_test: the real recordings are missing; only the project's are checked" >&2
start-snmpsim public "${pairs[@]}" || fail "snmpsimd did not start"
range=127.0.2.1-$n

printf 'module default\n  version 2c\n  community public\n  timeout 5\n  retries 1\n' >"$work/exporter.conf"
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
# SIGHUP with a bad file keeps the configuration in force; with a good one
# takes it (a new module); SIGTERM ends the server with status 0.
metric() { curl -sf http://127.0.0.1:19733/metrics | awk -v m="$1" '$1 == m { print $2 }'; }
reloaded() {  # wait until the reloads counted reach $1
  for _ in $(seq 50); do
    [ "$(( $(metric 'prowlet_exporter_config_reloads_total{result="success"}') + $(metric 'prowlet_exporter_config_reloads_total{result="failure"}') ))" -ge "$1" ] && return 0
    sleep 0.1
  done
  fail "no reload counted after SIGHUP"
}
printf 'module default\n  timeout 0\n' >"$work/exporter.conf"
kill -HUP $server; reloaded 1
[ "$(metric prowlet_exporter_config_last_reload_successful)" = 0 ] || fail "a refused reload counts as successful"
grep -q "exporter.conf, line 2: timeout needs whole seconds from 1 to 60, not \"0\"; the configuration in force is kept" \
  "$work/server.log" || fail "no message naming the line of the refused reload: $(cat "$work/server.log")"
curl -sf "http://127.0.0.1:19733/probe?target=127.0.2.1&module=default" >"$work/after-reload.prom"
grep -q '^prowlet_printer_up{printer="127.0.2.1"} 1$' "$work/after-reload.prom" ||
  fail "the configuration in force was lost by a refused reload: $(head -c 600 "$work/after-reload.prom")"
printf 'module renamed\n  community public\n  timeout 5\n' >"$work/exporter.conf"
kill -HUP $server; reloaded 2
[ "$(metric prowlet_exporter_config_last_reload_successful)" = 1 ] || fail "a good reload counts as failed"
curl -sf "http://127.0.0.1:19733/probe?target=127.0.2.1&module=renamed" >"$work/renamed.prom"
grep -q '^prowlet_printer_up{printer="127.0.2.1"} 1$' "$work/renamed.prom" ||
  fail "the reloaded configuration is not in force: $(head -c 600 "$work/renamed.prom")"
[ "$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:19733/probe?target=127.0.2.1&module=default")" = 400 ] ||
  fail "the module of the replaced configuration still answers"
kill -TERM $server; wait $server || fail "the server did not end cleanly on SIGTERM"

# A bad or hostile configuration is refused at start, naming the line; nothing crashes.
printf 'module a\nversion 3\nuser u\nlevel authPriv\nauth-passphrase 12345678\n' >"$work/bad.conf"
chmod 600 "$work/bad.conf"
msg=$("$exporter" --config.file="$work/bad.conf" --config.check 2>&1); rc=$?
[ $rc = 2 ] && [ "$msg" = "prowlet_exporter: $work/bad.conf, line 1: module \"a\": level authPriv needs a priv-passphrase" ] ||
  fail "a bad configuration: status $rc, \"$msg\""
head -c 65536 /dev/urandom >"$work/hostile.conf"
"$exporter" --config.file="$work/hostile.conf" --config.check >/dev/null 2>&1; rc=$?
[ $rc = 2 ] || fail "a file of random bytes: status $rc"
chmod 644 "$work/bad.conf"
msg=$("$exporter" --config.file="$work/bad.conf" --web.listen-address=127.0.0.1:19734 2>&1); rc=$?
[ $rc = 2 ] && [ "$msg" = "prowlet_exporter: $work/bad.conf may be read or changed by others (mode 0644); allow its owner alone (chmod 600)" ] ||
  fail "a configuration others may read: status $rc, \"$msg\""
lint=$(promtool check metrics <"$work/probe.prom" 2>&1) || fail "promtool check metrics (HTTP): $lint"
diff <(grep -v '^prowlet_probe_duration_seconds ' "$work/printers.prom") \
     <(grep -v '^prowlet_probe_duration_seconds ' "$work/probe.prom") >&2 || fail "the HTTP probe differs from the textfile"
echo "exposition_test: $n printers: promtool clean, every series as the JSON record says"
