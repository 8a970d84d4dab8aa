#!/bin/sh
# Sets up a Debian 12 machine for Vorrel, builds it, and runs it or its tests.
#
#   ./dev.sh run          install what is missing, build, start the program
#   ./dev.sh test         install what is missing, build, run every test: the
#                         suite, the same under the sanitizers, each fuzz
#                         target briefly
#   ./dev.sh bench        install what is missing, build, time the program at
#                         1,000, 10,000 and 100,000 entries
#   ./dev.sh fuzz         install what is missing, run each fuzz target for 60 s
#   ./dev.sh package      install what is missing, build build/vorrel_<version>_<arch>.deb
#                         and check it with lintian
#   ./dev.sh install DIR  install what is missing, build, lay out the program in
#                         DIR and add it to the desktop's menu for this user
#
# VORREL_BUILD names another build folder than build/.
set -eu

cd "$(dirname "$0")"
ROOT=$(pwd)
BUILD="${VORREL_BUILD:-$ROOT/build}"
APP_ID=org.example.vorrel

# The first line: the build, Qt's own translations, libsodium, libcsv and libzxcvbn (the
# passphrase strength meter); the second: what the end-to-end tests drive the program
# with; the third: the fuzzers' compiler; the fourth: the Debian package's making
# (CPack runs dpkg-shlibdeps and file) and its checks, the manual page's reader.
PACKAGES="cmake ninja-build g++ make pkg-config qt6-base-dev qt6-translations-l10n libsodium-dev libcsv-dev libzxcvbn-dev libgl-dev libgtest-dev fonts-dejavu-core fonts-wqy-microhei
    python3 xvfb openbox trayer xdotool xclip x11-utils imagemagick dbus
    clang libclang-rt-14-dev
    dpkg-dev file lintian appstream desktop-file-utils man-db"

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

# Escapes a path for a quoted argument of a desktop entry's Exec key.
exec_quote() {
    printf '%s' "$1" | sed -e 's/\\/\\\\\\\\/g' -e 's/["`$]/\\\\&/g' -e 's/%/%%/g'
}

# The desktop entry and icon for this user, pointing at the program in $1.
register_desktop_entry() {
    data="${XDG_DATA_HOME:-$HOME/.local/share}"
    mkdir -p "$data/applications"
    # Started in its own folder: the language files are found from the working directory.
    while IFS= read -r line; do
        case $line in
            Exec=*) printf 'Exec="%s"\nPath=%s\n' "$(exec_quote "$1/vorrel")" \
                        "$(printf '%s' "$1" | sed -e 's/\\/\\\\/g')" ;;
            Path=*) ;;
            *) printf '%s\n' "$line" ;;
        esac
    done <"$ROOT/desktop/$APP_ID.desktop" >"$data/applications/$APP_ID.desktop"
    # The entry's name before it took the reverse-DNS id: one menu item, not two.
    rm -f "$data/applications/vorrel.desktop"
    for size in 16 32 48 64 128 256; do
        mkdir -p "$data/icons/hicolor/${size}x$size/apps"
        cp "$ROOT/icons/vorrel-$size.png" "$data/icons/hicolor/${size}x$size/apps/$APP_ID.png"
    done
    mkdir -p "$data/icons/hicolor/scalable/apps"
    cp "$ROOT/icons/vorrel.svg" "$data/icons/hicolor/scalable/apps/$APP_ID.svg"
    if command -v update-desktop-database >/dev/null 2>&1; then
        update-desktop-database "$data/applications" || true
    fi
    printf 'Added %s\n' "$data/applications/$APP_ID.desktop"
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
        build -DVORREL_BUILD_TESTS=ON -DVORREL_E2E=ON
        QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD" --output-on-failure --parallel 2
        # The same suite with AddressSanitizer and UndefinedBehaviorSanitizer,
        # then each fuzz target for ten seconds after replaying its corpus.
        "$ROOT/tools/sanitizers.sh"
        "$ROOT/tools/fuzz.sh" 10
        ;;
    bench)
        install_missing
        build -DVORREL_BUILD_TESTS=ON
        QT_QPA_PLATFORM=offscreen "$BUILD/bench/vorrel_bench"
        ;;
    fuzz)
        install_missing
        "$ROOT/tools/fuzz.sh" 60
        ;;
    package)
        install_missing
        build -DVORREL_BUILD_TESTS=OFF
        rm -f "$BUILD"/vorrel_*.deb
        (cd "$BUILD" && cpack)
        # Fails on an error; the warnings left, and why, are in the README.
        lintian --fail-on error "$BUILD"/vorrel_*.deb
        ;;
    install)
        if [ $# -ne 2 ] || [ -z "$2" ]; then
            echo "usage: $0 install DIR" >&2
            exit 2
        fi
        install_missing
        build -DVORREL_BUILD_TESTS=OFF
        mkdir -p "$2"
        DIR=$(cd "$2" && pwd)
        # The program and its texts are replaced; users/, data/ and vorrel.ini are kept.
        cp "$BUILD/vorrel/vorrel" "$DIR/vorrel.new"
        mv -f "$DIR/vorrel.new" "$DIR/vorrel"
        rm -rf "$DIR/language"
        cp -R "$ROOT/language" "$DIR/language"
        mkdir -p "$DIR/data"
        register_desktop_entry "$DIR"
        printf 'Vorrel is installed in %s\n' "$DIR"
        ;;
    *)
        echo "usage: $0 run | test | bench | fuzz | package | install DIR" >&2
        exit 2
        ;;
esac
