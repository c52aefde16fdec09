#!/bin/bash
# Sensitivity and amplitude accuracy on independent renderings of the blurred-bar shaker scene:
# for every case (amplitude in px : frequency in Hz) and noise seed, renders a clip with
# orvi-tool-shaker-clip, analyses it with orvi-tool-spectrum-analysis on the 64 x 32 grid and
# prints one line: where the vibration ranks among the candidates, its contrast, the measured
# frequency and the amplitude figures against the truth.
#
# Usage: bench/spectrum/shaker-sweep.sh [BIN_DIR] [WORK_DIR] [SEEDS] [CASES]
#   defaults: build/default/bin, a new temporary folder, "1 2 3 4 5",
#   "0.2:2 0.1:7 0.1:20 0.4:2 0.4:20"; EXTRA="--blur 0 --lossless" passes options to the renderer.
set -euo pipefail
bin=${1:-build/default/bin}
work=${2:-$(mktemp -d)}
seeds=${3:-1 2 3 4 5}
cases=${4:-0.2:2 0.1:7 0.1:20 0.4:2 0.4:20}
mkdir -p "$work"
printf '%-6s %-5s %-4s %-5s %-8s %-9s %-28s %-9s %s\n' px Hz seed rank dB Hz 'headline (quartiles) points' max top
for c in $cases; do
    amp=${c%%:*}
    hz=${c##*:}
    for seed in $seeds; do
        tag=$(echo "bar-$amp-$hz-$seed ${EXTRA:-}" | tr ' ' '_')
        clip=$work/$tag.mp4
        [ -s "$clip" ] || "$bin/orvi-tool-shaker-clip" "$clip" --amplitude "$amp" \
            --frequency "$hz" --seed "$seed" ${EXTRA:-}
        "$bin/orvi-tool-spectrum-analysis" "$clip" -g 2 -e 1200 -c 240 --points \
            2>/dev/null >"$work/$tag.json" || true
        jq -r --argjson hz "$hz" --argjson amp "$amp" --arg seed "$seed" '
          def f(x; d): if x == null then "-" else (x * pow(10; d) | round / pow(10; d) | tostring) end;
          .summary.binWidthHz as $bin
          | [.candidates | to_entries[] | select((.value.binFrequencyHz // .value.frequencyHz) - $hz | fabs <= $bin)] as $hits
          | ($hits[0].value // {}) as $c
          | [.points[]? | .amplitudes[]? | select((.frequencyHz // 0) - $hz | fabs <= $bin)
             | select(.reliable != false) | .amplitudePx // empty] as $pointAmps
          | [$amp, $hz, $seed,
             (if ($hits | length) > 0 then ($hits[0].key + 1 | tostring) else "none" end),
             f($c.contrastDb; 1), f($c.frequencyHz; 3),
             (f($c.amplitudePx; 3) + " (" + f($c.amplitudeLowerPx; 3) + "-" + f($c.amplitudeUpperPx; 3) + ") n" + ($c.amplitudePoints // 0 | tostring)),
             f($pointAmps | max; 3),
             (f(.candidates[0].frequencyHz; 2) + "Hz/" + f(.candidates[0].contrastDb; 1) + "dB")]
          | @tsv' "$work/$tag.json" | awk -F'\t' '{printf "%-6s %-5s %-4s %-5s %-8s %-9s %-28s %-9s %s\n", $1,$2,$3,$4,$5,$6,$7,$8,$9}'
    done
done
