// A YAML writer for plain data (objects, arrays, strings, numbers, booleans):
// block style, two spaces a level, keys in insertion order. A string that
// YAML could read as anything but itself is written as a JSON string, which
// YAML reads back as the same string; long texts become literal blocks.

const plainKey = /^[A-Za-z_$][A-Za-z0-9_$.-]*$/;
const plainText = /^[A-Za-z_/][A-Za-z0-9 _./()'=,+-]*$/;
const yamlWords = /^(y|Y|yes|Yes|YES|n|N|no|No|NO|true|True|TRUE|false|False|FALSE|on|On|ON|off|Off|OFF|null|Null|NULL|~)$/;

function key(name) {
  return plainKey.test(name) && !yamlWords.test(name) ? name : JSON.stringify(name);
}

function scalar(value) {
  if (typeof value === 'number' || typeof value === 'boolean')
    return String(value);
  if (value === null)
    return 'null';
  if (typeof value !== 'string')
    throw new Error(`cannot write ${typeof value} as YAML`);
  const plain = plainText.test(value) && !yamlWords.test(value) && !/ $/.test(value) && !/: | #/.test(value);
  return plain ? value : JSON.stringify(value);
}

// A text of several lines that YAML keeps byte for byte in a literal block.
function isBlock(value) {
  return typeof value === 'string' && /^[^\n ][^]*[^\n]\n$/.test(value) && !/[\t\r]| \n|\n\n$/.test(value);
}

function isEmptyCollection(value) {
  return typeof value === 'object' && value !== null && Object.keys(value).length === 0;
}

function lines(value, indent, out) {
  const pad = ' '.repeat(indent);
  if (Array.isArray(value)) {
    for (const item of value) {
      if (typeof item === 'object' && item !== null && !isEmptyCollection(item)) {
        const inner = [];
        lines(item, indent + 2, inner);
        out.push(pad + '- ' + inner[0].slice(indent + 2), ...inner.slice(1));
      } else {
        out.push(pad + '- ' + (isEmptyCollection(item) ? (Array.isArray(item) ? '[]' : '{}') : scalar(item)));
      }
    }
    return;
  }
  for (const [name, item] of Object.entries(value)) {
    if (item === undefined)
      continue;
    if (isEmptyCollection(item)) {
      out.push(`${pad}${key(name)}: ${Array.isArray(item) ? '[]' : '{}'}`);
    } else if (typeof item === 'object' && item !== null) {
      out.push(`${pad}${key(name)}:`);
      lines(item, Array.isArray(item) ? indent : indent + 2, out);
    } else if (isBlock(item)) {
      out.push(`${pad}${key(name)}: |`);
      for (const line of item.slice(0, -1).split('\n'))
        out.push(line === '' ? '' : `${pad}  ${line}`);
    } else {
      out.push(`${pad}${key(name)}: ${scalar(item)}`);
    }
  }
}

export function toYaml(document) {
  const out = [];
  lines(document, 0, out);
  return out.join('\n') + '\n';
}
