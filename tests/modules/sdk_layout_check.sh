#!/bin/sh
# Compiles the plug-in SDK headers without running anything:
#   natively as C99 and C++17 (both must be clean with -Wall -Wextra -pedantic),
#   and with the 32-bit Windows cross compilers, where the headers' static
#   assertions compare every documented block size and field offset.
# Exit 77 (skipped) when the Win32 cross compilers are missing: the layout is
# then not checked. scripts/install-deps.sh installs them (g++-mingw-w64-i686).
# Usage: sdk_layout_check.sh <sdk folder> <check.c> <check.cpp>
set -eu
sdk=$1
c_file=$2
cpp_file=$3
flags="-Wall -Wextra -pedantic -Werror -fsyntax-only -I$sdk -I$(dirname "$c_file")"

run() {
    echo "+ $*"
    "$@"
}

run ${CC:-cc} -std=c99 $flags "$c_file"
run ${CXX:-c++} -std=c++17 $flags "$cpp_file"
run ${CXX:-c++} -std=c++20 $flags "$cpp_file"

if ! command -v i686-w64-mingw32-g++ >/dev/null 2>&1 || ! command -v i686-w64-mingw32-gcc >/dev/null 2>&1; then
    echo "SKIPPED: i686-w64-mingw32-gcc/g++ not found; the 32-bit block layouts were not checked"
    exit 77
fi
run i686-w64-mingw32-gcc -std=c99 $flags "$c_file"
run i686-w64-mingw32-g++ -std=c++17 $flags "$cpp_file"
if command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1; then
    run x86_64-w64-mingw32-gcc -std=c99 $flags "$c_file"
    run x86_64-w64-mingw32-g++ -std=c++17 $flags "$cpp_file"
fi
echo "SDK headers compile; 32-bit layouts match"
