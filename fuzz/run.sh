#!/usr/bin/env bash
# Builds the fuzz harnesses with clang into build-fuzz/ and runs each one for a bounded
# time (SLEEVANE_FUZZ_SECONDS, 60 by default), one per core (two to four at a time), from
# its seeds: the files of tests/data that its reader takes, fuzz/seeds/, and what earlier
# runs kept in build-fuzz/corpus/. Fails on any finding (crash, sanitizer report, leak, an
# input that runs longer than 10 s or takes more than 2 GB); the input is left in
# build-fuzz/findings/ and belongs in tests/data/bad/ with a regression test once fixed.
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
seed layout '' resources/layouts/*.layout tests/data/bad/layout/* fuzz/seeds/layout/*
seed bitmap '\000' tests/data/bmp/*.bmp tests/data/bad/bmp/*.bmp resources/pictures/*.bmp
seed bitmap '\001' tests/data/bad/bmp/empty.bmp
seed jpeg '' fuzz/seeds/jpeg/*
seed jpeg '\000' tests/data/bad/jpeg/*
seed emf '' tests/data/emf/*.emf tests/data/bad/emf/*.emf fuzz/seeds/emf/*
seed wmf '' tests/data/emf/*.wmf tests/data/bad/emf/*.wmf fuzz/seeds/wmf/*
seed rpp '' tests/data/bad/rpp/*
seed splay '\377' tests/data/bad/rpp/compressed-*

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen

run() { # run NAME: one harness for the time allowed; its log in build-fuzz/logs/NAME.log
    local name=$1
    mkdir -p "$dir/corpus/$name" "$dir/findings" "$dir/logs"
    local extra=()
    [ -f "fuzz/$name.dict" ] && extra=(-dict="fuzz/$name.dict")
    "$dir/fuzz/fuzz_$name" "$dir/corpus/$name" "$dir/seeds/$name" "${extra[@]}" \
        -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=2048 -timeout=10 \
        -max_len=16384 -print_final_stats=1 \
        -artifact_prefix="$dir/findings/$name-" > "$dir/logs/$name.log" 2>&1
}

failed=()
harnesses=(emf wmf bitmap jpeg layout rpp splay)
# Each harness runs on one core and may take up to 2 GB: two to four at a time.
parallel=$(nproc)
[ "$parallel" -lt 2 ] && parallel=2
[ "$parallel" -gt 4 ] && parallel=4
for ((i = 0; i < ${#harnesses[@]}; i += parallel)); do
    pids=()
    for name in "${harnesses[@]:i:parallel}"; do
        run "$name" &
        pids+=("$!:$name")
    done
    for entry in "${pids[@]}"; do
        if ! wait "${entry%%:*}"; then
            failed+=("${entry#*:}")
        fi
    done
done
finished=$(date +%s)

for name in "${harnesses[@]}"; do
    grep -E "^(stat::number_of_executed_units|Done [0-9]+ runs)" "$dir/logs/$name.log" |
        sed "s/^/$name: /" || true
done
echo "Fuzzing: build $((built - started)) s, runs $((finished - built)) s"
if [ ${#failed[@]} -gt 0 ]; then
    for name in "${failed[@]}"; do
        echo "==== fuzz_$name found a fault (input in $dir/findings/):"
        grep -v -E "^(#[0-9]+|INFO:|MS:)" "$dir/logs/$name.log" | tail -60
    done
    exit 1
fi
