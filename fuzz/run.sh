#!/usr/bin/env bash
# Builds the fuzz harnesses with clang into build-fuzz/ and runs them, one per core (two to
# four at a time). First each harness plays every kept input once, deterministically: the
# files of tests/data that its reader takes, fuzz/seeds/ and what earlier runs left in
# build-fuzz/findings/. Only then does each explore for a bounded time (SLEEVANE_FUZZ_SECONDS,
# 60 by default, less the time the replay took) from those and what earlier runs kept in
# build-fuzz/corpus/. Fails on any finding (crash, sanitizer report, leak, an input that runs
# longer than 10 s or takes more than 2 GB); the input is left in build-fuzz/findings/ and
# belongs in tests/data/bad/ and fuzz/seeds/ with a regression test once fixed.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
root=$PWD
seconds=${SLEEVANE_FUZZ_SECONDS:-60}
dir=$root/build-fuzz

started=$(date +%s)
if [ ! -f "$dir/build.ninja" ]; then
    # Light optimisation and line tables only: quick to build, stacks still name their lines.
    CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" \
        -DSLEEVANE_FUZZ=ON -DSLEEVANE_TESTS=OFF -DSLEEVANE_BENCH=OFF
fi
cmake --build "$dir" -j "$(nproc)" --target fuzzers
built=$(date +%s)

# seed NAME PREFIX FILES...: copies files into the harness's seed folder, each behind the
# prefix bytes its harness reads first.
seed() {
    local name=$1 prefix=$2 f
    shift 2
    mkdir -p "$dir/seeds/$name"
    for f in "$@"; do
        [ -f "$f" ] || continue
        { printf "$prefix"; cat "$f"; } > "$dir/seeds/$name/$(basename "$f")"
    done
}
rm -rf "$dir/seeds"
seed layout '' resources/layouts/*.layout report/resources/layouts/*.layout tests/data/bad/layout/* fuzz/seeds/layout/*
seed bitmap '\000' tests/data/bmp/*.bmp tests/data/bad/bmp/*.bmp resources/pictures/*.bmp
seed bitmap '\001' tests/data/bad/bmp/empty.bmp
seed bitmap '\003' tests/data/bad/png/* tests/data/pictures/*.png fuzz/seeds/png/*
seed bitmap '\004' tests/data/pictures/*.gif
seed bitmap '' fuzz/seeds/bitmap/*
seed jpeg '' fuzz/seeds/jpeg/*
seed jpeg '\000' tests/data/bad/jpeg/*
seed emf '' tests/data/emf/*.emf tests/data/bad/emf/*.emf fuzz/seeds/emf/*
seed wmf '' tests/data/emf/*.wmf tests/data/bad/emf/*.wmf fuzz/seeds/wmf/*
seed rpp '' tests/data/bad/rpp/* tests/data/rpp/*.rpp fuzz/seeds/rpp/*
seed splay '\377' tests/data/bad/rpp/compressed-*
# What earlier runs found, fixed or not, is played again too (its name begins with its
# harness's).
for f in "$dir"/findings/*; do
    [ -f "$f" ] || continue
    name=$(basename "$f")
    name=${name%%-*}
    if [ -d "$dir/seeds/$name" ]; then
        cp "$f" "$dir/seeds/$name/finding-$(basename "$f")"
    fi
done

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen

limits=(-rss_limit_mb=2048 -malloc_limit_mb=2048 -timeout=10)

replay() { # replay NAME: every kept input of one harness played once, in a fixed order
    local name=$1
    mkdir -p "$dir/logs"
    local inputs=()
    mapfile -t inputs < <(find "$dir/seeds/$name" -type f | LC_ALL=C sort)
    [ ${#inputs[@]} -eq 0 ] && return 0
    "$dir/fuzz/fuzz_$name" "${limits[@]}" "${inputs[@]}" > "$dir/logs/$name-replay.log" 2>&1
}

run() { # run NAME: one harness for the time allowed; its log in build-fuzz/logs/NAME.log
    local name=$1
    mkdir -p "$dir/corpus/$name" "$dir/findings" "$dir/logs"
    local extra=()
    [ -f "fuzz/$name.dict" ] && extra=(-dict="fuzz/$name.dict")
    "$dir/fuzz/fuzz_$name" "$dir/corpus/$name" "$dir/seeds/$name" "${extra[@]}" "${limits[@]}" \
        -max_total_time="$explore" -max_len=16384 -print_final_stats=1 \
        -artifact_prefix="$dir/findings/$name-" > "$dir/logs/$name.log" 2>&1
}

# in_parallel FUNCTION: the function for every harness, two to four at a time (each on one
# core, taking up to 2 GB); the names of the harnesses it failed for in failed[].
in_parallel() {
    local fn=$1 i name entry pids
    for ((i = 0; i < ${#harnesses[@]}; i += parallel)); do
        pids=()
        for name in "${harnesses[@]:i:parallel}"; do
            "$fn" "$name" &
            pids+=("$!:$name")
        done
        for entry in "${pids[@]}"; do
            if ! wait "${entry%%:*}"; then
                failed+=("${entry#*:}")
            fi
        done
    done
}

failed=()
harnesses=(emf wmf bitmap jpeg layout rpp splay)
parallel=$(nproc)
[ "$parallel" -lt 2 ] && parallel=2
[ "$parallel" -gt 4 ] && parallel=4

in_parallel replay
replayed=$(date +%s)
if [ ${#failed[@]} -gt 0 ]; then
    for name in "${failed[@]}"; do
        echo "==== fuzz_$name fails on a kept input:"
        grep -v -E "^(INFO:|MS:)" "$dir/logs/$name-replay.log" | tail -60
    done
    exit 1
fi

# The replay's time comes out of the exploring, so the whole step takes no longer for it.
rounds=$(((${#harnesses[@]} + parallel - 1) / parallel))
explore=$((seconds - (replayed - built + rounds - 1) / rounds))
[ "$explore" -lt 10 ] && explore=10
in_parallel run
finished=$(date +%s)

for name in "${harnesses[@]}"; do
    grep -E "^(stat::number_of_executed_units|Done [0-9]+ runs)" "$dir/logs/$name.log" |
        sed "s/^/$name: /" || true
done
echo "Fuzzing: build $((built - started)) s, replay $((replayed - built)) s," \
    "runs $((finished - replayed)) s ($explore s each)"
if [ ${#failed[@]} -gt 0 ]; then
    for name in "${failed[@]}"; do
        echo "==== fuzz_$name found a fault (input in $dir/findings/):"
        grep -v -E "^(#[0-9]+|INFO:|MS:)" "$dir/logs/$name.log" | tail -60
    done
    exit 1
fi
