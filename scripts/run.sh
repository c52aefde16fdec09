#!/usr/bin/env bash
# Installs what is missing, builds orvi-motion and starts it. Arguments go to the program;
# without any, it opens the sample clip the build writes.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
orvi_install_packages
orvi_build default
sample="$ORVI_ROOT/build/default/samples/orvi-sample-240fps.mp4"
if (($# == 0)) && [[ -f "$sample" ]]; then
    set -- "$sample"
fi
exec "$ORVI_ROOT/build/default/bin/orvi-motion" "$@"
