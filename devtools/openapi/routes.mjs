// The route index, docs/routes.md: every operation of the description, by
// group, one line each (method, path, what it does, who may call it). Made
// from the same document as docs/openapi.yaml, so it holds what that holds.

const basePathOf = (description) => description.match(/Base path "([^"]+)"/)?.[1] ?? '';

export function routeIndex(document) {
  const byTag = new Map(document.tags.map((tag) => [tag.name, []]));
  for (const [path, item] of Object.entries(document.paths)) {
    for (const [method, op] of Object.entries(item)) {
      if (method === 'parameters')
        continue;
      const write = op.security.some((s) => (s.session ?? []).includes('read-write'));
      const who = write ? 'read-write' : 'any';
      byTag.get(op.tags[0]).push(`| ${method.toUpperCase()} | \`${path}\` | ${op.summary} | ${who} |`);
    }
  }
  const count = [...byTag.values()].reduce((n, rows) => n + rows.length, 0);
  const lines = [
    '# Routes',
    '',
    `Every operation of the management interface, ${count} in ${byTag.size} groups, made from`,
    '[the API description](openapi.yaml) by `cmake --build build --target openapi` (do not edit by',
    'hand). Who may call it: "any" is every session, read-only included; "read-write" is the',
    'administrator and members of the group `mgmt-rw` (docs/guide.md, "Logging in"). Each operation\'s',
    'parameters, body members, replies and a curl example are in the description.',
    '',
    '| group | base path | operations |',
    '|---|---|---|',
    ...document.tags.map((tag) => `| [${tag.name}](#${anchor(tag.name)}) | \`${basePathOf(tag.description)}\` | ` +
      `${byTag.get(tag.name).length} |`),
  ];
  for (const tag of document.tags) {
    lines.push('', `## ${tag.name}`, '', tag.description, '', '| method | path | what | may call |', '|---|---|---|---|',
      ...byTag.get(tag.name));
  }
  return `${lines.join('\n')}\n`;
}

const anchor = (name) => name.toLowerCase().replace(/[^a-z0-9 -]/g, '').replace(/ /g, '-');
