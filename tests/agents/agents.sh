#!/usr/bin/env bash
# SNMP test agents on loopback: simulated printers (snmpsimd serving .snmprec
# recordings) and a live net-snmp snmpd, always inside a private network namespace.
#
# As a library (bash): . tests/agents/agents.sh   (the caller must already run
# under tests/agents/netns-run), then
#   start-snmpsim COMMUNITY ADDRESS=RECORDING...   one snmpsimd, one recording per address
#   start-snmpsim-v3 USER AUTH AUTHPASS PRIV PRIVPASS ADDRESS=RECORDING...
#                                                  the same over SNMPv3 (authPriv) only
#   start-snmpd [--rw] [--line CONFIG-LINE]... COMMUNITY ADDRESS...
#   wait-ready COMMUNITY ADDRESS...                poll until every address answers
#   stop-agents                                    stop everything started (also on EXIT)
# Both start commands return only once every address answers.
#
# As a command (enters a namespace of its own, stops the agents when COMMAND ends):
#   agents.sh snmpsim COMMUNITY ADDRESS=RECORDING... -- COMMAND [ARG...]
#   agents.sh snmpsim-v3 USER AUTH AUTHPASS PRIV PRIVPASS ADDRESS=RECORDING... -- COMMAND [ARG...]
#   agents.sh snmpd [--rw] [--line CONFIG-LINE]... COMMUNITY ADDRESS... -- COMMAND [ARG...]
# The exit status is COMMAND's.
#
# Environment: AGENTS_READY_TIMEOUT (seconds, default 60) bounds the wait for readiness.

AGENTS_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
AGENTS_PIDS=()
AGENTS_TMPDIRS=()
AGENTS_LOGS=()

agents-fail() {
  echo "agents: $*" >&2
  return 1
}

# Binding port 161 on the host would collide with (or impersonate) a real agent,
# and any address outside 127.0.0.0/8 would leave the machine.
agents-check-address() {
  [[ $1 =~ ^127\.[0-9]{1,3}\.[0-9]{1,3}\.[0-9]{1,3}$ ]] ||
    agents-fail "$1 is not a loopback address (127.0.0.0/8 only)"
}
agents-check-netns() {
  [ -n "${PROWLET_IN_NETNS:-}" ] ||
    agents-fail "not inside a private network namespace; run under $AGENTS_HERE/netns-run"
}

# Starts "$@" as the only process of a PID namespace of its own, behind a shell
# that stays root: snmpsimd drops to nobody, which clears its parent-death
# signal, but when the shell (pid 1) dies the kernel kills the whole namespace.
# setpriv ties the chain to this shell, so nothing outlives a killed caller.
agents-spawn() {
  local log=$1 monitor=$-; shift
  # Without job control the background job shares our process group, so setsid
  # does not fork and $! becomes the leader of the agent's own process group.
  set +m
  setsid setpriv --pdeathsig KILL \
    unshare --pid --fork --kill-child=KILL \
    sh -c '"$@" & wait $!' agent "$@" </dev/null >>"$log" 2>&1 &
  AGENTS_PIDS+=($!)
  AGENTS_LOGS+=("$log")
  [[ $monitor == *m* ]] && set -m
  return 0
}

wait-ready() {
  local community=$1; shift
  local limit=${AGENTS_READY_TIMEOUT:-60}
  local deadline=$((SECONDS + limit)) address err
  for address in "$@"; do
    while :; do
      # Any reply, even an error-status, proves the agent is serving this address.
      if err=$(snmpgetnext -v1 -c "$community" -t 0.3 -r 0 "$address" 1.3.6.1 2>&1 >/dev/null) ||
         [[ $err != *Timeout* ]]; then
        break
      fi
      if ((SECONDS >= deadline)); then
        agents-fail "no answer from $address (community $community) within ${limit}s"
        local l
        for l in "${AGENTS_LOGS[@]}"; do tail -n 20 "$l" >&2; done
        return 1
      fi
      sleep 0.1
    done
  done
}

