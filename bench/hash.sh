#!/usr/bin/env bash
# Hashing benchmark: hash_file against `openssl dgst -sha256` on the same 1 GiB
# file, natively and (when built) the Windows build under Wine, in one run.
# Build first: cmake --build --preset native (and --preset windows).
#   SIZE_MIB=N   file size (default 1024)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
size_mib=${SIZE_MIB:-1024}
native=$root/build/native/bench/hash_bench
windows=$root/build/windows/bench/hash_bench.exe
prefix=$root/build/windows/wineprefix

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=$work/data.bin
head -c "$((size_mib * 1048576))" /dev/urandom >"$file"
cat "$file" >/dev/null  # every run below starts from the page cache

now() { date +%s.%N; }
mib_per_s() { awk -v s="$1" -v t="$2" 'BEGIN { printf "%.1f", s / t }'; }

start=$(now)
reference=$(openssl dgst -sha256 -r "$file" | cut -d' ' -f1)
openssl_seconds=$(awk -v a="$start" -v b="$(now)" 'BEGIN { print b - a }')
openssl_rate=$(mib_per_s "$size_mib" "$openssl_seconds")
echo "file: $size_mib MiB"
echo "openssl dgst -sha256: ${openssl_rate} MiB/s (${openssl_seconds}s)"

# One hash_bench line: mode digest bytes seconds MiB/s peak_KiB
report() {
  local name=$1 line=$2
  read -r mode digest _ seconds rate peak <<<"$line"
  local note=""
  if [ "$mode" = hash ] && [ "$digest" != "$reference" ]; then note=" DIGEST MISMATCH"; fi
  echo "$name $mode: $rate MiB/s (${seconds}s), ratio to openssl $(awk -v r="$rate" -v o="$openssl_rate" \
       'BEGIN { printf "%.2f", r / o }'), peak resident $((peak / 1024)) MiB$note"
}

if [ -x "$native" ]; then
  report native "$("$native" hash "$file")"
  report native "$("$native" read "$file")"
fi
if [ -f "$windows" ]; then
  winfile=$(WINEPREFIX=$prefix WINEDEBUG=-all winepath -w "$file" 2>/dev/null)
  report wine "$("$root/cmake/wine-run" "$prefix" "$windows" hash "$winfile" | tr -d '\r')"
  report wine "$("$root/cmake/wine-run" "$prefix" "$windows" read "$winfile" | tr -d '\r')"
  # The CNG provider alone, on data already in memory.
  report wine "$("$root/cmake/wine-run" "$prefix" "$windows" sha "$size_mib" | tr -d '\r')"
  [ -x "$native" ] && report native "$("$native" sha "$size_mib")"
fi
