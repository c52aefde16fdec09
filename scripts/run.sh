#!/usr/bin/env bash
# Installs what is missing, builds orvi-motion and starts it. Arguments go to the program.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
orvi_install_packages
orvi_build default
exec "$ORVI_ROOT/build/default/bin/orvi-motion" "$@"
