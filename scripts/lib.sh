# Shared set-up for scripts/run, scripts/test and scripts/bench: installs what is
# missing, configures and builds into build/, and prepares the Wine prefixes.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# BREVITEX_ARCH picks the target: x86_64 (the default, build/) or i686, the
# device's 32-bit build (build-i686/).
case "${BREVITEX_ARCH:-x86_64}" in
  x86_64|x64|amd64) ARCH=x86_64; BUILD_NAME=build ;;
  i686|i386|x86|win32) ARCH=i686; BUILD_NAME=build-i686 ;;
  *) echo "BREVITEX_ARCH=${BREVITEX_ARCH}: expected x86_64 or i686" >&2; exit 2 ;;
esac
BUILD="${BREVITEX_BUILD_DIR:-$ROOT/$BUILD_NAME}"
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
  local compiler=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64)
  [ "$ARCH" = i686 ] && compiler=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686)
  local wanted=("${compiler[@]}" cmake make
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
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-$ARCH.cmake"
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

# Whether this machine's kernel runs 32-bit x86 programs: runs a 96-byte static
# i386 program that exits with 42 (a kernel without 32-bit support refuses it
# with "Exec format error").
kernel_runs_32bit() {
  local probe status=0
  probe="$(mktemp "${TMPDIR:-/tmp}/brevitex-i386.XXXXXX")"
  # ELF header, one loadable segment at 0x08048000, then: mov eax,1; mov ebx,42; int 0x80.
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08'\
'\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'\
'\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00'\
'\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ]
}

# Whether Wine can start 32-bit programs: Debian's wine64 alone cannot, it needs
# wine32 from the i386 architecture.
have_wine32() {
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'
}

# Adds the i386 architecture and installs wine32. Only on request
# (BREVITEX_INSTALL_WINE32=1) and only where the kernel runs 32-bit programs:
# on a machine whose kernel refused them, installing it broke the 64-bit wine.
ensure_wine32() {
  have_wine32 && return 0
  [ "${BREVITEX_INSTALL_WINE32:-0}" = 1 ] || return 1
  kernel_runs_32bit || return 1
  echo "Installing wine32:i386 (adds the i386 architecture)"
  as_root dpkg --add-architecture i386
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends wine32:i386
  # Wine must still start programs (in a prefix of the build's own).
  if ! WINEPREFIX="$BUILD/wine/wine32-check" wine cmd /c exit >/dev/null 2>&1; then
    echo "wine no longer starts programs after wine32 was installed" >&2
    return 1
  fi
}

# Says why the 32-bit tests cannot run here, or nothing when they can.
# Usage: reason=$(why_no_32bit_run)
why_no_32bit_run() {
  if ! kernel_runs_32bit; then
    echo "this machine's kernel does not run 32-bit programs (a 32-bit test program was refused), so 32-bit Wine cannot start the tests; they need a kernel with 32-bit support"
  elif ! ensure_wine32; then
    echo "32-bit Wine (wine32:i386) is not installed; BREVITEX_INSTALL_WINE32=1 lets scripts/test add the i386 architecture and install it"
  fi
  return 0
}
