// Runs the Khronos glTF validator on each file named on the command line and prints one JSON
// line per file: {"file", "errors", "warnings", "infos", "hints", "messages": [...]}.
// Exits 0 when it could run (the caller judges the counts), 2 when it could not.
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');

async function check(file) {
  const bytes = new Uint8Array(fs.readFileSync(file));
  const report = await validator.validateBytes(bytes, {
    uri: path.basename(file),
    maxIssues: 50,
    externalResourceFunction: (uri) => new Promise((resolve, reject) => {
      const resolved = path.resolve(path.dirname(file), decodeURIComponent(uri));
      fs.readFile(resolved, (err, data) => (err ? reject(err.toString()) : resolve(new Uint8Array(data))));
    }),
  });
  const issues = report.issues;
  return {
    file,
    errors: issues.numErrors,
    warnings: issues.numWarnings,
    infos: issues.numInfos,
    hints: issues.numHints,
    messages: issues.messages.map((m) => `${m.severity} ${m.code} ${m.pointer || ''} ${m.message}`),
  };
}

(async () => {
  for (const file of process.argv.slice(2)) {
    console.log(JSON.stringify(await check(file)));
  }
})().catch((e) => {
  console.error(`validate.js: ${e}`);
  process.exit(2);
});
