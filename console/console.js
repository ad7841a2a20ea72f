// The management console: browses the operations of the API description
// (api.json, made from docs/openapi.yaml when the console is built), sends
// them to the program on this same server, explains the answers, and walks
// tables to their end.
//
// Every text from the description or from a reply reaches the page as text
// (textContent), never as markup. The session token lives in sessionStorage,
// for this tab only, and travels in the "Session" header alone.
import { matchesWords, requestProblems } from './checks.mjs';
import { walkTable } from './walk.mjs';

(() => {
  const loginPath = '/api/v2/login';
  const storeKey = 'mgmt.session';

  // What each reply code means, in words.
  const codeWords = {
    0: 'Done.',
    10000: 'The switch failed, or has no such entry. At the end of a table walk it means there are no more entries.',
    10003: 'The body is missing or is not one JSON value, or the switch refused a value (out of range or malformed).',
    10007: 'Permission denied: web management is off on the switch, or it has as many sessions as it allows.',
    10011: 'The entry exists already.',
    10023: 'The switch had nothing to report.',
    12001: 'The user name or the password is wrong.',
    12003: 'Too many failed logins: the user is locked out for 5 minutes.',
    17002: 'The switch does not carry this feature.',
  };

  const state = {
    api: null,
    byId: new Map(),
    session: null, // {token, user, privilege, from: "login" | "token"}
  };

  const $ = (id) => document.getElementById(id);

  // Makes an element; strings among the children become text nodes.
  function el(tag, props, ...children) {
    const node = document.createElement(tag);
    for (const [key, value] of Object.entries(props ?? {})) {
      if (key === 'class')
        node.className = value;
      else if (key.startsWith('on'))
        node.addEventListener(key.slice(2), value);
      else if (value !== undefined && value !== null && value !== false)
        node.setAttribute(key, value === true ? '' : String(value));
    }
    for (const child of children.flat())
      if (child !== null && child !== undefined && child !== false)
        node.append(typeof child === 'string' || typeof child === 'number' ? String(child) : child);
    return node;
  }

  // Replaces what a node holds; children as for el().
  function fill(node, ...children) {
    node.replaceChildren(...children.flat(2).filter((c) => c !== null && c !== undefined && c !== false));
  }

  // ---- the session ----

  function loadSession() {
    try {
      const saved = JSON.parse(sessionStorage.getItem(storeKey) ?? 'null');
      if (saved && typeof saved.token === 'string')
        state.session = saved;
    } catch {
      sessionStorage.removeItem(storeKey);
    }
  }

  function setSession(session) {
    state.session = session;
    if (session)
      sessionStorage.setItem(storeKey, JSON.stringify(session));
    else
      sessionStorage.removeItem(storeKey);
    showSession();
  }

  function note(text) {
    $('session-note').textContent = text;
  }

  const loopback = /^(localhost|127(\.\d+){3}|\[::1\])$/;
  const secure = () => location.protocol === 'https:' || loopback.test(location.hostname);

  function showSession() {
    const s = state.session;
    $('login-form').hidden = !!s;
    $('token-form').hidden = !!s;
    $('signed-in').hidden = !s;
    if (s) {
      const who = s.from === 'login' ? `${s.user} (${s.privilege})` : 'a pasted session token';
      $('who').textContent = `Signed in: ${who}`;
    }
    for (const input of $('login-form').elements)
      input.disabled = !secure();
    if (!s && !secure())
      note('This page came over plain HTTP: log in through the HTTPS address, so that the password does not travel in clear.');
  }

  async function logIn(event) {
    event.preventDefault();
    const userName = $('login-user').value;
    const password = $('login-password').value;
    note('Logging in…');
    let reply;
    try {
      reply = await send('POST', loginPath, { body: JSON.stringify({ userName, password }), token: null });
    } catch (error) {
      note(`The login did not reach the server: ${error.message}`);
      return;
    }
    $('login-password').value = '';
    const env = reply.envelope;
    if (reply.status !== 200 || !env?.resp) {
      note(`The login service does not answer here (HTTP ${reply.status}). Paste a session token instead: ` +
           'scripts/login on the server prints one.');
      return;
    }
    const data = env.login;
    if (env.resp.respCode !== 0 || !data || typeof data.token !== 'string') {
      note(`Not logged in: ${explainCode(env.resp.respCode, env.resp.respMsg)}`);
      return;
    }
    setSession({ token: data.token, user: userName, privilege: String(data.privilege ?? ''), from: 'login' });
    note('');
  }

  function useToken(event) {
    event.preventDefault();
    const token = $('token-input').value.trim();
    $('token-input').value = '';
    if (!/^[A-Za-z0-9]{1,128}$/.test(token)) {
      note('A session token is letters and digits only (scripts/login prints one).');
      return;
    }
    setSession({ token, user: '', privilege: '', from: 'token' });
    note('');
  }

  // Ends the session on the switch through the login side, and forgets it
  // here whatever the answer.
  async function logOut() {
    const session = state.session;
    setSession(null);
    if (!session)
      return;
    try {
      const reply = await send('DELETE', loginPath, { token: session.token });
      if (reply.status === 200 && reply.envelope?.resp?.respCode === 0)
        note('Logged out: the session has ended on the switch.');
      else if (reply.status === 403)
        note('Logged out: the switch knew the session no more (it had expired or ended).');
      else
        note(`Logged out of this page. The login service could not end the session (HTTP ${reply.status}); ` +
             'it expires 7200 seconds after its last request.');
    } catch (error) {
      note(`Logged out of this page; the server was not reached (${error.message}).`);
    }
  }

  // ---- requests ----

  // Sends one request to this server. The token is the session's unless
  // given (null: none).
  async function send(method, target, { body, token, refresh } = {}) {
    const headers = {};
    const session = token === undefined ? state.session?.token : token;
    if (session)
      headers.Session = session;
    if (refresh)
      headers.Refresh = '1';
    if (body !== undefined)
      headers['Content-Type'] = 'application/json';
    const response = await fetch(target, {
      method, headers, body, cache: 'no-store', credentials: 'omit', redirect: 'error', referrerPolicy: 'no-referrer',
    });
    const text = await response.text();
    let envelope = null;
    try {
      envelope = text ? JSON.parse(text) : null;
    } catch {
      envelope = null;
    }
    return { status: response.status, statusText: response.statusText, text, envelope };
  }

  // A query value goes as typed (the program does not percent-decode), but
  // for the few characters that would end or break the query.
  const queryValue = (value) => value.replace(/[\s#&%+]/g, (c) => encodeURIComponent(c));

  function target(op, query) {
    const pieces = op.parameters
      .filter((p) => p.in === 'query' && query[p.name] !== undefined && query[p.name] !== '')
      .map((p) => `${p.name}=${queryValue(String(query[p.name]))}`);
    return pieces.length ? `${op.path}?${pieces.join('&')}` : op.path;
  }

  function explainCode(code, message) {
    const words = codeWords[code] ?? 'See the route\'s description for this code.';
    return `code ${code} "${message ?? ''}": ${words}`;
  }

  // The verdict on one answer: {ok, title, words}.
  function verdict(op, reply) {
    const method = op.method;
    if (reply.status === 200 && reply.envelope?.resp) {
      const { respCode, respMsg } = reply.envelope.resp;
      return { ok: respCode === 0, title: respCode === 0 ? 'Success' : 'Failed', words: explainCode(respCode, respMsg) };
    }
    if (reply.status === 403) {
      const s = state.session;
      let words = 'HTTP 403, no body: the program did not accept the session. ';
      if (!s)
        words += 'No session is set: log in or paste a token first.';
      else if (method !== 'GET' && s.privilege === 'read-only')
        words += `This session is read-only: it may read (GET) but not change anything. A ${method} needs the ` +
                 'admin user or a read-write user.';
      else if (method !== 'GET')
        words += `Either the session is read-only (it may read with GET, but a ${method} needs the admin user or ` +
                 'a read-write user), or the token is unknown or has expired (7200 seconds without a request).';
      else
        words += 'The token is unknown or has expired (7200 seconds without a request): log in again.';
      return { ok: false, title: 'Refused', words };
    }
    if (reply.status === 500)
      return { ok: false, title: 'No answer', words: 'HTTP 500: the program answered nothing. There is no route for ' +
               'this path and method, or the switch\'s service did not answer in time.' };
    if (reply.status === 400)
      return { ok: false, title: 'Bad request', words: 'HTTP 400: the web server refused the request as malformed.' };
    if (reply.status === 413)
      return { ok: false, title: 'Too large', words: 'HTTP 413: the web server refused a body that large.' };
    return { ok: false, title: `HTTP ${reply.status}`, words: `The web server answered ${reply.status} ${reply.statusText}.` };
  }

  // ---- the description ----

  function schemaText(m) {
    const parts = [];
    if (m.const !== undefined)
      parts.push(`always ${JSON.stringify(m.const)}`);
    if (m.type)
      parts.push(m.type);
    if (m.enum)
      parts.push(`one of ${m.enum.map((v) => JSON.stringify(v)).join(', ')}`);
    if (m.minimum !== undefined || m.maximum !== undefined)
      parts.push(`${m.minimum ?? '…'} to ${m.maximum ?? '…'}`);
    if (m.minLength !== undefined)
      parts.push(`at least ${m.minLength} characters`);
    if (m.maxLength !== undefined)
      parts.push(`at most ${m.maxLength} characters`);
    if (m.pattern)
      parts.push(`matching ${m.pattern}`);
    if (m.default !== undefined)
      parts.push(`default ${JSON.stringify(m.default)}`);
    return parts.join('; ');
  }

  function memberTable(list, withWhere) {
    return el('table', {},
      el('tr', {}, el('th', {}, 'name'), withWhere ? el('th', {}, 'in') : null, el('th', {}, 'type and limits'),
         el('th', {}, 'description')),
      list.map((m) => el('tr', {},
        el('td', {}, el('code', {}, m.name), m.required ? ' (required)' : ''),
        withWhere ? el('td', {}, m.in) : null,
        el('td', {}, schemaText(m)),
        el('td', { class: 'desc' }, m.description, m.example !== undefined ? ` Example: ${JSON.stringify(m.example)}.` : ''))));
  }

  function methodBadge(method) {
    return el('span', { class: `method method-${method}` }, method);
  }

  // ---- the navigation ----

  function matches(op, words) {
    return matchesWords(`${op.tag} ${op.subGroup} ${op.summary} ${op.path} ${op.method} ${op.id}`, words);
  }

  function renderTree() {
    const words = $('filter').value.toLowerCase().split(/\s+/).filter(Boolean);
    const tree = $('tree');
    tree.replaceChildren();
    const open = words.length > 0;
    const tables = state.api.tables.filter((t) => matchesWords(`tables ${t.table} ${t.tag}`, words));
    if (tables.length)
      tree.append(el('details', { open: open || undefined, class: 'tables' },
        el('summary', {}, 'Tables ', el('span', { class: 'count' }, `(${tables.length})`)),
        el('ul', {}, tables.map((t) => el('li', {},
          el('a', { href: `#/table/${encodeURIComponent(t.table)}` }, methodBadge('TABLE'), `${t.table}: list all`))))));
    for (const group of state.api.groups) {
      const ops = state.api.operations.filter((op) => op.tag === group.name && matches(op, words));
      if (!ops.length)
        continue;
      const sub = group.subGroups.map((name) => {
        const list = ops.filter((op) => op.subGroup === name);
        if (!list.length)
          return null;
        const items = el('ul', {}, list.map((op) => el('li', {},
          el('a', { href: `#/op/${op.id}`, 'data-op': op.id, title: `${op.method} ${op.path}` }, methodBadge(op.method), op.summary))));
        return name ? el('details', { open: open || undefined },
          el('summary', {}, `${name} `, el('span', { class: 'count' }, `(${list.length})`)), items) : items;
      });
      tree.append(el('details', { open: open || undefined },
        el('summary', {}, `${group.name} `, el('span', { class: 'count' }, `(${ops.length})`)), sub));
    }
    if (!tree.childElementCount)
      tree.append(el('p', { class: 'muted' }, 'No route matches.'));
    markCurrent();
  }

  function markCurrent() {
    for (const a of document.querySelectorAll('nav a'))
      a.classList.toggle('current', a.getAttribute('href') === location.hash);
  }

  // ---- one operation ----

  function renderOperation(op) {
    const main = $('main');
    const queryInputs = new Map();
    const queryParams = op.parameters.filter((p) => p.in === 'query');
    const bodyInput = op.body ? el('textarea', { class: 'body', spellcheck: 'false', 'aria-label': 'request body' }) : null;
    if (bodyInput)
      bodyInput.value = JSON.stringify(op.body.example ?? {}, null, 1);
    const refresh = el('input', { type: 'checkbox' });
    const result = el('div', { class: 'result' });
    const tableResult = el('div', { class: 'walk' });

    const sendButton = el('button', { type: 'submit', class: 'send' }, `Send ${op.method}`);
    const form = el('form', { class: 'try', onsubmit: async (event) => {
      event.preventDefault();
      sendButton.disabled = true;
      const query = {};
      for (const [name, input] of queryInputs)
        query[name] = input.value;
      const problems = requestProblems(op, query, bodyInput?.value);
      if (problems.length) {
        fill(result, el('div', { class: 'verdict bad' }, el('strong', {}, 'Not sent'),
          'The switch would not take this as meant:', el('ul', {}, problems.map((p) => el('li', {}, p)))));
        sendButton.disabled = false;
        return;
      }
      try {
        await tryOperation(op, target(op, query), bodyInput?.value, refresh.checked, result);
      } finally {
        sendButton.disabled = false;
      }
    } },
      queryParams.map((p) => {
        const input = el('input', { name: p.name, placeholder: p.example !== undefined ? `e.g. ${p.example}` : '', spellcheck: 'false' });
        queryInputs.set(p.name, input);
        return el('label', {}, el('span', { class: 'name' }, p.name), input);
      }),
      bodyInput ? el('label', {}, el('span', { class: 'name' }, 'body (JSON)')) : null,
      bodyInput,
      el('label', {}, refresh, 'Refresh header: this request does not renew the session'),
      el('div', { class: 'actions' }, sendButton,
        op.walk ? el('button', { type: 'button', class: 'secondary list-all', onclick: () => listAll(op.walk.table, {}, tableResult) },
          `List all ${op.walk.table}`) : null));

    const data = op.reply;
    fill(main,
      el('h2', {}, methodBadge(op.method), el('code', {}, op.path)),
      el('p', { class: 'summary' }, op.summary),
      el('p', { class: 'muted' }, `${op.tag}${op.subGroup ? ` › ${op.subGroup}` : ''} · ${op.id} · `,
        op.write ? 'needs the admin user or a read-write user' : 'any session, read-only included'),
      el('p', {}, op.description),
      queryParams.length || op.parameters.length ? [el('h3', {}, 'Parameters'), memberTable(op.parameters, true)] : null,
      op.body ? [el('h3', {}, 'Body members'), memberTable(op.body.members, false),
        el('p', { class: 'muted' }, 'Example body:'), el('pre', {}, JSON.stringify(op.body.example ?? {}, null, 1))] : null,
      data ? [el('h3', {}, `Reply data (under "${data.group}")`), memberTable(data.members, false)]
        : [el('h3', {}, 'Reply'), el('p', {}, 'The status alone: "resp" with "respCode", "respMsg" and "status".')],
      op.curl ? [el('h3', {}, 'Example'), el('pre', {}, op.curl)] : null,
      el('h3', {}, 'Try it'),
      form,
      result,
      tableResult);
  }

  // Sends an operation as filled in, and shows the request, the answer and
  // the verdict.
  async function tryOperation(op, url, body, refresh, out) {
    const sentBody = op.body ? body : undefined;
    const shown = [`${op.method} ${url}`];
    if (state.session)
      shown.push(`Session: ${state.session.token.slice(0, 4)}… (this tab's session)`);
    if (refresh)
      shown.push('Refresh: 1');
    if (sentBody !== undefined)
      shown.push('Content-Type: application/json', '', sentBody);
    fill(out, el('h3', {}, 'Request sent'), el('pre', { class: 'request' }, shown.join('\n')));
    let reply;
    try {
      reply = await send(op.method, url, { body: sentBody, refresh });
    } catch (error) {
      out.append(el('div', { class: 'verdict bad' }, el('strong', {}, 'Not sent'), `The server was not reached: ${error.message}`));
      return;
    }
    const v = verdict(op, reply);
    out.append(
      el('h3', {}, `Answer: HTTP ${reply.status} ${reply.statusText}`),
      el('div', { class: `verdict ${v.ok ? 'ok' : 'bad'}` }, el('strong', {}, v.title), v.words),
      reply.text ? el('pre', { class: 'envelope' }, reply.text) : el('p', { class: 'muted' }, '(no body)'));
  }

  // ---- tables ----

  // One step of a walk, sent as the page sends everything.
  const walkSend = (op, { query, body }) => send(op.method, target(op, query ?? {}), { body });

  // Walks a table to its end and shows it whole, with the verdict on how the
  // walk ended.
  async function listAll(name, fixed, out) {
    fill(out, el('h3', {}, `Table ${name}`), el('p', { class: 'muted' }, 'Walking…'));
    let result;
    try {
      result = await walkTable(state.api, name, walkSend, fixed);
    } catch (error) {
      result = { rows: [], ending: { ok: false, error } };
    }
    const { rows, ending } = result;
    const columns = [...new Set(rows.flatMap((row) => Object.keys(row)))];
    const cell = (value) => value === undefined ? '' : typeof value === 'object' ? JSON.stringify(value) : String(value);
    fill(out,
      el('h3', {}, `Table ${name}: ${rows.length} ${rows.length === 1 ? 'entry' : 'entries'}`),
      rows.length ? el('table', { class: 'table-rows' },
        el('tr', {}, columns.map((c) => el('th', {}, c))),
        rows.map((row) => el('tr', {}, columns.map((c) => el('td', {}, cell(row[c])))))) : el('p', {}, 'The table is empty.'),
      walkVerdict(ending, result.walks));
  }

  function walkVerdict(ending, walks) {
    const box = (ok, title, words) => el('div', { class: `verdict ${ok ? 'ok' : 'bad'}` }, el('strong', {}, title), words);
    const again = walks > 1 ? ` (walked ${walks} times, until the table held still)` : '';
    if (ending.ok && ending.counted !== undefined)
      return box(true, 'End of the table', `all ${ending.counted} entries the switch counts were found${again}.`);
    if (ending.ok) {
      const resp = ending.reply.envelope.resp;
      return box(true, 'End of the table', `no more entries: ${target(ending.op, ending.req.query ?? {})} answered ` +
                 `code ${resp.respCode} "${resp.respMsg}"${again}.`);
    }
    if (ending.error)
      return box(false, 'Stopped', `The server was not reached: ${ending.error.message}`);
    if (ending.repeated)
      return box(false, 'Stopped', 'The switch named the same entry twice: the walk would not end.');
    if (ending.tooLong)
      return box(false, 'Stopped', 'The walk went on past its limit of steps.');
    if (ending.probeLimit)
      return box(false, 'Stopped', `Fewer entries were found than the ${ending.count} the switch counts.`);
    if (ending.unsettled)
      return box(false, 'Stopped', 'The table kept changing while it was walked: try again.');
    if (ending.unknown)
      return box(false, 'Unknown table', 'The API description names no such table.');
    const v = verdict(ending.op, ending.reply);
    return box(false, v.title, v.words);
  }

  function renderTable(name) {
    const out = el('div', { class: 'walk' });
    const table = state.api.tables.find((t) => t.table === name);
    const first = table ? state.byId.get(table.first) : null;
    const fixed = new Map((first?.walk.fixed ?? []).map((param) => [param, el('input', { name: param, spellcheck: 'false' })]));
    const values = () => Object.fromEntries([...fixed].filter(([, input]) => input.value !== '').map(([p, input]) => [p, input.value]));
    fill($('main'),
      el('h2', {}, methodBadge('TABLE'), el('code', {}, name)),
      el('p', { class: 'summary' }, `Every entry of the table ${name}, walked from the first to the last.`),
      first ? el('p', { class: 'muted' }, `${first.tag}${first.subGroup ? ` › ${first.subGroup}` : ''} · starts with `,
        el('a', { href: `#/op/${first.id}` }, first.summary)) : null,
      el('form', { class: 'try', onsubmit: (event) => {
        event.preventDefault();
        listAll(name, values(), out);
      } },
        [...fixed].map(([param, input]) => el('label', {}, el('span', { class: 'name' }, param), input, ' (for the whole walk; optional)')),
        el('div', { class: 'actions' }, el('button', { type: 'submit', class: 'list-all' }, 'List all'))),
      out);
  }

  function renderHome() {
    const api = state.api;
    fill($('main'),
      el('h2', {}, api.title),
      el('p', { class: 'intro' }, `${api.operations.length} operations in ${api.groups.length} groups. Log in (or paste a ` +
        'session token), find a route on the left, read its members and limits, and send it with "Try it". ' +
        'Under "Tables", "list all" walks a table to its end.'),
      el('p', { class: 'intro muted' }, 'The token is kept for this tab only and is sent in the "Session" header.'));
  }

  function route() {
    const hash = location.hash;
    const op = hash.startsWith('#/op/') ? state.byId.get(hash.slice(5)) : null;
    if (op)
      renderOperation(op);
    else if (hash.startsWith('#/table/'))
      renderTable(decodeURIComponent(hash.slice(8)));
    else
      renderHome();
    markCurrent();
    window.scrollTo(0, 0);
  }

  async function start() {
    loadSession();
    showSession();
    $('login-form').addEventListener('submit', logIn);
    $('token-form').addEventListener('submit', useToken);
    $('logout-button').addEventListener('click', logOut);
    $('filter').addEventListener('input', renderTree);
    try {
      const response = await fetch('api.json', { cache: 'no-cache' });
      state.api = await response.json();
    } catch (error) {
      fill($('main'), el('p', {}, `The API description did not load: ${error.message}`));
      return;
    }
    for (const op of state.api.operations)
      state.byId.set(op.id, op);
    renderTree();
    window.addEventListener('hashchange', route);
    route();
  }

  start();
})();
