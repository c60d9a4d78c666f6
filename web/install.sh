#!/usr/bin/env bash
# Installs the page's npm packages (npm ci, from package-lock.json) unless they are already those.
set -euo pipefail
cd "$(dirname "$0")"
if ! cmp -s package-lock.json node_modules/.installed-lock.json 2>/dev/null; then
  npm ci --no-audit --no-fund --loglevel=error
  cp package-lock.json node_modules/.installed-lock.json
fi
