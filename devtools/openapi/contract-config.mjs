// Writes the Portman configuration for the contract and fuzzing run from
// the OpenAPI description: which checks every operation gets, and which
// variations of each request it is sent.
//
//   node contract-config.mjs TOOLS_DIR DESCRIPTION > portman-config.json
//
// TOOLS_DIR holds the pinned npm tools (js-yaml reads the description).
//
// Every answer is checked for its status, its content type, a JSON body and
// the reply schema of the description, within the time limit. The requests:
// - each operation as its example;
// - fuzzing: numbers just outside their documented range, texts one past
//   their documented length, required members left out;
// - every body member of another JSON type, and a body that is JSON but no
//   object (both answered like missing members, never refused);
// - a read-only session: GET answers, every other method gets 403 and no body;
// - an unknown session: 403 and no body.
// Requests carry the session token in the variable apiKey (an admin session),
// the read-only variations in readOnlyToken.
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { resolve } from 'node:path';

const [toolsDir, descriptionPath] = process.argv.slice(2);
const yaml = createRequire(resolve(toolsDir, 'node_modules', 'index.js'))('js-yaml');
const api = yaml.load(readFileSync(descriptionPath, 'utf8'));

const checks = (status) => [{
  statusCode: { enabled: true, code: status },
  contentType: { enabled: true },
  jsonBody: { enabled: true },
  schemaValidation: { enabled: true },
  responseTime: { enabled: true, maxMs: 10000 },
}];
const refusedChecks = {
  contractTests: [{ statusCode: { enabled: true, code: 403 } }],
  extendTests: [{
    tests: ['pm.test("Refused without a body", function () { pm.expect(pm.response.text()).to.equal(""); });'],
  }],
};

// The Session header with another token.
const session = (value) => ({ apiKey: { key: 'Session', in: 'header', value } });

const operations = [];
for (const item of Object.values(api.paths)) {
  for (const [method, operation] of Object.entries(item)) {
    if (method !== 'parameters')
      operations.push({ method: method.toUpperCase(), operation });
  }
}
const ids = (filter) => operations.filter(filter).map((o) => o.operation.operationId);
const bodyOf = (o) => o.operation.requestBody?.content?.['application/json']?.schema;

// A value of another JSON type than the member's.
function otherType(schema) {
  switch (schema.type) {
  case 'integer': return '7';
  case 'string': return 7;
  case 'object': return 'not an object';
  default: return { not: 'an array' };
  }
}

const variationTests = [
  {
    openApiOperation: '*::/*',
    openApiResponse: '200',
    variations: [{
      name: 'Fuzzed',
      fuzzing: [{
        requestBody: [{
          requiredFields: { enabled: true },
          minimumNumberFields: { enabled: true },
          maximumNumberFields: { enabled: true },
          maxLengthFields: { enabled: true },
        }],
        requestQueryParams: [{
          minimumNumberFields: { enabled: true },
          maximumNumberFields: { enabled: true },
          maxLengthFields: { enabled: true },
        }],
      }],
      tests: { contractTests: checks(200) },
    }],
  },
  ...operations.filter(bodyOf).map((o) => ({
    openApiOperationId: o.operation.operationId,
    openApiResponse: '200',
    variations: [
      {
        name: 'OtherTypes',
        overwrites: [{
          overwriteRequestBody: Object.entries(bodyOf(o).properties)
            .map(([key, schema]) => ({ key, value: otherType(schema), overwrite: true })),
        }],
        tests: { contractTests: checks(200) },
      },
      {
        name: 'NotAnObject',
        overwrites: [{ overwriteRequestBody: [{ key: '.', value: [1, 'two'], overwrite: true }] }],
        tests: { contractTests: checks(200) },
      },
    ],
  })),
  {
    openApiOperationIds: ids((o) => o.method === 'GET'),
    openApiResponse: '200',
    variations: [{
      name: 'ReadOnlySession',
      overwrites: [{ overwriteRequestSecurity: session('{{readOnlyToken}}') }],
      tests: { contractTests: checks(200) },
    }],
  },
  {
    openApiOperationIds: ids((o) => o.method !== 'GET'),
    openApiResponse: '403',
    variations: [{
      name: 'ReadOnlySession',
      overwrites: [{ overwriteRequestSecurity: session('{{readOnlyToken}}') }],
      tests: refusedChecks,
    }],
  },
  {
    openApiOperation: '*::/*',
    openApiResponse: '403',
    variations: [{
      name: 'UnknownSession',
      overwrites: [{ overwriteRequestSecurity: session('0123456789abcdef0123456789abcdef') }],
      tests: refusedChecks,
    }],
  },
];

const config = {
  version: 1.0,
  tests: {
    contractTests: [{ openApiOperation: '*::/*', ...checks(200)[0] }],
    variationTests,
  },
};
process.stdout.write(JSON.stringify(config, null, 2) + '\n');
