#!/usr/bin/env bash
# A one-node Slurm cluster on localhost whose every file lives under one folder.
#
#   local-slurm.sh start DIR   write the configuration into DIR, start munged, slurmctld and
#                              slurmd, wait until a job runs, print `export` lines on stdout
#   local-slurm.sh stop DIR    stop every daemon started for DIR (idempotent, deletes nothing)
#
# Works as root and as an ordinary user (then the daemons and the jobs run as that user).
# No cgroups, no systemd, no accounting database: enough for a container.
# Needs the Debian packages slurm-wlm and munge.
set -euo pipefail

PATH="$PATH:/usr/sbin:/sbin"
readonly NODE=localnode PARTITION=local
# Marks every daemon (and the slurmstepd processes slurmd forks) so that `stop` can find
# stragglers of this cluster only.
readonly MARK=LOCAL_SLURM_DIR

say() { printf 'local-slurm: %s\n' "$*" >&2; }
die() { say "$*"; exit 1; }

usage() {
    echo "usage: $0 start DIR | stop DIR" >&2
    exit 2
}

# Paths under DIR; the socket paths must stay short (sun_path holds 108 bytes).
set_paths() {
    DIR=$(realpath -m -- "$1")
    CONF=$DIR/slurm.conf
    MUNGE_DIR=$DIR/munge
    MUNGE_SOCKET=$MUNGE_DIR/munge.socket
    LOG_DIR=$DIR/log
    RUN_DIR=$DIR/run
}

# --- start ---------------------------------------------------------------------------------

port_in_use() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# A free port at or after a start derived from DIR, so that two clusters rarely collide and
# the default 6817/6818 are never taken. Below the kernel's ephemeral range (32768 and up).
free_port() {
    local port=$1
    while port_in_use "$port"; do port=$((port + 1)); done
    echo "$port"
}

# Memory the node offers: a little under what is available now, so slurmd never finds less
# than it was told.
node_memory_mb() {
    local avail_kb
    avail_kb=$(awk '/^MemAvailable:/ {print $2}' /proc/meminfo)
    echo $((avail_kb * 9 / 10 / 1024))
}

write_config() {
    local user cpus mem seed ctld_port slurmd_port
    user=$(id -un)
    cpus=$(nproc)
    mem=$(node_memory_mb)
    seed=$(printf '%s' "$DIR" | cksum | cut -d' ' -f1)
    ctld_port=$(free_port $((20000 + seed % 5000 * 2)))
    slurmd_port=$(free_port $((ctld_port + 1)))

    mkdir -p "$MUNGE_DIR" "$LOG_DIR" "$RUN_DIR" "$DIR/state" "$DIR/spool" "$DIR/tmp"
    chmod 700 "$MUNGE_DIR"
    if [[ ! -s $MUNGE_DIR/munge.key ]]; then
        (umask 077 && head -c 1024 /dev/urandom >"$MUNGE_DIR/munge.key")
    fi
    : >"$DIR/plugstack.conf"   # keeps /etc/slurm/plugstack.conf out

    cat >"$CONF" <<EOF
# Written by local-slurm.sh for $DIR
ClusterName=local
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
SlurmUser=$user
SlurmdUser=$user
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$MUNGE_SOCKET
StateSaveLocation=$DIR/state
SlurmdSpoolDir=$DIR/spool
TmpFS=$DIR/tmp
SlurmctldPidFile=$RUN_DIR/slurmctld.pid
SlurmdPidFile=$RUN_DIR/slurmd.pid
SlurmctldLogFile=$LOG_DIR/slurmctld.log
SlurmdLogFile=$LOG_DIR/slurmd.log
SlurmctldDebug=info
SlurmdDebug=info
PlugStackConfig=$DIR/plugstack.conf
# No cgroups: processes are tracked through /proc, tasks are not bound.
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SwitchType=switch/none
# Several jobs share the node; cores and memory are what is counted.
SchedulerType=sched/backfill
# Batch jobs start at the next pass, not up to 3 s after they were submitted.
SchedulerParameters=batch_sched_delay=0
SelectType=select/cons_tres
SelectTypeParameters=CR_Core_Memory
# Without a default a job that names no memory would hold all of it.
DefMemPerCPU=$((mem / cpus))
ReturnToService=2
InactiveLimit=0
KillWait=5
MinJobAge=300
Waittime=0
MailProg=/bin/true
NodeName=$NODE NodeHostname=localhost NodeAddr=127.0.0.1 CPUs=$cpus RealMemory=$mem State=UNKNOWN
PartitionName=$PARTITION Nodes=$NODE Default=YES MaxTime=INFINITE State=UP
EOF
}

