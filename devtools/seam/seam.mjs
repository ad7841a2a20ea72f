// The seam between the program and the switch's RPC client library, read from
// the declarations in tools/sw_calls*.h by clang's front end:
//
//   node seam.mjs names                        the calls declared, one a line
//   node seam.mjs doc (--write | --check) FILE the generated sections of the
//                                              integrator's guide
//   node seam.mjs symbols --objects 'A.o;B.o' --stand-in 'C.o;D.o'
//       the library calls the program's objects reference are the ones
//       declared; no object needs a symbol only the stand-in defines or
//       includes a stand-in header
//   node seam.mjs exports --library LIB [--exact]
//       the shared library exports every declared call (--exact: and no
//       other symbol)
//
// Options: --source-dir DIR (the project root; default: two folders up),
// --clang CLANG (default: clang++-14, else clang++).
//
// clang reads the headers for any target without that target's own headers:
// a private <cstddef> and <cstdint> over its freestanding ones.
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, relative, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

import { firstDifference } from '../openapi/generate.mjs';

// The names the library's calls go by.
const kCallName = /^(rpcclt_\w+|openapiClient\w+|l7proc_crashlog_register)$/;

// The targets whose layouts the guide gives; the first two must agree.
const kTargets = [
  { triple: 'aarch64-linux-gnu' },
  { triple: 'x86_64-linux-gnu' },
  { triple: 'armv7a-linux-gnueabihf' },
];

class SeamError extends Error {}

function fail(message) {
  throw new SeamError(message);
}

function run(command, args, options = {}) {
  try {
    return execFileSync(command, args, { encoding: 'utf8', maxBuffer: 256 << 20, stdio: ['ignore', 'pipe', 'pipe'], ...options });
  } catch (error) {
    if (error.code === 'ENOENT')
      fail(`${command} is not installed`);
    fail(`${command} ${args.join(' ')} failed:\n${error.stderr ?? error.message}`);
  }
}

function findClang(chosen) {
  if (chosen)
    return chosen;
  for (const name of ['clang++-14', 'clang++']) {
    try {
      execFileSync(name, ['--version'], { stdio: 'ignore' });
      return name;
    } catch {
      // next
    }
  }
  fail('clang++ is not installed (Debian package clang-14): the seam is read with its front end');
}

// The declaration headers, tools/sw_calls.h first, the others by name.
function headers(sourceDir) {
  const tools = join(sourceDir, 'tools');
  const names = readdirSync(tools).filter((name) => /^sw_calls.*\.h$/.test(name)).sort();
  if (!names.includes('sw_calls.h'))
    fail(`no tools/sw_calls.h under ${sourceDir}`);
  return ['sw_calls.h', ...names.filter((name) => name !== 'sw_calls.h')].map((name) => join(tools, name));
}

// Runs clang over a file that includes every header, then `extra`.
function clang(context, triple, flags, extra = '') {
  const probe = join(context.work, 'probe.cpp');
  writeFileSync(probe, context.headers.map((h) => `#include "${h}"\n`).join('') + extra);
  return run(context.clang, [`--target=${triple}`, '-std=c++20', '-ffreestanding', '-nostdinc++', '-nostdlibinc',
    `-I${join(context.work, 'include')}`, '-fsyntax-only', '-Wall', '-Wextra', '-Werror', ...flags, probe]);
}

// Walks clang's JSON tree. A location names its file only when it differs from
// the last one written, so the walk carries the current file along.
function walkAst(root, visit) {
  let file = '';
  const see = (loc) => {
    if (!loc)
      return;
    see(loc.spellingLoc);
    see(loc.expansionLoc);
    if (loc.file)
      file = loc.file;
  };
  const walk = (node, parents) => {
    see(node.loc);
    const at = file;
    if (node.range) {
      see(node.range.begin);
      see(node.range.end);
    }
    visit(node, at, parents);
    for (const child of node.inner ?? [])
      walk(child, [...parents, node]);
  };
  walk(root, []);
}

function typeAndName(type, name) {
  const array = /^(.*?)((?:\[\d+\])+)$/.exec(type);
  if (array)
    return `${array[1]} ${name}${array[2]}`;
  return type.endsWith('*') ? `${type}${name}` : `${type} ${name}`;
}

