# Shared set-up for scripts/run, scripts/test and scripts/bench: installs what is
# missing, configures and builds into build/, and prepares the Wine prefixes.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BREVITEX_BUILD_DIR:-$ROOT/build}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

is_windows() {
  case "$(uname -s)" in MINGW*|MSYS*|CYGWIN*) return 0 ;; *) return 1 ;; esac
}

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the Debian packages that are not there yet (nothing when all are).
ensure_packages() {
  is_windows && return 0
  local wanted=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 cmake make
                wine wine64 xvfb xauth googletest fonts-wqy-microhei "$@")
  local missing=()
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  ensure_locale
}

# The tests and the benchmark run Wine under zh_CN.UTF-8: without that locale
# Wine falls back to ASCII file names and cannot create Chinese ones.
ensure_locale() {
  locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' && return 0
  dpkg-query -W -f='${Status}' locales 2>/dev/null | grep -q 'install ok installed' || {
    as_root apt-get update -qq
    DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends locales
  }
  echo "Generating locale zh_CN.UTF-8"
  as_root localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
}

# Configures (once) and builds the program, the tests and the benchmark.
build_all() {
  if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    if is_windows; then
      cmake -S "$ROOT" -B "$BUILD" -G "MinGW Makefiles" -DCMAKE_BUILD_TYPE=Release
    else
      cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake"
    fi
  fi
  cmake --build "$BUILD" -j "$(nproc 2>/dev/null || echo 2)"
}

# Creates a Wine prefix of the project's own (never ~/.wine) with fonts that
# render Chinese menus and dialogs. Usage: ensure_prefix <dir>
ensure_prefix() {
  local prefix="$1"
  is_windows && return 0
  if [ ! -f "$prefix/.brevitex-ready-3" ]; then
    echo "Preparing Wine prefix $prefix"
    mkdir -p "$prefix"
    WINEPREFIX="$prefix" wineboot -i >/dev/null 2>&1 || true
    local key='HKCU\Software\Wine\Fonts\Replacements'
    for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "SimSun"; do
      WINEPREFIX="$prefix" wine reg add "$key" /v "$face" /t REG_SZ /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
    done
    # Unmanaged windows: Wine draws every caption and frame itself, as the
    # device's shell does (the layer's caption OK buttons live there), and
    # without a window manager (Xvfb) it does not wait two seconds whenever
    # the active window is hidden or destroyed.
    WINEPREFIX="$prefix" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w
    touch "$prefix/.brevitex-ready-3"
  fi
}
