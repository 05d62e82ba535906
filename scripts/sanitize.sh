#!/usr/bin/env bash
# Builds the program and every test with AddressSanitizer and UndefinedBehaviorSanitizer in a tree of its
# own, then runs the tests there. test.sh calls it after the normal tests; it assumes setup.sh has run.
# Any sanitizer report fails the test it came from.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KESTRELLE_ASAN_BUILD:-$root/build-asan}"
flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all -O1"

# LeakSanitizer stops the process through ptrace to scan its memory. Where ptrace is not allowed (some
# containers) it fails every program at exit, so leaks are checked only when a leaking probe shows it works.
mkdir -p "$build"
printf '#include <cstdlib>\nint main() { void* volatile lost = std::malloc(7); lost = nullptr; return lost != nullptr; }\n' \
  > "$build/leak-probe.cpp"
"${CXX:-c++}" -fsanitize=address -O0 "$build/leak-probe.cpp" -o "$build/leak-probe"
probe="$(ASAN_OPTIONS=detect_leaks=1 "$build/leak-probe" 2>&1 || true)"
if grep -q "LeakSanitizer: detected memory leaks" <<<"$probe"; then
  leaks=1
else
  leaks=0
  echo "LeakSanitizer does not work here (ptrace refused?): leak checks are off"
fi

supp="$root/scripts/sanitizers"
export ASAN_OPTIONS="detect_leaks=$leaks:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

if [ ! -f "$build/CMakeCache.txt" ]; then
  # The fuzz test has sanitizers of its own and runs once, from the normal build; the end-to-end tests and
  # the benchmark measure the program as shipped, so they stay with the normal build too.
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKESTRELLE_WERROR=ON -DKESTRELLE_FUZZ=OFF -DKESTRELLE_E2E=OFF -DKESTRELLE_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
fi
cmake --build "$build" -j "$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