# Copies each ADDRESS=RECORDING to DIR/data/SUB/1.3.6.1.6.1.1.<n>.snmprec (the
# transport id of the n-th --agent-udpv4-endpoint, from 0) and fills the
# arrays endpoints and addresses of the caller.
agents-stage-snmpsim() {
  local dir=$1 sub=$2 i=0 pair address recording; shift 2
  [ $# -gt 0 ] || { agents-fail "snmpsim: no ADDRESS=RECORDING given"; return 1; }
  mkdir -p "$dir/data/$sub" "$dir/cache"
  for pair in "$@"; do
    address=${pair%%=*}
    recording=${pair#*=}
    agents-check-address "$address" || return 1
    [ -r "$recording" ] || { agents-fail "cannot read recording $recording"; return 1; }
    cp "$recording" "$dir/data/$sub/1.3.6.1.6.1.1.$i.snmprec"
    endpoints+=(--agent-udpv4-endpoint="$address:161")
    addresses+=("$address")
    i=$((i + 1))
  done
  # snmpsimd refuses to run as root; the user it drops to must read the data
  # and write its index cache.
  chmod 755 "$dir" "$dir/data" "$dir/data/$sub"
  chmod 644 "$dir/data/$sub"/*.snmprec
  chown nobody:nogroup "$dir/cache"
}

start-snmpsim() {
  agents-check-netns || return 1
  local community=$1 dir endpoints=() addresses=(); shift
  dir=$(mktemp -d /tmp/prowlet-snmpsim.XXXXXX) || return 1
  AGENTS_TMPDIRS+=("$dir")
  # snmpsimd's v2c architecture: <data>/<community>/<transport-id>.snmprec.
  agents-stage-snmpsim "$dir" "$community" "$@" || return 1
  agents-spawn "$dir/snmpsimd.log" snmpsimd --v2c-arch \
    --process-user=nobody --process-group=nogroup \
    --data-dir="$dir/data" --cache-dir="$dir/cache" \
    --logging-method=file:"$dir/snmpsimd.log" "${endpoints[@]}"
  wait-ready "$community" "${addresses[@]}"
}

# SNMPv3 only, one user: AUTH is MD5, SHA, SHA-224 ... SHA-512, PRIV DES or AES
# (prowlet's and net-snmp's names). Its SNMPv3 mode serves
# <data>/<transport-id>.snmprec to an empty context.
start-snmpsim-v3() {
  agents-check-netns || return 1
  local user=$1 auth=$2 authpass=$3 priv=$4 privpass=$5 dir endpoints=() addresses=() address; shift 5
  dir=$(mktemp -d /tmp/prowlet-snmpsim.XXXXXX) || return 1
  AGENTS_TMPDIRS+=("$dir")
  agents-stage-snmpsim "$dir" "" "$@" || return 1
  agents-spawn "$dir/snmpsimd.log" snmpsimd --v3-engine-id=auto --v3-user="$user" \
    --v3-auth-proto="${auth//-/}" --v3-auth-key="$authpass" --v3-priv-proto="$priv" --v3-priv-key="$privpass" \
    --process-user=nobody --process-group=nogroup \
    --data-dir="$dir/data" --cache-dir="$dir/cache" \
    --logging-method=file:"$dir/snmpsimd.log" "${endpoints[@]}"
  local deadline=$((SECONDS + ${AGENTS_READY_TIMEOUT:-60}))
  for address in "${addresses[@]}"; do
    until snmpget -v3 -u "$user" -l authPriv -a "$auth" -A "$authpass" -x "$priv" -X "$privpass" \
        -t 0.3 -r 0 "$address" 1.3.6.1.2.1.1.1.0 >/dev/null 2>&1; do
      ((SECONDS < deadline)) || { agents-fail "no SNMPv3 answer from $address"; tail -n 20 "$dir/snmpsimd.log" >&2; return 1; }
      sleep 0.1
    done
  done
}

start-snmpd() {
  agents-check-netns || return 1
  local access=rocommunity lines=()
  while [ $# -gt 0 ]; do
    case $1 in
      --rw) access=rwcommunity; shift ;;
      --line) lines+=("$2"); shift 2 ;;
      *) break ;;
    esac
  done
  local community=$1; shift
  [ $# -gt 0 ] || { agents-fail "start-snmpd: no ADDRESS given"; return 1; }
  local dir address listen=()
  for address in "$@"; do
    agents-check-address "$address" || return 1
    listen+=("udp:$address:161")
  done
  dir=$(mktemp -d /tmp/prowlet-snmpd.XXXXXX) || return 1
  AGENTS_TMPDIRS+=("$dir")
  mkdir -p "$dir/persist"
  {
    echo "agentAddress $(IFS=,; echo "${listen[*]}")"
    echo "$access $community 127.0.0.0/8"
    echo "[snmp] persistentDir $dir/persist"
    echo "dontLogTCPWrappersConnects yes"
    local line
    for line in "${lines[@]}"; do echo "$line"; done
  } >"$dir/snmpd.conf"
  # -C: only our configuration; the persistent dir keeps /var/lib/snmp untouched.
  SNMP_PERSISTENT_DIR="$dir/persist" MIBS= agents-spawn "$dir/snmpd.log" \
    snmpd -f -C -c "$dir/snmpd.conf" -p "$dir/snmpd.pid" -Lf "$dir/snmpd.log"
  wait-ready "$community" "$@"
}

stop-agents() {
  local pid i
  for pid in "${AGENTS_PIDS[@]}"; do
    kill -TERM -- "-$pid" 2>/dev/null || true
  done
  for pid in "${AGENTS_PIDS[@]}"; do
    # Done when no process of the group is left (the agent inside the PID
    # namespace included), so the ports are free when this returns.
    for ((i = 0; i < 50; i++)); do
      kill -0 -- "-$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL -- "-$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    while kill -0 -- "-$pid" 2>/dev/null; do sleep 0.05; done
  done
  AGENTS_PIDS=()
  AGENTS_LOGS=()
  local dir
  for dir in "${AGENTS_TMPDIRS[@]}"; do rm -rf -- "$dir"; done
  AGENTS_TMPDIRS=()
  return 0
}

trap stop-agents EXIT

# Command mode: agents.sh snmpsim|snmpd ARGS... -- COMMAND...
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -u
  if [ -z "${PROWLET_IN_NETNS:-}" ]; then
    exec "$AGENTS_HERE/netns-run" bash "$0" "$@"
  fi
  kind=${1:-}
  shift || true
  args=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do args+=("$1"); shift; done
  if [ $# -lt 2 ] || [ ${#args[@]} -lt 2 ]; then
    echo "usage: $0 snmpsim COMMUNITY ADDRESS=RECORDING... -- COMMAND [ARG...]" >&2
    echo "       $0 snmpsim-v3 USER AUTH AUTHPASS PRIV PRIVPASS ADDRESS=RECORDING... -- COMMAND [ARG...]" >&2
    echo "       $0 snmpd [--rw] [--line CONFIG-LINE]... COMMUNITY ADDRESS... -- COMMAND [ARG...]" >&2
    exit 2
  fi
  shift
  case $kind in
    snmpsim) start-snmpsim "${args[@]}" || exit 1 ;;
    snmpsim-v3) start-snmpsim-v3 "${args[@]}" || exit 1 ;;
    snmpd) start-snmpd "${args[@]}" || exit 1 ;;
    *) echo "$0: unknown agent kind '$kind' (snmpsim, snmpsim-v3 or snmpd)" >&2; exit 2 ;;
  esac
  "$@"
  exit $?
fi
