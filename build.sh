#!/usr/bin/env bash
# Kestrel's one entry point for newcomers and CI.
#   ./build.sh run    install what is needed, build, and start Kestrel
#   ./build.sh test   install what is needed, build, and run every test
#   ./build.sh build  build only (no package installation)
set -euo pipefail
cd "$(dirname "$0")"

BUILD_DIR=${KESTREL_BUILD_DIR:-build}
PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
    libgtest-dev googletest libbenchmark-dev
    wine wine64 g++-mingw-w64-x86-64-win32 gcc-mingw-w64-x86-64-win32
    clang libclang-rt-14-dev libyaml-cpp-dev
    libsqlite3-dev attr xvfb xauth x11-utils imagemagick fonts-dejavu-core
)

install_packages() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "Installing packages needs root; run as root or install: ${PACKAGES[*]}" >&2
        return 0
    fi
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${PACKAGES[@]}"
}

build() {
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$BUILD_DIR" --parallel "$(nproc)"
}

case "${1:-run}" in
run)
    install_packages
    build
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No display: starting Kestrel under Xvfb (xvfb-run)."
        exec xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD_DIR/app/kestrel"
    fi
    exec "$BUILD_DIR/app/kestrel"
    ;;
test)
    install_packages
    build
    ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)"
    ;;
build)
    build
    ;;
*)
    echo "usage: $0 run|test|build" >&2
    exit 2
    ;;
esac
