#!/usr/bin/env bash
# Compiles the editor's sources (src/app, tests aside) with the MinGW-w64
# cross compiler, syntax only, against this system's Qt 6 headers. Qt for
# Windows is not at hand, so nothing is linked, but a call that Windows lacks
# or a path handled as narrow text is found.
set -euo pipefail
cd "$(dirname "$0")/.."
qt=/usr/include/$(gcc -print-multiarch)/qt6
flags=(-std=c++20 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -Isrc -isystem "$qt")
for module in QtCore QtGui QtWidgets QtPrintSupport QtConcurrent; do flags+=(-isystem "$qt/$module"); done
status=0
for source in src/app/*.cpp; do
  case "$source" in *_test.cpp | *_bench.cpp) continue ;; esac
  x86_64-w64-mingw32-g++-posix "${flags[@]}" "$source" || status=1
done
[ $status -eq 0 ] && echo "The editor's sources compile for Windows."
exit $status
