#!/usr/bin/env bash
# `tessary-cli fortune` against `fortune` of Debian's fortune-mod package, as
# whole processes on the same texts: the fortune files of the fortunes
# package, imported into a database for tessary-cli and indexed with strfile
# for fortune. Prints milliseconds per run for each and their ratio.
#
#   bench/fortune_bench.sh [TESSARY_CLI] [RUNS]
#
# TESSARY_CLI defaults to build/release/src/cli/tessary-cli, RUNS to 300.
# Needs the fortune-mod package (fortune and strfile); run as root, the
# script installs it when it is missing (apt-get install fortune-mod).
set -euo pipefail
cli="${1:-build/release/src/cli/tessary-cli}"
runs="${2:-300}"
texts=/usr/share/games/fortunes

if ! command -v fortune >/dev/null || ! command -v strfile >/dev/null; then
  PATH="$PATH:/usr/games:/usr/sbin"
fi
if ! command -v fortune >/dev/null || ! command -v strfile >/dev/null; then
  if [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq fortune-mod >/dev/null
  else
    echo "fortune_bench: needs fortune-mod (sudo apt-get install fortune-mod)" >&2
    exit 2
  fi
fi
[ -x "$cli" ] || { echo "fortune_bench: no $cli; build the tessary-cli target first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/texts"
files=$(find "$texts" -maxdepth 1 -type f ! -name '*.dat' ! -name '*.u8' | sort)
for f in $files; do
  cp "$f" "$work/texts/"
  strfile -s "$work/texts/$(basename "$f")"
done
# shellcheck disable=SC2086
"$cli" import --db "$work/Tes_Win" $files 2>/dev/null | tail -n 1

# Milliseconds per run of the command given.
per_run() {
  local start end
  start=$(date +%s%N)
  for ((i = 0; i < runs; i++)); do "$@" >/dev/null; done
  end=$(date +%s%N)
  echo "scale=3; ($end - $start) / 1000000 / $runs" | bc
}
"$cli" fortune --db "$work/Tes_Win" >/dev/null  # warm the file cache
fortune "$work/texts" >/dev/null
ours=$(per_run "$cli" fortune --db "$work/Tes_Win")
theirs=$(per_run fortune "$work/texts")
printf 'fortune_bench: %d runs each\n' "$runs"
printf '  tessary-cli fortune  %8.3f ms per run\n' "$ours"
printf '  fortune (fortune-mod) %7.3f ms per run\n' "$theirs"
printf '  ratio tessary-cli / fortune: %.2f\n' "$(echo "scale=4; $ours / $theirs" | bc)"
