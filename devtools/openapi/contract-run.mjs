// Runs a Postman collection with Newman and reports each failed check and a
// closing count: a run that sends nothing, or that a request ends with an
// error (no answer, a time-out), fails.
//
//   node contract-run.mjs TOOLS_DIR COLLECTION VARIABLE=VALUE...
import { createRequire } from 'node:module';
import { resolve } from 'node:path';

const [toolsDir, collection, ...variables] = process.argv.slice(2);
const newman = createRequire(resolve(toolsDir, 'node_modules', 'index.js'))('newman');

newman.run({
  collection: resolve(collection),
  envVar: variables.map((pair) => ({ key: pair.slice(0, pair.indexOf('=')), value: pair.slice(pair.indexOf('=') + 1) })),
  timeoutRequest: 20000,
  reporters: [],
}, (error, summary) => {
  if (error) {
    console.log(`not ok - the run did not go through: ${error.message}`);
    process.exitCode = 1;
    return;
  }
  const { stats, failures } = summary.run;
  for (const failure of failures) {
    const where = failure.source?.name ?? 'the run';
    console.log(`not ok - ${where}: ${failure.error?.test ?? ''} ${failure.error?.message ?? failure.error?.name}`);
  }
  const requests = stats.requests.total;
  const failed = stats.assertions.failed + stats.requests.failed;
  console.log(`${requests} requests, ${stats.assertions.total} checks`);
  console.log(`${stats.assertions.total - stats.assertions.failed} passed, ${failed} failed`);
  process.exitCode = failed || !requests ? 1 : 0;
});
