#!/usr/bin/env bash
# End to end through a real Prometheus server (Debian's prometheus): two
# exporters share a fleet of simulated printers by file-based service
# discovery and hashmod relabelling, Prometheus scrapes them every second,
# and the test asks Prometheus' query API that every printer is up (or down,
# for a silent address), probed by exactly one exporter, with its supply
# ratios as the JSON record of the same printer gives them.
#
# Usage (inside a private network namespace: tests/agents/netns-run):
#   prometheus_test.sh EXPORTER PROWLET SOURCE_DIR
set -uo pipefail
exporter=$1 prowlet=$2 src=$3
. "$src/tests/agents/agents.sh"

fail() { echo "prometheus_test: FAIL: $*" >&2; exit 1; }
command -v prometheus >/dev/null || fail "prometheus is not installed (Debian package prometheus)"

work=$(mktemp -d /tmp/prowlet-prometheus.XXXXXX)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  stop-agents
  rm -rf "$work"
}
trap cleanup EXIT

# The project's recordings on 127.0.1.1 ..., and one silent address.
pairs=() targets=() n=0
for rec in "$src"/tests/agents/recordings/*.snmprec; do
  n=$((n + 1))
  pairs+=("127.0.1.$n=$rec")
  targets+=("127.0.1.$n")
done
start-snmpsim public "${pairs[@]}" || fail "snmpsimd did not start"
silent=127.0.1.250
targets+=("$silent")

cat >"$work/exporter.conf" <<CONF
module default
  version 2c
  community public
  timeout 1
  retries 0
CONF
chmod 600 "$work/exporter.conf"
for port in 19731 19732; do
  # Prometheus' time-out of 1 s less 0.1 s for the answer: 0.9 s per probe.
  "$exporter" --config.file="$work/exporter.conf" --web.listen-address=127.0.0.1:$port \
    --scrape.timeout-offset=0.1 2>"$work/exporter-$port.log" &
  pids+=($!)
done

# File-based service discovery: the fleet in one file, as a CMDB export would give it.
python3 - "${targets[@]}" >"$work/printers.json" <<'PY'
import json, sys
print(json.dumps([{"targets": sys.argv[1:], "labels": {"site": "lab"}}]))
PY
# The configuration shipped in contrib/, with this test's files, addresses and
# a scrape every second.
sed -e "s|/etc/prometheus/printers.json|$work/printers.json|" \
    -e "s|exporter-a.example.net:9731|127.0.0.1:19731|g" -e "s|exporter-b.example.net:9731|127.0.0.1:19732|g" \
    -e "s|scrape_interval: 1m|scrape_interval: 1s|" -e "s|scrape_timeout: 30s|scrape_timeout: 1s|" \
    "$src/contrib/prometheus/prometheus.yml" >"$work/prometheus.yml"
grep -q 127.0.0.1:19732 "$work/prometheus.yml" || fail "contrib/prometheus/prometheus.yml has no second exporter"
promtool check config "$work/prometheus.yml" >/dev/null || fail "promtool refuses the configuration"
prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/data" \
  --web.listen-address=127.0.0.1:19090 --log.level=warn 2>"$work/prometheus.log" &
pids+=($!)

query() {  # query PROMQL -> "labels value" lines, sorted
  curl -sfG --max-time 5 --retry 3 http://127.0.0.1:19090/api/v1/query --data-urlencode "query=$1" | python3 -c '
import json, sys
try:
    r = json.load(sys.stdin)["data"]["result"]
except ValueError:
    sys.exit("prometheus_test: no answer to a query")
for s in r:
    m = s["metric"]
    print(" ".join(f"{k}={m[k]}" for k in sorted(m) if k != "__name__"), s["value"][1])' | sort
}

# Every target gets its up series once both shards have been scraped.
deadline=$((SECONDS + 45))
until [ "$(query 'count(prowlet_printer_up)' | awk '{print $NF}')" = "${#targets[@]}" ]; do
  ((SECONDS < deadline)) || { tail -n 20 "$work"/*.log >&2; fail "Prometheus did not see every printer within 45 s"; }
  sleep 1
done

status=0
# Each scrape is independent: a probe the machine's load cuts short at
# Prometheus' 1 s time-out has a printer silent or a table missing, and the
# next scrape, a second later, is whole. settle waits (at most 45 s) until a
# query gives what is expected, then checks it.
settle() {  # settle WHAT EXPECTED PROMQL [FILTER]
  local deadline=$((SECONDS + 45)) got
  while :; do
    got=$(query "$3" | ${4:-cat})
    [ "$got" = "$2" ] || ((SECONDS >= deadline)) && break
    sleep 1
  done
  check "$1" "$2" "$got"
}
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "prometheus_test: $1 differs:" >&2
    diff <(echo "$2") <(echo "$3") >&2
    status=1
  fi
}

# Up: 1 for every simulated printer, 0 for the silent address.
expected_up=$(for t in "${targets[@]}"; do [ "$t" = "$silent" ] && v=0 || v=1; echo "instance=$t printer=$t $v"; done | sort)
settle "up series" "$expected_up" 'max by (instance, printer) (prowlet_printer_up)'

# Nothing probed twice, nothing missing: each printer under exactly one shard's job.
# (The file's own labels travel with the targets.)
check "site labels" "${#targets[@]}" "$(query 'count(prowlet_printer_up{site="lab"})' | awk '{print $NF}')"
check "printers probed by more than one exporter" "" "$(query 'count by (instance) (count by (instance, job) (prowlet_printer_up)) > 1')"
shards=$(query 'count by (job) (prowlet_printer_up)' | wc -l)
check "shards in use" "2" "$shards"
# Each exporter probed only its share: its own count of probed printers.
probed=$(query 'sum(max_over_time(prowlet_probe_printers[1m]))' | awk '{print $NF}')
[ "${probed:-0}" -ge "${#targets[@]}" ] || { echo "prometheus_test: probed printers $probed" >&2; status=1; }

# Supply ratios: the level over the capacity of every supply of the JSON
# record (the level itself in percent units), none for special values.
expected_ratio=$(for t in "${targets[@]}"; do
  [ "$t" = "$silent" ] && continue
  "$prowlet" -v 2c -c public --generic --supplies --json "$t"
done | python3 -c '
import json, sys
for line in sys.stdin:
    p = json.loads(line)
    for n, s in enumerate(p.get("supplies", []), 1):
        level, cap = s["level"], s["maxcap"]
        if level < 0 or (s.get("supplyunit") != "percent" and cap <= 0):
            continue
        ratio = level / 100 if s.get("supplyunit") == "percent" else level / cap
        print("instance=%s supply=%d %r" % (p["host"], n, ratio))' | sort)
ratio_lines() {
  python3 -c '
import sys
for line in sys.stdin:
    labels, value = line.rsplit(" ", 1)
    kv = dict(x.split("=", 1) for x in labels.split(" ") if "=" in x)
    print("instance=%s supply=%s %r" % (kv["instance"], kv["supply"], float(value)))' | sort
}
settle "supply ratios" "$expected_ratio" 'prowlet_supply_level_ratio' ratio_lines
[ -n "$expected_ratio" ] || { echo "prometheus_test: no supply ratio among the printers" >&2; status=1; }

# The exporters' own metrics are scraped too and hold the transport's counts.
check "exporters up" "2" "$(query 'sum(up{job="prowlet-exporters"})' | awk '{print $NF}')"

[ $status -eq 0 ] && echo "prometheus_test: ${#targets[@]} printers, 2 exporters: every series as expected"
exit $status
