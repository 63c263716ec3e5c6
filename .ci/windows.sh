#!/usr/bin/env bash
# The Windows side of CI: cross-builds x86_64 and i686 with mingw-w64
# (warnings are errors), runs the x86_64 tests under Wine, and checks what
# the built DLLs export and import.
#
#   bash .ci/windows.sh
#
# Build directories: $WIN64_BUILD_DIR and $WIN32_BUILD_DIR (default
# build/win64 and build/win32, as the presets name them).
# The i686 build is compiled and checked but not run: 32-bit programs need
# wine32, and without it Wine exits 0 without running anything.
set -euo pipefail
cd "$(dirname "$0")/.."

win64="${WIN64_BUILD_DIR:-build/win64}"
win32="${WIN32_BUILD_DIR:-build/win32}"
jobs="$(nproc 2>/dev/null || echo 2)"

# ---- tools ---------------------------------------------------------------
need=()
for tool in cmake ctest cc localedef x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix \
            x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump wine wineserver; do
  command -v "$tool" >/dev/null 2>&1 || need+=("$tool")
done
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
[ -f /usr/share/i18n/locales/zh_CN ] || need+=(locales)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
if [ ${#need[@]} -gt 0 ]; then
  echo "windows: installing packages for: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends \
    cmake make gcc g++ libc6-dev locales googletest \
    mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
    wine wine64 >/dev/null
fi

# ---- cross builds --------------------------------------------------------
build() {  # build DIR ARCH [cmake arguments...]
  local dir="$1" arch="$2"
  shift 2
  echo "windows: building $arch in $dir"
  cmake -S . -B "$dir" --toolchain "cmake/toolchain-$arch-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DMODLINK_WERROR=ON -DMODLINK_BUILD_BENCHMARKS=OFF \
    "$@" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" -j"$jobs" >"$dir.build.log" 2>&1 || {
    grep -E "error|Error" "$dir.build.log" | head -50
    tail -20 "$dir.build.log"
    return 1
  }
}
mkdir -p "$(dirname "$win64")" "$(dirname "$win32")"
failed=0
build "$win64" x86_64 -DCMAKE_CROSSCOMPILING_EMULATOR=wine || { echo "windows: x86_64 build FAILED"; failed=1; }
build "$win32" i686 || { echo "windows: i686 build FAILED"; failed=1; }
[ "$failed" = 0 ] || exit 1

# ---- exports and imports -------------------------------------------------
# Every name in a library's .def file is exported by its plain name (no
# stdcall decoration), and no program or library needs the MinGW runtime
# DLLs (everything is linked statically).
def_exports() {  # names in the EXPORTS section of a .def file
  awk '
    { sub(/;.*/, ""); sub(/\r$/, "") }
    /^[ \t]*EXPORTS[ \t]*$/ { inside = 1; next }
    /^[ \t]*(LIBRARY|NAME|DESCRIPTION|STACKSIZE|SECTIONS|HEAPSIZE|VERSION)([ \t]|$)/ { inside = 0 }
    inside && NF { name = $1; sub(/=.*/, "", name); print name }
  ' "$1"
}
check_binaries() {  # check_binaries DIR OBJDUMP
  local dir="$1" objdump="$2" ok=0 def lib dll exported name bad
  while IFS= read -r def; do
    lib="$(awk 'toupper($1) == "LIBRARY" { print $2; exit }' "$def" | tr -d '\r"')"
    [ -n "$lib" ] || lib="$(basename "$def" .def)"
    case "$lib" in *.dll|*.DLL) ;; *) lib="$lib.dll" ;; esac
    dll="$(find "$dir" -iname "$lib" -not -path '*/wine-prefix/*' | head -1)"
    if [ -z "$dll" ]; then
      echo "windows: $def names $lib, which the build in $dir did not produce"
      ok=1
      continue
    fi
    exported="$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
                sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p')"
    local missing=0 count=0
    while IFS= read -r name; do
      count=$((count + 1))
      if ! grep -qxF "$name" <<<"$exported"; then
        echo "windows: $dll does not export $name by its plain name"
        missing=1
      fi
    done < <(def_exports "$def")
    if [ "$missing" = 0 ]; then
      echo "windows: $dll exports all $count names of $def"
    else
      ok=1
    fi
  done < <(find . -name '*.def' -not -path './build*' -not -path './.git/*' | sort)

  while IFS= read -r bin; do
    bad="$("$objdump" -p "$bin" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' |
           grep -iE '^(libgcc|libstdc\+\+|libwinpthread)' || true)"
    if [ -n "$bad" ]; then
      echo "windows: $bin needs runtime DLLs: $(echo $bad)"
      ok=1
    fi
  done < <(find "$dir" \( -name '*.dll' -o -name '*.exe' \) -not -path '*/wine-prefix/*' \
             -not -path '*/googletest/*' -not -path '*/CMakeFiles/*')
  return "$ok"
}
check_binaries "$win64" x86_64-w64-mingw32-objdump || failed=1
check_binaries "$win32" i686-w64-mingw32-objdump || failed=1
[ "$failed" = 0 ] || { echo "windows: export or import check FAILED"; exit 1; }

# ---- tests under Wine (x86_64) -------------------------------------------
# Every Windows test counts. The tests labelled platform run strictly: a
# skipped test there means the COM port mapping failed. The others may skip
# (tests of a code page other than the one Wine gives the process).
echo "windows: x86_64 tests under Wine, label platform"
tests/wine/run-tests.sh "$win64" -L platform
if ctest --test-dir "$win64" -N -LE platform 2>/dev/null | grep -qE "Total Tests: [1-9]"; then
  echo "windows: x86_64 tests under Wine, other labels"
  if ! MODLINK_WINE_ALLOW_SKIPS=1 tests/wine/run-tests.sh "$win64" -LE platform; then
    echo "windows: tests under Wine FAILED"
    exit 1
  fi
fi
# Linker warnings do not stop a build; show them.
warnings="$(grep -h "warning:" "$win64.build.log" "$win32.build.log" | sort -u || true)"
if [ -n "$warnings" ]; then
  echo "windows: $(wc -l <<<"$warnings") distinct build warnings, first ones:"
  head -5 <<<"$warnings"
fi
echo "windows: OK"
