// Writes the OpenAPI description, or checks that the one in the tree is what
// the program's route table and the declarations make today.
//
//   node generate.mjs --routes OPENAPI_ROUTES --write docs/openapi.yaml
//   node generate.mjs --routes OPENAPI_ROUTES --check docs/openapi.yaml
//
// With --json FILE the same document is also written (or checked) in JSON
// form: the client (client/swmgmt) reads that one, needing no YAML parser;
// with --routes-md FILE the route index (docs/routes.md) made from it.
//
// OPENAPI_ROUTES is the built tool that prints the route table
// (cmake --build build --target openapi_routes); `cmake --build build
// --target openapi` runs the --write form.
import { execFileSync } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';
import { pathToFileURL } from 'node:url';

import { describe } from './describe.mjs';
import { routeIndex } from './routes.mjs';
import { toYaml } from './yaml.mjs';

// The route table as the program registers it.
export function readRoutes(routesTool) {
  const text = execFileSync(routesTool, { encoding: 'utf8' });
  return text.split('\n').filter(Boolean).map((line) => {
    const [basePath, resource, method] = line.split('\t');
    return { basePath, resource, method };
  });
}

// The description, or the reasons there is none.
export function build(routesTool) {
  const { document, problems } = describe(readRoutes(routesTool));
  if (problems.length)
    throw new Error(`the route table and api.mjs disagree:\n  ${problems.join('\n  ')}`);
  return document;
}

// The first line where two texts part, for a drift check's message.
export function firstDifference(want, got) {
  const a = want.split('\n');
  const b = got.split('\n');
  for (let i = 0; i < Math.max(a.length, b.length); ++i) {
    if (a[i] !== b[i])
      return `line ${i + 1}:\n  generated: ${a[i] ?? '(end)'}\n  in the tree: ${b[i] ?? '(end)'}`;
  }
  return '';
}

function main(argv) {
  const arg = (name) => {
    const at = argv.indexOf(name);
    return at >= 0 ? argv[at + 1] : undefined;
  };
  const routesTool = arg('--routes');
  const target = arg('--write') ?? arg('--check');
  if (!routesTool || !target) {
    console.error('usage: generate.mjs --routes OPENAPI_ROUTES (--write | --check) FILE');
    return 2;
  }
  let text;
  let json;
  let index;
  try {
    const document = build(routesTool);
    text = toYaml(document);
    json = `${JSON.stringify(document)}\n`;
    index = routeIndex(document);
  } catch (error) {
    console.error(error.message);
    return 1;
  }
  // [file, what it must hold] for each form asked for.
  const forms = [[target, text], ...(arg('--json') ? [[arg('--json'), json]] : []),
    ...(arg('--routes-md') ? [[arg('--routes-md'), index]] : [])];
  if (arg('--write')) {
    for (const [file, content] of forms) {
      writeFileSync(file, content);
      console.log(`wrote ${file}`);
    }
    return 0;
  }
  for (const [file, content] of forms) {
    let current = '';
    try {
      current = readFileSync(file, 'utf8');
    } catch (error) {
      console.error(`cannot read ${file}: ${error.message}`);
      return 1;
    }
    if (current !== content) {
      console.error(`${file} is not what the route table and devtools/openapi/api.mjs make; the first difference is at ` +
        `${firstDifference(content, current)}\nRegenerate it with: cmake --build build --target openapi`);
      return 1;
    }
  }
  console.log(`${forms.map(([file]) => file).join(' and ')} match the route table and the declarations`);
  return 0;
}

if (import.meta.url === pathToFileURL(process.argv[1]).href)
  process.exitCode = main(process.argv.slice(2));
