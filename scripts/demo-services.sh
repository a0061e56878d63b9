#!/usr/bin/env bash
# Gives the running Wine prefix (WINEPREFIX, its server kept alive with wineserver -p)
# the services the program manages, as instances of the test service program,
# with the start types and states Windows usually has. A service already installed with
# this program and start type is kept; any other (Wine's own Spooler, or one whose start
# type a demo changed) is replaced. Usage: demo-services.sh PATH/TO/TestService.exe
set -euo pipefail
if [ $# != 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 PATH/TO/TestService.exe" >&2
  exit 2
fi
[ -n "${WINEPREFIX:-}" ] || { echo "$0: WINEPREFIX is not set" >&2; exit 2; }

image="\"$(winepath -w "$1")\""

# name, start type as sc spells it, state wanted
services=(
  "SysMain auto running"
  "WSearch auto running"
  "Spooler auto running"
  "Fax demand stopped"
  "XblAuthManager demand stopped"
  "MapsBroker auto stopped"
  "RemoteRegistry disabled stopped"
)

start_value() {
  case $1 in auto) echo 0x2 ;; demand) echo 0x3 ;; disabled) echo 0x4 ;; esac
}

# the value's data as reg prints it, empty when the service or value is missing
registry_value() {
  wine reg query "HKLM\\System\\CurrentControlSet\\Services\\$1" /v "$2" 2>/dev/null |
    tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p" || true
}

# dwCurrentState as a number, empty when the service does not exist
service_state() {
  wine sc query "$1" 2>/dev/null | tr -d '\r' | awk '$1 == "STATE" { print $3; exit }' || true
}

# starts or stops the service until it reports wanted (4 running, 1 stopped), riding out
# the pending states and a manager that is still busy right after the prefix started
bring_to_state() {
  local name=$1 wanted=$2 state
  for _ in $(seq 1 100); do
    state=$(service_state "$name")
    [ "$state" = "$wanted" ] && return 0
    if [ "$wanted" = 4 ] && [ "$state" = 1 ]; then wine sc start "$name" >/dev/null 2>&1 || true; fi
    if [ "$wanted" = 1 ] && [ "$state" = 4 ]; then wine sc stop "$name" >/dev/null 2>&1 || true; fi
    sleep 0.1
  done
  echo "$name did not reach state $wanted (it is in state ${state:-none})" >&2
  return 1
}

# sc, retried while the manager is busy (it holds its database lock for a while after
# the prefix starts: error 1055)
sc_retry() {
  for _ in $(seq 1 50); do
    wine sc "$@" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  echo "sc $* failed" >&2
  return 1
}

remove_service() {
  local name=$1
  bring_to_state "$name" 1
  sc_retry delete "$name"
  for _ in $(seq 1 100); do
    [ -z "$(service_state "$name")" ] && return 0
    sleep 0.1
  done
  echo "$name was not deleted" >&2
  return 1
}

for row in "${services[@]}"; do
  read -r name start wanted <<<"$row"
  if [ "$(registry_value "$name" ImagePath)" != "$image" ] ||
     [ "$(registry_value "$name" Start)" != "$(start_value "$start")" ]; then
    [ -z "$(service_state "$name")" ] || remove_service "$name"
    sc_retry create "$name" binPath= "$image" start= "$start"
    how=installed
  else
    how=kept
  fi
  # automatic services start with the prefix; Windows starts MapsBroker only later
  if [ "$wanted" = running ]; then bring_to_state "$name" 4; else bring_to_state "$name" 1; fi
  echo "  $name: $start, $wanted ($how)"
done
