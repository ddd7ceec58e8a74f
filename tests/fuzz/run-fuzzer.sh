#!/usr/bin/env bash
# Runs one fuzz target for a bounded time:
#   run-fuzzer.sh FUZZER SECONDS WORKDIR SEEDS
# New inputs are kept in WORKDIR/corpus, and an input that crashes, leaks or
# takes more than ten seconds is written to WORKDIR as crash-*, leak-* or
# timeout-* and fails the run.
set -euo pipefail
fuzzer=$1 seconds=$2 workdir=$3 seeds=$4
mkdir -p "$workdir/corpus"
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
  -print_final_stats=1 -artifact_prefix="$workdir/" "$workdir/corpus" "$seeds"
