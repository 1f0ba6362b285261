#!/usr/bin/env bash
# cgroup_memory.sh [BUILD_DIR]: runs each memory sequence of bench/bench_memory.cpp
# (bench_memory --list) once inside a real control group of its limit, without
# swap, and checks that the process finished and was never killed for memory.
# The group is made in cgroup v2 (memory.max) or, where the memory controller
# is on cgroup v1, beside this shell's own group (memory.limit_in_bytes);
# where neither can be made (not root, no memory controller) it says so and
# skips. BUILD_DIR (default build-bench) holds bin/bench_memory and is built
# when it does not. About a minute; not part of scripts/test.sh.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build-bench}"
[[ "$build" = /* ]] || build="$root/$build"
bench="$build/bin/bench_memory"
if [[ ! -x "$bench" ]]; then
    bash "$root/scripts/build.sh" "${build#"$root"/}" Release -DTOLVANE_BUILD_TESTS=OFF -DTOLVANE_BUILD_BENCH=ON
fi
export QT_QPA_PLATFORM=offscreen

skip() {
    echo "cgroup_memory: skipped: $*"
    exit 0
}

# Where groups can be made: "v2 PARENT" or "v1 PARENT".
find_parent() {
    local unified v1
    unified="$(awk '$3 == "cgroup2" { print $2; exit }' /proc/mounts)"
    if [[ -n "$unified" && -w "$unified" ]] && grep -qw memory "$unified/cgroup.controllers" 2>/dev/null; then
        # Groups under the root may take the memory controller; the root's
        # own processes do not stand in the way.
        if grep -qw memory "$unified/cgroup.subtree_control" ||
            echo +memory >"$unified/cgroup.subtree_control" 2>/dev/null; then
            echo "v2 $unified"
            return
        fi
    fi
    v1="$(awk -F: '$2 ~ /(^|,)memory(,|$)/ { print $3; exit }' /proc/self/cgroup)"
    if [[ -n "$v1" && -w "/sys/fs/cgroup/memory$v1" ]]; then
        echo "v1 /sys/fs/cgroup/memory${v1%/}"
        return
    fi
}

read -r version parent <<<"$(find_parent)" || true
[[ -n "${version:-}" ]] || skip "no control group with a memory limit can be made here (needs root and a memory controller)"

group=""
cleanup() {
    [[ -n "$group" && -d "$group" ]] && rmdir "$group" 2>/dev/null || true
}
trap cleanup EXIT

"$bench" --write-photos # outside the group: the photos' pages are not charged to it
failures=0
runs=0
while read -r index limit name; do
    group="$parent/tolvane-memory-$$-$runs"
    mkdir "$group" || skip "cannot make a control group in $parent"
    bytes=$((limit * 1024 * 1024))
    if [[ "$version" == v2 ]]; then
        echo "$bytes" >"$group/memory.max"
        [[ -f "$group/memory.swap.max" ]] && echo 0 >"$group/memory.swap.max"
    else
        echo "$bytes" >"$group/memory.limit_in_bytes"
        [[ -f "$group/memory.memsw.limit_in_bytes" ]] && echo "$bytes" >"$group/memory.memsw.limit_in_bytes"
    fi
    status=0
    output="$(
        if [[ "$version" == v2 ]]; then echo $BASHPID >"$group/cgroup.procs"; else echo $BASHPID >"$group/tasks"; fi
        exec "$bench" --sequence "$index" 2>&1
    )" || status=$?
    if [[ "$version" == v2 ]]; then
        killed="$(awk '$1 == "oom_kill" { print $2 }' "$group/memory.events")"
        peak="$(cat "$group/memory.peak" 2>/dev/null || echo 0)"
    else
        killed="$(awk '$1 == "oom_kill" { print $2 }' "$group/memory.oom_control")"
        peak="$(cat "$group/memory.max_usage_in_bytes")"
    fi
    rmdir "$group"
    group=""
    runs=$((runs + 1))
    line="$(grep -F -- "$name:" <<<"$output" || true)"
    if [[ "$status" -ne 0 || "${killed:-0}" -ne 0 || -z "$line" ]]; then
        failures=$((failures + 1))
        echo "FAILED $limit MiB ($version): $name: exit $status, killed for memory ${killed:-0} times"
        echo "$output" | tail -n 5
    else
        echo "ok $limit MiB ($version): $line, group peak $((peak / 1024 / 1024)) MiB"
    fi
done < <("$bench" --list)
"$bench" --remove-photos
echo "cgroup_memory: $((runs - failures)) passed, $failures failed"
[[ "$failures" -eq 0 ]]