# Prints the logs given and the end of the daemon's stderr (which mirrors its log, but also
# holds what it said before it could open the log), then stops whatever already runs.
fail_with_log() {
    local name=$1 f
    shift
    say "$name did not start; its log follows"
    for f in "$@"; do
        if [[ -s $f ]]; then
            echo "==> $f <==" >&2
            cat "$f" >&2
        fi
    done
    if [[ -s $LOG_DIR/$name.out && " $* " != *" $LOG_DIR/$name.out "* ]]; then
        echo "==> $LOG_DIR/$name.out (last lines) <==" >&2
        tail -n 10 "$LOG_DIR/$name.out" >&2
    fi
    stop_cluster >/dev/null 2>&1 || true
    exit 1
}

# True while pid $1 runs (a zombie does not).
running() {
    local stat
    read -r stat 2>/dev/null <"/proc/$1/stat" && [[ ${stat##*) } != Z* ]]
}

# Starts a daemon in the foreground of its own session, so that its pid is known at once and
# its death is seen at once; it outlives this script. Messages it prints before it opens its
# log go to log/NAME.out.
launch() {
    local name=$1
    shift
    setsid env "$MARK=$DIR" "$@" </dev/null >"$LOG_DIR/$name.out" 2>&1 &
    LAUNCHED=$!
}

# Waits up to $1 seconds for the command after it to succeed while pid $2 runs.
wait_for() {
    local seconds=$1 pid=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    while ((SECONDS < deadline)); do
        "$@" >/dev/null 2>&1 && return 0
        running "$pid" || return 1
        sleep 0.1
    done
    return 1
}

# Waits up to 30 s for the node to be idle; gives up at once when the controller refused it.
wait_node_idle() {
    local pid=$1 state deadline=$((SECONDS + 30))
    while ((SECONDS < deadline)); do
        state=$(sinfo -h -n "$NODE" -o %t 2>/dev/null)
        case $state in
        idle) return 0 ;;
        drain | inval | down*) return 1 ;;
        esac
        running "$pid" || return 1
        sleep 0.1
    done
    return 1
}

start_cluster() {
    local started=$SECONDS
    if [[ -n $(marked_pids) ]]; then die "a cluster already runs in $DIR; stop it first"; fi
    for tool in munged slurmctld slurmd sinfo scontrol sbatch; do
        command -v "$tool" >/dev/null || die "$tool not found (Debian packages: slurm-wlm munge)"
    done
    ((${#DIR} <= 80)) || die "folder path too long for the daemons' sockets: $DIR"
    write_config
    export SLURM_CONF=$CONF

    # --force: the socket folder is private to this user, which munged would refuse otherwise.
    # In the foreground munged logs to stderr only.
    launch munged munged --foreground --force \
        --socket="$MUNGE_SOCKET" --key-file="$MUNGE_DIR/munge.key" \
        --pid-file="$MUNGE_DIR/munged.pid" --seed-file="$MUNGE_DIR/munged.seed"
    wait_for 10 "$LAUNCHED" test -S "$MUNGE_SOCKET" \
        || fail_with_log munged "$LOG_DIR/munged.out"

    launch slurmctld slurmctld -D -f "$CONF"
    wait_for 30 "$LAUNCHED" scontrol ping \
        || fail_with_log slurmctld "$LOG_DIR/slurmctld.log"

    launch slurmd slurmd -D -f "$CONF" -N "$NODE"
    if ! wait_node_idle "$LAUNCHED"; then
        # The controller is the one that says why it refuses a node.
        say "node state: $(scontrol show node "$NODE" 2>&1 | grep -E 'State=|Reason=' | xargs)"
        fail_with_log slurmd "$LOG_DIR/slurmd.log" "$LOG_DIR/slurmctld.log"
    fi

    local out
    # srun rather than sbatch --wait, which polls every few seconds.
    if ! out=$(timeout 60 srun -n1 -t 1 -D "$DIR/tmp" true 2>&1); then
        say "a trivial job failed: $out"
        fail_with_log slurmd "$LOG_DIR/slurmd.log" "$LOG_DIR/slurmctld.log"
    fi
    say "up in $((SECONDS - started)) s: node $NODE, $(nproc) CPUs, $(node_memory_mb) MB (roughly)"

    printf 'export SLURM_CONF=%q\n' "$CONF"
    # libmunge reads no variable; the `munge -S` and `unmunge -S` commands need this path.
    printf 'export MUNGE_SOCKET=%q\n' "$MUNGE_SOCKET"
}

# --- stop ----------------------------------------------------------------------------------

# True while pid $1 is one of this cluster's processes and not yet a zombie.
ours() {
    running "$1" && grep -qzxF "$MARK=$DIR" "/proc/$1/environ" 2>/dev/null
}

# Pids of processes carrying this cluster's marker (daemons, slurmstepd), never this script.
# A zombie's environment reads empty, so none is listed.
marked_pids() {
    local file pid
    grep -lzxF "$MARK=$DIR" /proc/[0-9]*/environ 2>/dev/null | while read -r file; do
        pid=${file#/proc/}
        pid=${pid%/environ}
        [[ $pid == "$$" ]] || echo "$pid"
    done
}

# Marked processes and all below them: job processes carry the job's environment, not the
# marker, and outlive a killed slurmstepd when the controller could not cancel them.
leftover_pids() {
    local -A parent=() found=()
    local file stat pid rest changed=1
    for file in /proc/[0-9]*/stat; do
        read -r stat 2>/dev/null <"$file" || continue
        pid=${stat%% *}
        rest=${stat##*) }
        rest=${rest#* }
        parent[$pid]=${rest%% *}
    done
    for pid in $(marked_pids); do found[$pid]=1; done
    while ((changed)); do
        changed=0
        for pid in "${!parent[@]}"; do
            if [[ -z ${found[$pid]:-} && -n ${found[${parent[$pid]}]:-} ]]; then
                found[$pid]=1
                changed=1
            fi
        done
    done
    unset "found[$$]"
    echo "${!found[@]}"
}

# TERM to the daemons named in the pid files given, KILL to those still there after 10 s.
stop_daemons() {
    local pidfile pid pids=()
    for pidfile in "$@"; do
        [[ -s $pidfile ]] || continue
        pid=$(cat "$pidfile")
        if ours "$pid"; then pids+=("$pid"); fi
    done
    ((${#pids[@]})) || return 0
    kill -TERM "${pids[@]}" 2>/dev/null || true
    for _ in $(seq 100); do
        local alive=()
        for pid in "${pids[@]}"; do
            if ours "$pid"; then alive+=("$pid"); fi
        done
        ((${#alive[@]})) || return 0
        pids=("${alive[@]}")
        sleep 0.1
    done
    kill -KILL "${pids[@]}" 2>/dev/null || true
}

stop_cluster() {
    if [[ -f $CONF && -s $RUN_DIR/slurmctld.pid ]] && ours "$(cat "$RUN_DIR/slurmctld.pid")"; then
        # Jobs first, so that slurmstepd ends their processes.
        SLURM_CONF=$CONF timeout 10 scancel --partition="$PARTITION" >/dev/null 2>&1 || true
        for _ in $(seq 50); do
            [[ -z $(SLURM_CONF=$CONF timeout 5 squeue -h -o %i 2>/dev/null) ]] && break
            sleep 0.1
        done
    fi
    stop_daemons "$RUN_DIR/slurmd.pid" "$RUN_DIR/slurmctld.pid"
    # munged last: slurmd and slurmctld may still sign messages while they shut down.
    stop_daemons "$MUNGE_DIR/munged.pid"
    local left
    read -ra left <<<"$(leftover_pids)"
    if ((${#left[@]})); then
        say "killing what is left: ${left[*]}"
        kill -KILL "${left[@]}" 2>/dev/null || true
    fi
}

[[ $# -eq 2 ]] || usage
case $1 in
start)
    [[ -d $2 ]] || die "no such folder: $2"
    set_paths "$2"
    start_cluster
    ;;
stop)
    set_paths "$2"
    stop_cluster
    ;;
*) usage ;;
esac
