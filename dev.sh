#!/bin/sh
# Sets up a Debian 12 machine for Vorrel, builds it, and runs it or its tests.
#
#   ./dev.sh run     install what is missing, build, start the program
#   ./dev.sh test    install what is missing, build, run every test
set -eu

cd "$(dirname "$0")"
ROOT=$(pwd)
BUILD="$ROOT/build"

PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libgtest-dev fonts-dejavu-core fonts-wqy-microhei"

install_missing() {
    missing=""
    for p in $PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
}

build() {
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORREL_WERROR=ON "$@"
    cmake --build "$BUILD" --parallel
}

case "${1:-}" in
    run)
        install_missing
        build -DVORREL_BUILD_TESTS=OFF
        # The language folder is found from the working directory.
        cd "$BUILD/vorrel"
        exec ./vorrel
        ;;
    test)
        install_missing
        build -DVORREL_BUILD_TESTS=ON
        QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD" --output-on-failure --parallel 2
        ;;
    *)
        echo "usage: $0 run | test" >&2
        exit 2
        ;;
esac