// The calls and records the headers declare, in header order.
function declarations(context) {
  const ast = JSON.parse(clang(context, kTargets[0].triple, ['-Xclang', '-ast-dump=json']));
  const calls = [];
  const records = [];
  const known = new Set(context.headers);
  walkAst(ast, (node, file, parents) => {
    if (!known.has(file))
      return;
    const parent = parents[parents.length - 1];
    const topLevel = parent && (parent.kind === 'TranslationUnitDecl' || parent.kind === 'LinkageSpecDecl');
    if (node.kind === 'FunctionDecl' && parent?.kind === 'LinkageSpecDecl') {
      const params = (node.inner ?? []).filter((c) => c.kind === 'ParmVarDecl');
      const returns = node.type.qualType.replace(/\s*\(.*$/, '');
      const list = params.length ? params.map((p) => typeAndName(p.type.qualType, p.name ?? '')).join(', ') : 'void';
      calls.push({ name: node.name, file, signature: `${typeAndName(returns, node.name)}(${list});` });
    } else if (node.kind === 'CXXRecordDecl' && topLevel && node.name && node.completeDefinition) {
      records.push({ name: node.name, tag: node.tagUsed, file });
    }
  });
  const seen = new Set();
  for (const call of calls) {
    if (seen.has(call.name))
      fail(`${call.name} is declared twice`);
    seen.add(call.name);
  }
  return { calls, records };
}

// Record layouts as clang computes them for a target: name -> { size, align, fields }.
function layouts(context, triple, records) {
  const uses = records.map((r) => `static_assert(sizeof(${r.name}) > 0);\n`).join('');
  const dump = clang(context, triple, ['-Xclang', '-fdump-record-layouts'], uses);
  const result = new Map();
  for (const block of dump.split('*** Dumping AST Record Layout').slice(1)) {
    const lines = block.split('\n').filter((line) => line.includes('|'));
    const rows = lines.map((line) => {
      const bar = line.indexOf('|');
      const text = line.slice(bar + 1);
      const indent = text.length - text.trimStart().length;
      return { offset: line.slice(0, bar).trim(), depth: (indent - 1) / 2, text: text.trim() };
    });
    const head = /^(struct|union|class) (\w+)$/.exec(rows[0]?.text ?? '');
    if (!head)
      continue;
    const summary = rows.filter((row) => row.offset === '').map((row) => row.text).join(' ');
    const size = /sizeof=(\d+)/.exec(summary);
    const align = /[ [,]align=(\d+)/.exec(summary);
    const fields = [];
    for (let i = 1; i < rows.length; ++i) {
      const row = rows[i];
      if (row.depth !== 1 || row.offset === '')
        continue;
      const cut = row.text.lastIndexOf(' ');
      let type = row.text.slice(0, cut);
      const name = row.text.slice(cut + 1);
      if (/\(unnamed at /.test(type)) {
        // An unnamed union or struct: its members, as written.
        const members = [];
        for (let j = i + 1; j < rows.length && rows[j].depth > 1; ++j) {
          if (rows[j].depth === 2) {
            const c = rows[j].text.lastIndexOf(' ');
            members.push(`${typeAndName(rows[j].text.slice(0, c), rows[j].text.slice(c + 1))};`);
          }
        }
        type = `${type.split(' ')[0]} { ${members.join(' ')} }`;
      }
      type = type.replace(/^(struct|union|class) (?=\w+$)/, '');
      fields.push({ offset: row.offset, declaration: typeAndName(type, name) });
    }
    result.set(head[2], { size: size?.[1], align: align?.[1], fields });
  }
  for (const record of records) {
    if (!result.has(record.name))
      fail(`clang gave no layout of ${record.name} for ${triple}`);
  }
  return result;
}

function context(options) {
  const sourceDir = resolve(options['--source-dir'] ?? join(dirname(fileURLToPath(import.meta.url)), '..', '..'));
  const found = headers(sourceDir);
  const clangxx = findClang(options['--clang']);
  const work = mkdtempSync(join(tmpdir(), 'seam-'));
  const include = join(work, 'include');
  mkdirSync(include);
  writeFileSync(join(include, 'cstddef'), '#pragma once\n#include <stddef.h>\nnamespace std { using ::size_t; using ::ptrdiff_t; }\n');
  writeFileSync(join(include, 'cstdint'), '#pragma once\n#include <stdint.h>\n');
  return { sourceDir, work, headers: found, clang: clangxx };
}

function declaredNames(ctx) {
  const { calls } = declarations(ctx);
  const odd = calls.filter((c) => !kCallName.test(c.name)).map((c) => c.name);
  if (odd.length)
    fail(`declared calls not named like the library's (rpcclt_*, openapiClient*, l7proc_crashlog_register): ${odd.join(' ')}`);
  return calls.map((c) => c.name);
}

// The generated sections of the guide.
function guideSections(ctx) {
  const { calls, records } = declarations(ctx);
  const byTarget = kTargets.map((t) => ({ ...t, layouts: layouts(ctx, t.triple, records) }));
  const [wide, other64, narrow] = byTarget;
  for (const record of records) {
    if (JSON.stringify(wide.layouts.get(record.name)) !== JSON.stringify(other64.layouts.get(record.name)))
      fail(`${record.name} is laid out differently for ${wide.triple} and ${other64.triple}`);
  }
  const rel = (file) => relative(ctx.sourceDir, file);
  const out = { calls: [], records: [] };

  out.calls.push(`${calls.length} calls, in the order of their headers.`, '');
  for (const header of ctx.headers) {
    const mine = calls.filter((c) => c.file === header);
    if (!mine.length)
      continue;
    out.calls.push(`\`${rel(header)}\` (${mine.length}):`, '', '```c', ...mine.map((c) => c.signature), '```', '');
  }
  out.calls.pop();

  for (const record of records) {
    const w = wide.layouts.get(record.name);
    const n = narrow.layouts.get(record.name);
    out.records.push(`### \`${record.name}\` (\`${rel(record.file)}\`)`, '',
      `${record.tag}: ${w.size} bytes, aligned to ${w.align}, on 64-bit targets; ` +
        `${n.size} bytes, aligned to ${n.align}, on 32-bit ARM.`, '',
      `| offset, 64-bit | offset, 32-bit ARM | member |`, '|---:|---:|---|');
    w.fields.forEach((field, i) => {
      const there = n.fields[i];
      if (!there || there.declaration !== field.declaration)
        fail(`${record.name} has different members on 64-bit and 32-bit ARM`);
      out.records.push(`| ${field.offset} | ${there.offset} | \`${field.declaration.replace(/\|/g, '\\|')}\` |`);
    });
    out.records.push('');
  }
  out.records.pop();
  return out;
}

const kBegin = (name) => `<!-- generated: ${name} (node devtools/seam/seam.mjs doc --write docs/integration.md) -->`;
const kEnd = (name) => `<!-- end of generated: ${name} -->`;

function fillGuide(text, sections) {
  for (const [name, lines] of Object.entries(sections)) {
    const begin = text.indexOf(kBegin(name));
    const end = text.indexOf(kEnd(name));
    if (begin < 0 || end < begin)
      fail(`the guide has no place for the generated ${name}: the lines "${kBegin(name)}" and "${kEnd(name)}"`);
    text = text.slice(0, begin) + [kBegin(name), ...lines, kEnd(name)].join('\n') + text.slice(end + kEnd(name).length);
  }
  return text;
}

// nm's lines as [symbol, type].
function nmSymbols(args) {
  return run('nm', ['--format=posix', ...args]).split('\n')
    .map((line) => line.split(' '))
    .filter((f) => f.length >= 2 && /^[A-Za-z]$/.test(f[1]) && !f[0].endsWith(':'))
    .map((f) => [f[0], f[1]]);
}

function list(value, what) {
  const items = (value ?? '').split(';').filter(Boolean);
  if (!items.length)
    fail(`no ${what} given`);
  for (const item of items) {
    if (!existsSync(item))
      fail(`${item} does not exist: build first`);
  }
  return items;
}

function difference(a, b) {
  const other = new Set(b);
  return [...new Set(a)].filter((x) => !other.has(x)).sort();
}

function checkSymbols(ctx, options) {
  const objects = list(options['--objects'], 'program objects (--objects)');
  // Without the stand-in's objects (a build against the switch's library),
  // its symbols cannot link anyway.
  const standIn = options['--stand-in'] === undefined ? [] : list(options['--stand-in'], 'stand-in objects (--stand-in)');
  const declared = declaredNames(ctx);
  const declaredSet = new Set(declared);
  const problems = [];

  const undefinedHere = nmSymbols(['--undefined-only', ...objects]).map(([s]) => s);
  const definedHere = new Set(nmSymbols(['--defined-only', ...objects]).map(([s]) => s));
  const referenced = [...new Set(undefinedHere.filter((s) => kCallName.test(s) || declaredSet.has(s)))].sort();
  for (const name of difference(referenced, declared))
    problems.push(`${name}: called by the program but not declared in tools/sw_calls*.h`);
  for (const name of difference(declared, referenced))
    problems.push(`${name}: declared in tools/sw_calls*.h but called by no program file`);

  // Strong definitions of the stand-in that the program needs, beyond the calls.
  const standInOnly = new Set((standIn.length ? nmSymbols(['--defined-only', ...standIn]) : [])
    .filter(([, type]) => /[TDBRGS]/.test(type)).map(([s]) => s));
  const needed = undefinedHere.filter((s) => standInOnly.has(s) && !declaredSet.has(s) && !definedHere.has(s));
  for (const name of [...new Set(needed)].sort())
    problems.push(`${name}: defined only by the stand-in (sim/), yet the program needs it`);

  // Every header a program file was compiled with, from the compiler's own list.
  const standInDir = join(ctx.sourceDir, 'sim') + '/';
  let depFiles = 0;
  for (const object of objects) {
    const depFile = `${object}.d`;
    if (!existsSync(depFile))
      continue;
    ++depFiles;
    const text = readFileSync(depFile, 'utf8').replace(/\\\n/g, ' ');
    const deps = text.slice(text.indexOf(':') + 1).split(/\s+/).filter(Boolean);
    for (const dep of deps) {
      if (resolve(dirname(object), dep).startsWith(standInDir) || resolve(dep).startsWith(standInDir))
        problems.push(`${relative(ctx.sourceDir, object)}: compiled with the stand-in's header ${relative(ctx.sourceDir, resolve(dep))}`);
    }
  }
  if (depFiles !== objects.length)
    problems.push(`${objects.length - depFiles} of ${objects.length} objects have no dependency file beside them (<object>.d): ` +
      'build with the Makefile generator to check their headers');

  if (problems.length)
    fail(problems.join('\n'));
  console.log(`${referenced.length} library calls referenced by ${objects.length} program objects, the same as declared; ` +
    'no stand-in symbol or header used');
}

function checkExports(ctx, options) {
  const library = options['--library'];
  if (!library || !existsSync(library))
    fail(`no library ${library ?? '(--library)'}`);
  const declared = declaredNames(ctx);
  const exported = nmSymbols(['--dynamic', '--defined-only', library]).map(([s]) => s);
  const problems = difference(declared, exported).map((name) => `${name}: declared but not exported by ${library}`);
  if ('--exact' in options)
    problems.push(...difference(exported, declared).map((name) => `${name}: exported by ${library} but not a declared call`));
  if (problems.length)
    fail(problems.join('\n'));
  console.log(`${library} exports all ${declared.length} declared calls${'--exact' in options ? ' and nothing else' : ''}`);
}

function main(argv) {
  const [command, ...rest] = argv;
  const options = {};
  for (let i = 0; i < rest.length; ++i) {
    if (!rest[i].startsWith('--'))
      fail(`unexpected argument ${rest[i]}`);
    options[rest[i]] = rest[i + 1]?.startsWith('--') || i + 1 === rest.length ? '' : rest[++i];
  }
  const ctx = context(options);
  try {
    if (command === 'names') {
      console.log(declaredNames(ctx).join('\n'));
    } else if (command === 'doc') {
      const target = options['--write'] || options['--check'];
      if (!target)
        fail('usage: seam.mjs doc (--write | --check) FILE');
      const tree = readFileSync(target, 'utf8');
      const made = fillGuide(tree, guideSections(ctx));
      if (options['--write'] !== undefined) {
        writeFileSync(target, made);
      } else if (made !== tree) {
        fail(`${target} is not what the declarations make (node devtools/seam/seam.mjs doc --write ${target}); first difference at ${firstDifference(made, tree)}`);
      }
    } else if (command === 'symbols') {
      checkSymbols(ctx, options);
    } else if (command === 'exports') {
      checkExports(ctx, options);
    } else {
      fail('usage: seam.mjs (names | doc | symbols | exports) [options]; see the top of this file');
    }
  } finally {
    rmSync(ctx.work, { recursive: true, force: true });
  }
}

try {
  main(process.argv.slice(2));
} catch (error) {
  if (!(error instanceof SeamError))
    throw error;
  console.error(`seam: ${error.message}`);
  process.exit(1);
}
