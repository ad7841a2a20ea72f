// Which operations read and write the switch's configuration: the settings
// and tables a configuration document holds, by area. describe.mjs writes
// each as the x-config extension of the operations it names, so that a
// client (client/swmgmt config get/diff/apply) builds the document and the
// changes from the description rather than from a list of its own. Status
// values and actions (counters, associations, ping, the clock) are not
// configuration and carry no mark.
//
// x-config members:
//   area     the document's group: the first segment of the resource's short
//            name ("ntp" for /api/v2/mgmt/ntp/mode)
//   order    where the item comes when changes are made: keys before the
//            servers that use them, authentication after its trusted keys;
//            deletions are made in the reverse order, before anything else
//   role     read | write | clear (a setting's GET, PUT, DELETE);
//            walk | add | delete (a table's first walk step, its add, its
//            delete); an entry's own settings are read | write with table
//   setting  the setting's name in its area: the resource, as the client's
//            set takes it (area/setting)
//   table    the table's name in its area
//   walk     the x-walk table that lists the entries (role walk)
//   key      the entry's identity: its field in the document, and the input
//            that names the entry in the entry's settings
//   keyInput the add's or delete's input that carries the key, where it has
//            another name
//   fixed    inputs sent with every add or delete, always the same
//   fields   entry fields that only the add writes (a change of one is a
//            delete and an add)

const setting = (name, { clear } = {}) => ({ setting: name, clear });

export const areas = [
  { area: 'bonjour', items: ['admin-mode', 'debug-level1', 'debug-level2'].map((s) => setting(s)) },
  {
    area: 'cloud-managed',
    items: ['mode', 'server-url', 'proxy-ip', 'proxy-user', 'oper-mode'].map((s) => setting(s)),
  },
  {
    area: 'dns',
    items: [
      setting('admin-mode'),
      setting('default-domain-name', { clear: true }),
      {
        table: 'name-servers', walk: 'dns-name-server-addresses', key: 'ipAddr',
        add: 'postDnsIpNameServer', delete: 'deleteDnsIpNameServer',
      },
      {
        table: 'static-hosts', walk: 'dns-static-hosts', key: 'hostname', fields: ['ipAddr'],
        add: 'putDnsStaticHostAddressMapping', delete: 'deleteDnsStaticHostAddressMapping',
        fixed: { vrfName: '' },
      },
    ],
  },
  {
    area: 'mgmttelnet',
    items: ['agent-telnet-admin-mode', 'sw-dev-ctrl-telnet-mgmt-port-num', 'agent-telnet-num-sessions',
      'agent-telnet-timeout', 'agent-telnet-new-sessions'].map((s) => setting(s)),
  },
  {
    area: 'ntp',
    items: [
      setting('mode'),
      setting('broadcast-client-mode'),
      setting('source-interface'),
      {
        table: 'keys', walk: 'ntp-keys', key: 'keyNumber',
        add: 'postNtpAuthTableKey', delete: 'deleteNtpAuthTableKey',
        settings: ['auth-table-key-value', 'auth-table-key-msg-auth-alg', 'auth-table-key-trusted'],
      },
      {
        table: 'servers', walk: 'ntp-servers', key: 'ntpServer', keyInput: 'ipAddr',
        add: 'postNtpServer', delete: 'deleteNtpServer',
        settings: ['server-table-auth-key', 'server-table-min-poll', 'server-table-max-poll', 'server-table-prefer',
          'server-table-burst', 'server-table-iburst', 'server-table-version'],
      },
      setting('authentication-mode'),
    ],
  },
  {
    area: 'webmgmt',
    items: ['sw-dev-ctrl-web-mgmt-mode', 'sw-dev-ctrl-web-mgmt-port-num', 'cli-web-http-num-sessions',
      'cli-web-http-session-soft-time-out', 'cli-web-http-session-hard-time-out'].map((s) => setting(s)),
  },
];

// The marks by "METHOD resource-path-tail" and by operationId: resolve(key)
// tells the operationId of a setting's route ("GET ntp/mode") once the
// description's operations are known.
export function configMarks() {
  const byRoute = new Map(); // "GET ntp/mode" -> mark
  const byId = new Map(); // operationId -> mark
  let order = 0;
  for (const { area, items } of areas) {
    for (const item of items) {
      order += 1;
      if (item.setting) {
        const base = { area, order, setting: item.setting };
        byRoute.set(`GET ${area}/${item.setting}`, { ...base, role: 'read' });
        byRoute.set(`PUT ${area}/${item.setting}`, { ...base, role: 'write' });
        if (item.clear)
          byRoute.set(`DELETE ${area}/${item.setting}`, { ...base, role: 'clear' });
        continue;
      }
      const base = { area, order, table: item.table, key: item.key };
      const keyInput = item.keyInput ? { keyInput: item.keyInput } : {};
      const fixed = item.fixed ? { fixed: item.fixed } : {};
      byId.set(`walk:${item.walk}`, { ...base, role: 'walk', walk: item.walk, ...(item.fields ? { fields: item.fields } : {}) });
      byId.set(item.add, { ...base, role: 'add', ...keyInput });
      byId.set(item.delete, { ...base, role: 'delete', ...keyInput, ...fixed });
      for (const name of item.settings ?? []) {
        byRoute.set(`GET ${area}/${name}`, { ...base, setting: name, role: 'read' });
        byRoute.set(`PUT ${area}/${name}`, { ...base, setting: name, role: 'write' });
      }
    }
  }
  return { byRoute, byId };
}

// The x-config of one operation: by its id (adds, deletes, walks) or by its
// method and resource ("PUT", "ntp/mode"); null for anything else.
export function configOf(marks, operationId, method, resource, walkTable) {
  if (marks.byId.has(operationId))
    return marks.byId.get(operationId);
  if (walkTable && marks.byId.has(`walk:${walkTable}`))
    return marks.byId.get(`walk:${walkTable}`);
  return marks.byRoute.get(`${method} ${resource}`) ?? null;
}
