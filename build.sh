#!/usr/bin/env bash
# Set-up, build and start of the cover editor on Debian 12.
#   ./build.sh run              install what is missing, build, start the editor
#   ./build.sh test             install what is missing, build, run every test
#   ./build.sh test --sanitize  the same with AddressSanitizer and UndefinedBehaviorSanitizer
# The plain test run ends with the fuzz step (fuzz/run.sh): every reader's harness built with
# clang into build-fuzz/ and run for a bounded time; any finding fails the run.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
# Compiler cache keyed on paths inside the checkout, so that another clone or work tree of
# the same sources reuses what was compiled.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1

# The tests also need: the office suite's converter (another program that renders our
# metafiles), GNU time (peak memory of the picture tool), clang with libFuzzer (fuzzing),
# and Type 1 and OpenType faces (the URW set) that turned texts must print in.
PACKAGES=(cmake g++ ninja-build ccache qt6-base-dev qt6-qpa-plugins libjpeg62-turbo-dev
          libjpeg-turbo-progs libgtest-dev libgmock-dev libbenchmark-dev fonts-liberation2
          fonts-dejavu-core fonts-urw-base35 xvfb xauth x11-utils xdotool poppler-utils imagemagick
          cups printer-driver-cups-pdf libcups2-dev libqpdf-dev libreoffice-draw-nogui time clang
          libclang-rt-14-dev)

# The language tools that compile the catalogues, and Qt's own catalogues for its dialogs;
# python3 writes the layouts' texts for lupdate.
PACKAGES+=(qt6-l10n-tools qt6-tools-dev qt6-translations-l10n python3)

# Tags and lengths of audio files, for track lists brought in from a folder.
PACKAGES+=(libtag1-dev pkg-config)

install_missing() {
    local missing=() p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

build() { # build DIR [cmake options...]
    local dir=$1; shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S . -B "$dir" -G Ninja "$@"
    fi
    cmake --build "$dir" -j "$(nproc)"
}

mode=${1:-}
case "$mode" in
run)
    install_missing
    build build
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No display found: starting the editor inside Xvfb."
        exec xvfb-run -a -s "-screen 0 1280x1024x24" ./build/app/sleevane
    fi
    exec ./build/app/sleevane
    ;;
test)
    install_missing
    if [ "${2:-}" = "--sanitize" ]; then
        dir=build-sanitize
        build "$dir" -DCMAKE_BUILD_TYPE=Debug -DSLEEVANE_SANITIZE=ON -DSLEEVANE_BENCH=OFF
        export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
        export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
        export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
    else
        dir=build
        build "$dir"
    fi
    # The printing tests print through a real queue of a print server of their own,
    # stopped again however the tests end.
    cupsd_script=$PWD/tests/support/cupsd.sh
    trap '"$cupsd_script" stop "$dir" || true' EXIT
    eval "$("$cupsd_script" start "$dir")"
    (cd "$dir" && ctest --output-on-failure -j "$(nproc)")
    if [ "$dir" = build ]; then
        fuzz/run.sh
    fi
    ;;
*)
    echo "usage: $0 run | test [--sanitize]" >&2
    exit 2
    ;;
esac
