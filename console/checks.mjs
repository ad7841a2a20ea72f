// Values held against the description before the page sends them, as the
// command-line client holds them: the program turns what it does not
// understand into a default without a word ({"mode": true} is "disable",
// "Enable" is not "enable", a negative number is 0, a long text is cut),
// so a request that would not mean what was typed is not sent, and the
// page says which value and what the switch takes instead.
//
// The route search is here too: it matches whole words and their
// beginnings, never the inside of a word ("ping" does not find "mapping").

const quote = (values) => values.map((v) => `"${v}"`).join(', ');
const shown = (value) => JSON.stringify(value);

// An IPv4 address in dotted decimal, or an IPv6 address as text.
function isAddress(text) {
  const v4 = /^(\d{1,3})\.(\d{1,3})\.(\d{1,3})\.(\d{1,3})$/.exec(text);
  if (v4)
    return v4.slice(1).every((part) => Number(part) <= 255 && !/^0\d/.test(part));
  if (!/^[0-9A-Fa-f:.]+$/.test(text) || !text.includes(':'))
    return false;
  try {
    return new URL(`http://[${text}]/`).hostname !== '';
  } catch {
    return false;
  }
}

// The problem with one value, or '' when it may be sent. fromQuery: the
// value is the text typed into a query field.
export function problemOf(member, value, fromQuery = false) {
  const name = member.name;
  if (member.enum) {
    const meaning = member.default !== undefined ? ` (the switch would take it as "${member.default}")` : '';
    if (typeof value === 'boolean' && member.enum.includes(String(value)))
      return `${name}: ${value} is a JSON literal, not the text "${value}"${meaning}; write "${value}", in quotes`;
    if (member.enum.includes(value))
      return '';
    const close = typeof value === 'string'
      ? member.enum.find((e) => e.toLowerCase() === value.toLowerCase()) : undefined;
    return `${name}: ${shown(value)} is not one of ${quote(member.enum)}${meaning}` +
      (close ? `; write "${close}", letter case included` : '');
  }
  const limit = member['x-switch'] ?? {};
  if (member.type === 'integer') {
    const number = fromQuery && /^-?\d+$/.test(value) ? Number(value) : value;
    if (typeof number !== 'number' || !Number.isInteger(number))
      return `${name}: a whole number is wanted, not ${shown(value)}`;
    const low = limit.minimum ?? member.minimum;
    const high = limit.maximum ?? member.maximum;
    if ((low !== undefined && number < low) || (high !== undefined && number > high))
      return `${name}: ${number} is out of range: the switch takes ${low} to ${high}`;
    return '';
  }
  if (member.type === 'string') {
    if (typeof value !== 'string')
      return `${name}: a text is wanted, not ${shown(value)}`;
    const longest = Math.min(limit.maxLength ?? Infinity, member.maxLength ?? Infinity);
    if (value.length > longest)
      return `${name}: ${value.length} characters are too many: at most ${longest} are taken ` +
        '(the program would cut the rest)';
    if (value.length < (limit.minLength ?? 0))
      return `${name}: at least ${limit.minLength} characters are needed`;
    if (member['x-format'] === 'ip-address' && value !== '' && !isAddress(value))
      return `${name}: ${shown(value)} is not an IPv4 or IPv6 address`;
  }
  return '';
}

// Every problem of a request as filled in: query is {name: text typed},
// bodyText the body as typed (undefined: no body). [] when it may be sent.
export function requestProblems(op, query, bodyText) {
  const problems = [];
  for (const p of op.parameters.filter((m) => m.in === 'query')) {
    const value = query[p.name];
    if (value === undefined || value === '')
      continue;
    const problem = problemOf(p, value, true);
    if (problem)
      problems.push(problem);
  }
  if (!op.body || bodyText === undefined || bodyText.trim() === '')
    return problems;
  let body;
  try {
    body = JSON.parse(bodyText);
  } catch (error) {
    return [...problems, `the body is not JSON: ${error.message}`];
  }
  problems.push(...objectProblems(op.body.members, body, ''));
  return problems;
}

function objectProblems(members, value, prefix) {
  if (value === null || typeof value !== 'object' || Array.isArray(value))
    return [`${prefix || 'the body'}: an object is wanted, not ${shown(value)}`];
  const problems = [];
  for (const [key, item] of Object.entries(value)) {
    // The program finds member names without regard to letter case.
    const member = members.find((m) => m.name.toLowerCase() === key.toLowerCase());
    if (!member) {
      problems.push(`${prefix}${key}: the route reads no such member (it reads ${quote(members.map((m) => m.name))})`);
      continue;
    }
    if (member.members) {
      problems.push(...objectProblems(member.members, item, `${prefix}${member.name}.`));
      continue;
    }
    const problem = problemOf({ ...member, name: `${prefix}${member.name}` }, item);
    if (problem)
      problems.push(problem);
  }
  return problems;
}

// The words of a text: split at anything but letters and digits, and at
// each capital inside a word ("postPingAddress" is post, ping, address).
export function wordsOf(text) {
  return text.replace(/([a-z0-9])([A-Z])/g, '$1 $2').toLowerCase().split(/[^a-z0-9]+/).filter(Boolean);
}

// Whether every word typed begins a word of the text.
export function matchesWords(text, typed) {
  const words = wordsOf(text);
  return typed.every((t) => wordsOf(t).every((piece) => words.some((w) => w.startsWith(piece))));
}
