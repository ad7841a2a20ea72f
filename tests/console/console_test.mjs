// The console in headless chromium, against the program behind lighttpd
// (tests/console/serve_cases.sh): load the page, sign in, find and send
// "ntp mode", change it, see a read-only user's PUT refused and explained,
// add two DNS name servers and list them all; a screenshot of each step.
// Every request stays on this server, the page raises no error (a policy
// violation is one), and the token stays out of cookies and addresses.
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join, resolve } from 'node:path';

const env = process.env;
const base = env.CONSOLE_BASE;
const { chromium } = createRequire(join(resolve(env.CONSOLE_MODULES), 'x.js'))('playwright-core');

let failures = 0;
function check(what, ok, detail = '') {
  console.log(`${ok ? 'ok' : 'not ok'} - ${what}${ok || !detail ? '' : `\n  ${detail}`}`);
  failures += ok ? 0 : 1;
}

const browser = await chromium.launch({
  executablePath: env.CHROMIUM,
  args: ['--no-sandbox', '--disable-dev-shm-usage', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--disable-default-apps'],
});
const context = await browser.newContext({ viewport: { width: 1280, height: 900 }, ignoreHTTPSErrors: true });
const requests = [];
context.on('request', (request) => requests.push(request.url()));
const page = await context.newPage();
page.setDefaultTimeout(15000);
const errors = [];
page.on('console', (message) => message.type() === 'error' && errors.push(message.text()));
page.on('pageerror', (error) => errors.push(error.message));

const accounts = { admin: ['admin', 'admin-pw'], reader: ['bob', 'bob-pw'] };
const tokens = [env.CONSOLE_ADMIN_TOKEN, env.CONSOLE_READER_TOKEN];
let shot = 0;
const screenshot = (name) =>
  page.screenshot({ path: join(env.CONSOLE_SHOTS, `${String(++shot).padStart(2, '0')}-${name}.png`), fullPage: true });

const verdictOf = async (scope) => (await page.locator(`${scope} .verdict`).last().textContent()) ?? '';

async function signIn(who) {
  if (env.CONSOLE_LOGIN) {
    const [user, password] = accounts[who];
    await page.fill('#login-user', user);
    await page.fill('#login-password', password);
    await page.click('#login-button');
  } else {
    await page.fill('#token-input', env[who === 'admin' ? 'CONSOLE_ADMIN_TOKEN' : 'CONSOLE_READER_TOKEN']);
    await page.click('#token-button');
  }
  await page.waitForSelector('#signed-in:not([hidden])');
  tokens.push(await page.evaluate(() => JSON.parse(sessionStorage.getItem('mgmt.session')).token));
}

async function signOut() {
  await page.click('#logout-button');
  await page.waitForSelector('#login-form:not([hidden])');
}

// Opens an operation through the navigation (filtered by WORDS), checking
// that it sits in the group and sub-group given.
async function openOperation(words, summary, group, subGroup) {
  await page.fill('#filter', words);
  const link = page.locator('#tree a', { hasText: summary }).first();
  const path = await link.evaluate((a) => {
    const names = [];
    for (let d = a.closest('details'); d; d = d.parentElement.closest('details'))
      names.unshift(d.querySelector('summary').firstChild.textContent.trim());
    return names.join(' › ');
  });
  check(`"${summary}" is under ${group} › ${subGroup}`, path === `${group} › ${subGroup}`, `found under ${path}`);
  await link.click();
  await page.waitForSelector('main form.try');
}

// Sends the open operation, with BODY when given; the verdict's text (the
// click clears the last answer before the request goes).
async function send(body) {
  if (body !== undefined)
    await page.fill('main textarea.body', body);
  await page.click('main button.send');
  await page.waitForSelector('main .result .verdict');
  return verdictOf('main .result');
}

// Lists a table through the navigation: its rows (header first) and the
// verdict on the walk's end.
async function listAll(table) {
  await page.fill('#filter', table);
  await page.click(`#tree a:has-text("${table}: list all")`);
  await page.click('main button.list-all');
  await page.waitForSelector('main .walk .verdict');
  return { rows: await page.locator('main .walk tr').allTextContents(), verdict: await verdictOf('main .walk') };
}

try {
  const response = await page.goto(`${base}/console/`);
  const headers = response.headers();
  const policy = headers['content-security-policy'] ?? '';
  check('the page is served', response.status() === 200, `status ${response.status()}`);
  check('its headers forbid framing, inline code and sniffing of types',
        policy.includes("frame-ancestors 'none'") && policy.includes("script-src 'self'") && !policy.includes('unsafe') &&
        headers['x-frame-options'] === 'DENY' && headers['x-content-type-options'] === 'nosniff', JSON.stringify(headers));
  await page.waitForSelector('#tree details');
  const described = (readFileSync(env.CONSOLE_DESCRIPTION, 'utf8').match(/^ +operationId: /gm) ?? []).length;
  const listed = await page.locator('#tree a[data-op]').count();
  check('every operation of the description is listed', listed === described && listed > 0, `${listed} of ${described}`);
  await screenshot('loaded');

  // A wrong password is explained; so is a login without the login side.
  await page.fill('#login-user', 'admin');
  await page.fill('#login-password', 'wrong');
  await page.click('#login-button');
  const refusal = env.CONSOLE_LOGIN ? /code 12001/ : /does not answer here/;
  await page.waitForFunction((text) => new RegExp(text).test(document.getElementById('session-note').textContent),
                             refusal.source);
  check('a login that fails is explained, and signs nobody in', await page.isVisible('#login-form'));

  await signIn('admin');
  const stored = await page.evaluate(() => ({ session: sessionStorage.getItem('mgmt.session'), cookie: document.cookie }));
  const token = JSON.parse(stored.session ?? '{}').token ?? '';
  check('the session is kept in this tab only, no cookie', /^[0-9a-f]{32}$/.test(token) && stored.cookie === '' &&
        (env.CONSOLE_LOGIN || token === env.CONSOLE_ADMIN_TOKEN), JSON.stringify(stored));
  await openOperation('ntp mode', 'Read the NTP mode', 'NTP', 'Global');
  let verdict = await send();
  check('GET ntp mode: Success', verdict.startsWith('Success'), verdict);
  check('the envelope is shown', /"ntp":\s*\{/.test(await page.textContent('main pre.envelope')));
  check('the request is shown', (await page.textContent('main pre.request')).startsWith('GET /api/v2/mgmt/ntp/mode'));
  await screenshot('ntp-mode-get');

  await openOperation('ntp mode', 'Set the NTP mode', 'NTP', 'Global');
  verdict = await send('{"mode": "ntp_broadcast"}');
  check('PUT ntp mode as admin: Success', verdict.startsWith('Success'), verdict);
  verdict = await send('{"mode": true}');
  check('a value the switch would misread is not sent, and why',
        verdict.startsWith('Not sent') && verdict.includes('"ntp_disabled"'), verdict);
  await signOut();

  await signIn('reader');
  await openOperation('ntp mode', 'Set the NTP mode', 'NTP', 'Global');
  verdict = await send('{"mode": "ntp_unicast"}');
  check('PUT ntp mode as a read-only user: refused, and why',
        verdict.startsWith('Refused') && verdict.includes('read-only') && verdict.includes('403'), verdict);
  await screenshot('read-only-put-refused');
  await signOut();

  await signIn('admin');
  const before = await listAll('dns-name-servers');
  for (const address of ['192.0.2.53', '198.51.100.7']) {
    await openOperation('name server', 'Add a name server', 'DNS client', 'Name servers');
    verdict = await send(JSON.stringify({ ipAddr: address }));
    check(`POST name server ${address}: Success`, verdict.startsWith('Success'), verdict);
  }
  const after = await listAll('dns-name-servers');
  check('list all: the servers there before and the two added',
        after.rows.length === before.rows.length + 2 && before.rows.slice(1).every((row) => after.rows.includes(row)) &&
        ['192.0.2.53', '198.51.100.7'].every((a) => after.rows.some((row) => row.includes(a))),
        `before: ${before.rows.join(' | ')}; after: ${after.rows.join(' | ')}`);
  check('list all: walked to the end of the table', after.verdict.startsWith('End of the table'), after.verdict);
  await screenshot('dns-name-servers-listed');
  await signOut();
  check('signing out forgets the token', await page.evaluate(() => sessionStorage.length === 0));
  if (env.CONSOLE_LOGIN) {
    const after = await context.request.get(`${base}/api/v2/mgmt/ntp/mode`, { headers: { Session: tokens.at(-1) } });
    check('signing out ends the session on the switch', after.status() === 403, `status ${after.status()}`);
  }

  const stray = requests.filter((url) => !/^(about|data):/.test(url) &&
    !(url.startsWith(`${base}/`) && /^\/(console\/|api\/v2\/)/.test(url.slice(base.length))));
  check('every request went to this server\'s console or API', stray.length === 0, stray.join(' '));
  check('no token in any address', requests.every((url) => tokens.every((t) => !url.includes(t))));
  const pageErrors = errors.filter((e) => !/status of (403|500)/.test(e));
  check('the page raised no error', pageErrors.length === 0, pageErrors.join(' | '));
} catch (error) {
  check(`the run ended early: ${error.message}`, false);
} finally {
  await browser.close();
}
console.log(`${failures ? `${failures} failed` : 'all passed'}; screenshots in ${env.CONSOLE_SHOTS}`);
process.exit(failures ? 1 : 0);
