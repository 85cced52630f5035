#!/usr/bin/env bash
# A survey on a real Slurm scheduler: a one-node cluster (munged, slurmctld, slurmd)
# started in a temporary folder on this machine, the job-array script of a small
# manifest submitted with sbatch --wait, the station folders merged and compared with
# a local run of the same manifest. Only the daemons started here are stopped.
#   slurm_survey.sh CORVATH_CLI
set -uo pipefail
cli="$1"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

for tool in munged munge slurmctld slurmd sbatch scontrol sinfo; do
  command -v "$tool" >/dev/null || fail "$tool not found: install slurm-wlm and munge (scripts/setup.sh)"
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/corvath-slurm.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
  done
  rm -rf "$tmp"
}
trap cleanup EXIT

# The daemon's own words when it did not come up.
daemon_failed() {
  local name="$1" log="$2"
  echo "--- $name log ---" >&2
  cat "$log" >&2 2>/dev/null
  fail "$name did not start (its messages above)"
}

# munged with its own key, socket, pid and log files.
mkdir -m 700 "$tmp/munge"
head -c 1024 /dev/urandom >"$tmp/munge/munge.key"
chmod 400 "$tmp/munge/munge.key"
socket="$tmp/munge/munge.socket"
munged -F -f --key-file="$tmp/munge/munge.key" --socket="$socket" --pid-file="$tmp/munge/munged.pid" \
  --log-file="$tmp/munge/munged.log" --seed-file="$tmp/munge/munged.seed" >"$tmp/munge/stderr.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  munge -n -S "$socket" 2>/dev/null | unmunge -S "$socket" >/dev/null 2>&1 && break
  kill -0 "${pids[-1]}" 2>/dev/null || { cat "$tmp/munge/stderr.log" >&2; daemon_failed munged "$tmp/munge/munged.log"; }
  sleep 0.1
done
munge -n -S "$socket" | unmunge -S "$socket" >/dev/null || daemon_failed munged "$tmp/munge/munged.log"

# The cluster: this host at 127.0.0.1 with 2 CPUs, ports of its own.
host=$(hostname -s)
user=$(id -un)
base=$((20000 + RANDOM % 30000))
mkdir -p "$tmp/state" "$tmp/spool"
cat >"$tmp/slurm.conf" <<CONF
ClusterName=corvathtest
SlurmctldHost=$host(127.0.0.1)
SlurmUser=$user
SlurmdUser=$user
SlurmctldPort=$base
SlurmdPort=$((base + 1))
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$socket
StateSaveLocation=$tmp/state
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$tmp/slurmctld.pid
SlurmdPidFile=$tmp/slurmd.pid
SlurmctldLogFile=$tmp/slurmctld.log
SlurmdLogFile=$tmp/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
JobAcctGatherType=jobacct_gather/none
MpiDefault=none
ReturnToService=2
SchedulerType=sched/builtin
NodeName=$host NodeAddr=127.0.0.1 CPUs=2 RealMemory=1 State=UNKNOWN
PartitionName=survey Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF="$tmp/slurm.conf"

slurmctld -D -f "$SLURM_CONF" >"$tmp/slurmctld.stderr" 2>&1 &
pids+=($!)
ctld=$!
slurmd -D -f "$SLURM_CONF" -N "$host" >"$tmp/slurmd.stderr" 2>&1 &
pids+=($!)
slurmd_pid=$!
ready=""
for _ in $(seq 300); do
  kill -0 "$ctld" 2>/dev/null || { cat "$tmp/slurmctld.stderr" >&2; daemon_failed slurmctld "$tmp/slurmctld.log"; }
  kill -0 "$slurmd_pid" 2>/dev/null || { cat "$tmp/slurmd.stderr" >&2; daemon_failed slurmd "$tmp/slurmd.log"; }
  state=$(sinfo -h -N -o %T 2>/dev/null | head -1)
  if [ "$state" = "idle" ]; then ready=1; break; fi
  sleep 0.1
done
[ -n "$ready" ] || { cat "$tmp/slurmctld.log" >&2; daemon_failed slurmd "$tmp/slurmd.log"; }

# Three stations written here (five minutes at 50 Hz: noise, and a resonance of the
# horizontals at a frequency of each station's own), so the test needs no record
# beside the clone; the manifest names one of them by a relative path.
mkdir -p "$tmp/survey/records"
for station in 1 2 3; do
  awk -v f="$station" 'BEGIN {
    srand(f); print "SAMP_FREQ = 50"; print "####----"
    for (i = 0; i < 15000; i++) {
      t = i / 50; h = sin(2 * 3.14159265358979 * (1 + f) * t)
      printf "%.6f %.6f %.6f\n", rand() - 0.5, 3 * h + rand() - 0.5, -3 * h + rand() - 0.5
    }
  }' >"$tmp/survey/records/station$station.saf"
done
cat >"$tmp/survey/manifest.csv" <<CSV
station,files,longitude,latitude,site
STN11,$tmp/survey/records/station1.saf,-111.85,40.76,"campus, north"
SAF,records/station2.saf,-111.86,40.74,lab
STN12,$tmp/survey/records/station3.saf,-111.84,40.75,south
CSV
printf '{"corvath_settings": 1, "window_length_s": 40}\n' >"$tmp/survey/settings.json"

"$cli" survey "$tmp/survey/manifest.csv" --settings "$tmp/survey/settings.json" --out "$tmp/cluster" --slurm ||
  fail "survey --slurm"
grep -q '^#SBATCH --array=0-2$' "$tmp/cluster/survey.sbatch" || fail "the script is no array of three tasks"
sbatch --wait --quiet "$tmp/cluster/survey.sbatch" || {
  cat "$tmp"/cluster/slurm-*.out "$tmp/slurmd.log" >&2 2>/dev/null
  fail "sbatch --wait"
}
"$cli" survey --merge "$tmp/cluster" || fail "survey --merge"

"$cli" survey "$tmp/survey/manifest.csv" --settings "$tmp/survey/settings.json" --out "$tmp/local" --jobs 2 ||
  fail "the local survey"
for file in summary.csv summary.geojson survey.json; do
  cmp "$tmp/cluster/$file" "$tmp/local/$file" || fail "$file differs between the cluster and the local run"
done
for station in STN11 SAF STN12; do
  cmp "$tmp/cluster/$station/report.json" "$tmp/local/$station/report.json" || fail "$station/report.json differs"
done
[ -s "$tmp/cluster/map.png" ] || fail "no map"
echo "PASS: three stations on a one-node Slurm cluster, merged equal to the local run"
