// What each route reads and answers: the declaration that the OpenAPI
// description is made from. The routes themselves, their base paths,
// resources, methods and order, come from the program's route table
// (openapi_routes); this file says, for each route, its request inputs and
// its reply members. The members check (members.mjs) holds both against the
// built program.
import {
  addr, flag, list, mode, num, num16, object, outBool, outFlag, outMode, outNamed, outNum, outNum16, outObject,
  outText, text, word,
} from './fields.mjs';

// ---- how a route is declared ----

const inBody = (field) => ({ ...field, where: 'body' });
const inQuery = (field) => ({ ...field, where: 'query' });
// A secret input (a key value, a password): "format: password" tells tools to
// hide it, and the program's audit record holds "***" in its place. The
// program's own list of secret names is held against these marks (tests/audit).
const secret = (field) => ({
  ...field,
  schema: { ...field.schema, format: 'password' },
  text: (where) => `${field.text(where)} A secret: the audit record holds "***" in its place.`,
});

// A set: the inputs go to the switch and the reply is the status only.
const set = (summary, inputs = [], more = {}) => ({ reply: 'status', summary, inputs, ...more });
// A get: on success the reply members under the group name.
const get = (summary, inputs, outputs, more = {}) => ({ reply: 'data', summary, inputs, outputs, ...more });
// A resource reserved for a feature the switch does not carry.
const unsupported = (summary) => ({ reply: 'unsupported', summary, inputs: [] });

// A setting read with GET and written with PUT from one body member.
function setting(what, input, output, examples) {
  return {
    PUT: set(`Set ${what}`, [inBody(input)], { examples }),
    GET: get(`Read ${what}`, [], [output]),
  };
}
const modeSetting = (what, member = 'mode', replyMember = 'pMode') =>
  setting(what, mode(member, `${capital(what)}: "enable" or "disable".`), outMode(replyMember, `${capital(what)}.`),
    { [member]: 'enable' });
const numberSetting = (what, member, replyMember, example) =>
  setting(what, num(member, `${capital(what)}.`, { example }), outNum(replyMember, `${capital(what)}.`));

function capital(text) {
  return text[0].toUpperCase() + text.slice(1);
}

// ---- shared inputs and reply members ----

const portFlag = flag('flag', 'Whether the server moves to the new port now ("true") or only records it.');

const ntpServerBody = inBody(text('ntpServer', 'The configured NTP server, by its address text as it was added.', 255,
  '192.0.2.10'));
const ntpServerQuery = inQuery(text('ntpServer', 'The configured NTP server, by its address text as it was added.', 255,
  '192.0.2.10'));
const keyNumberBody = inBody(num('keyNumber', 'The key number.', { example: 7 }));
const keyNumberQuery = inQuery(num('keyNumber', 'The key number.', { example: 7 }));
const keyValue = inBody(secret(text('keyValue', 'The key value.', 129, 'Secret7Key')));
const isEncrypted = inBody(flag('isEncrypted', 'Whether "keyValue" is the switch\'s encrypted form of the key.'));
const msgAuthAlgs = ['none', 'md5', 'sha1', 'sha256'];
const msgAuthAlg = inBody(word('msgAuthAlg', 'The message authentication algorithm.', msgAuthAlgs, 'is "none" (0)',
  { dflt: 'none', example: 'md5' }));
const assocIdQuery = inQuery(num('assocId', 'The association identifier (the parameter name ends in a small d).'));

const ntpAddressTypes = ['ntp_address_ipv4', 'ntp_address_ipv6', 'ntp_address_dns', 'ntp_address_unknown'];
const ntpModes = ['ntp_disabled', 'ntp_unicast', 'ntp_broadcast'];
const associationModes = ['reserved', 'symmetric_active', 'symmetric_passive', 'client', 'server', 'broadcast',
  'reserved_control', 'reserved_private'];

const vrfName = (max) => text('vrfName', 'The VRF; the empty text is the default VRF.', max, '');
const hostname = (note) => text('hostname', note, 255, 'syslog');

const bonjourServices = ['bonjour_service_generic', 'bonjour_service_http', 'bonjour_service_https',
  'bonjour_service_telnet', 'bonjour_service_ssh', 'bonjour_service_last'];
const serviceEntry = outObject('pServiceEntry', 'A service of the switch.', [
  outNamed('service', 'The kind of service.', bonjourServices),
  outFlag('published', 'Whether the switch announces it now.'),
  outText('serviceName', 'The service instance name.'),
  outText('serviceType', 'The service type, such as "_http._tcp".'),
  outText('serviceDomain', 'The domain, such as "local".'),
  outNum('servicePort', 'The port.'),
  outText('serviceText', 'The TXT record text.'),
]);

const cacheEntry = outObject('domainNameEntry', 'The cache entry after the one named.', [
  outText('hostName', 'The host name; send it back as "hostName" for the next entry.'),
  outText('rrName', 'The resource record\'s name.'),
  outNum('rrType', 'The resource record type.'),
  outNum('rrIndex', 'The resource record index.'),
  outNum('rrClass', 'The resource record class.'),
  outNum('ttl', 'Time to live, in seconds.'),
  outNum('ttlElapsed', 'Seconds of the time to live that have passed.'),
  outNamed('entryType', 'The entry type.', ['address', 'cname', 'ptr', 'ipv6_address', 'invalid']),
  outText('hostAddr', 'The address: IPv6 text for an IPv6 address, else dotted IPv4 ("0.0.0.0" for none).'),
]);

// ---- ping and traceroute ----

function diagInputs(tool, limits) {
  const cut = (max) => (limits ? max : undefined);
  const prefix = tool === 'ping' ? 'ping' : 'traceroute';
  return {
    address: inBody(text('address', 'The destination: an IPv4 or IPv6 address.', cut(255), '192.0.2.1')),
    vrfName: inBody(vrfName(cut(15))),
    family: inBody(word('family', 'The address family of the destination: "inet" IPv4, "inet6" IPv6.', ['inet', 'inet6'],
      'is 0: the switch takes the family from the address')),
    srcType: inBody(word('srcType', 'Where the probes come from.', [`${prefix}_source_service_port`,
      `${prefix}_source_network_port`, `${prefix}_source_ip_port`, `${prefix}_source_address`],
    'is no particular source (4)', { example: `${prefix}_source_address` })),
    srcAddr: inBody(text('srcAddr', 'The source address, with "srcType" ' + `"${prefix}_source_address".`, cut(255),
      '10.1.1.2')),
    srcIntfFlag: inBody(word('srcIntf', 'The port the probes leave by.', [`${prefix}_source_intf_service_port`,
      `${prefix}_source_intf_network_port`], `is the service port (0); only "${prefix}_source_intf_network_port" selects the network port`,
    { dflt: `${prefix}_source_intf_service_port` })),
    srcIntf: inBody(num('srcIntf', 'The routing port (interface number) the probes come from, with "srcType" ' +
      `"${prefix}_source_ip_port".`, { example: 5 })),
  };
}

const ping = diagInputs('ping', false);
const pingCount = inBody(num('pingCount', 'Echo requests to send.', { example: 3 }));
const pingInterval = inBody(num('pingInterval', 'Seconds between requests.', { example: 1 }));
const pingSize = inBody(num('pingSize', 'Data bytes a request.', { example: 56 }));
const pingIntIfNum = inQuery(num('intIfNum', 'The routing port (interface number) the requests come from, with ' +
  '"srcType" "ping_source_ip_port"; read from the query string, not the body.', { example: 5 }));
const pingOut = [outText('output', 'What the ping printed.')];
const pingRun = (summary, inputs) => get(summary, inputs, pingOut, { failure: 'status' });

const trace = diagInputs('traceroute', true);
const tracerouteCount = inBody(num('tracerouteCount', 'Probes a hop.', { dflt: 3, example: 3 }));
const tracerouteInterval = inBody(num('tracerouteInterval', 'Seconds between probes.', { example: 0 }));
const tracerouteInitTtl = inBody(num('tracerouteInitTtl', 'The first time to live.', { dflt: 1, example: 1 }));
const tracerouteMaxTtl = inBody(num('tracerouteMaxTtl', 'The last time to live.', { dflt: 30, example: 30 }));
const tracerouteMaxFail = inBody(num('tracerouteMaxFail', 'Silent hops in a row before giving up.', { example: 5 }));
const tracerouteSize = inBody(num('tracerouteSize', 'Probe packet size in bytes.', { example: 60 }));
const tracerouteUdpPort = inBody(num('tracerouteUdpPort', 'The UDP port of the probes.', { example: 33434 }));
const traceOut = [outText('output', 'What the traceroute printed.')];
const traceRun = (summary, inputs) => get(summary, inputs, traceOut);

// ---- the groups ----

export const groups = [
  {
    basePath: '/api/v2/mgmt/bonjour',
    group: 'bonjour',
    tag: 'Bonjour',
    about: 'Publishing the switch\'s services with Bonjour, and walking the services it offers.',
    routes: {
      'admin-mode': modeSetting('the Bonjour admin mode'),
      'debug-level1': modeSetting('Bonjour debug level 1'),
      'debug-level2': modeSetting('Bonjour debug level 2'),
      'published-service-get-next': {
        POST: get('Walk the services: the service after the one sent', [inBody(object('pServiceEntry',
          'The service to start after: the "pServiceEntry" of the previous answer. Without it (or without a body, or ' +
          'with a body that is not JSON) the walk starts at the first service; "service" and "published" are not read.', [
            num('servicePort', 'The port.', { example: 80 }),
            text('serviceName', 'The service instance name.', 63, 'switch-http'),
            text('serviceType', 'The service type.', 1004, '_http._tcp'),
            text('serviceDomain', 'The domain.', 1004, 'local'),
            text('serviceText', 'The TXT record text.', 255, 'path=/'),
          ]))], [serviceEntry], { bodyOptional: true, notes: 'The walk ends with the first answer whose "respCode" is not 0.' }),
      },
      'published-service': {
        GET: get('Read a service by its kind and name', [
          inQuery(word('service', 'The kind of service; put this parameter before "serviceName".',
            ['http', 'https', 'telnet', 'ssh'], 'is the generic kind (0)')),
          inQuery(text('serviceName', 'The service instance name.', 63, 'switch-http')),
        ], [serviceEntry]),
      },
      'service-index-get-next': {
        POST: get('Walk the services by index: the index after the one sent', [inQuery(num('index',
          'The index to start after (0 starts the walk); read from the query string, the body is not read.',
          { example: 0 }))], [outNum('pNextIndex', 'The next index; send it back as "index".')]),
      },
      'service-get-by-index': {
        POST: get('Read the service at an index', [inQuery(num('index',
          'The index; read from the query string, the body is not read.'))], [serviceEntry]),
      },
    },
  },
  {
    basePath: '/api/v2/mgmt/cloud-managed',
    group: 'cloudManaged',
    tag: 'Cloud management',
    about: 'Attaching the switch to a cloud management service: on or off, the server\'s URL and the proxy on the way.',
    routes: {
      mode: modeSetting('cloud management', 'mode', 'mode'),
      'proxy-ip': {
        GET: get('Read the proxy address and port', [], [
          outText('ipAddr', 'The proxy address: IPv6 text, or dotted IPv4 ("0.0.0.0" for none).'),
          outNum('portNum', 'The proxy port.'),
        ]),
        PUT: set('Set the proxy address and port', [
          inBody(addr('ipAddr', 'The proxy address.', '192.0.2.80')),
          inQuery(num('portNum', 'The proxy port; read from the query string, not the body.', { example: 3128 })),
        ]),
      },
      'proxy-user': {
        GET: get('Read the proxy user', [], [
          outText('userName', 'The user name.'),
          outNamed('encryptType', 'How the password is kept.', ['password_encrypt_none', 'password_encrypt_aes',
            'password_encrypt_md5']),
          outText('password', 'The password, as the switch keeps it.'),
        ]),
        PUT: set('Set the proxy user', [
          inBody(text('userName', 'The user name.', 64, 'proxyuser')),
          inBody(word('encryptType', 'How the password is kept.', ['password_encrypt_none', 'password_encrypt_aes',
            'password_encrypt_md5'], 'is "password_encrypt_none"', { dflt: 'password_encrypt_none' })),
          inBody(secret(text('password', 'The password.', 128, 'proxy-secret'))),
        ]),
      },
      'server-url': {
        GET: get('Read the cloud server URL', [], [outText('url', 'The URL.')]),
        PUT: set('Set the cloud server URL', [inBody(text('url', 'The URL.', 150, 'https://cloud.example.com/device'))]),
      },
      'oper-mode': modeSetting('the cloud management operational mode', 'mode', 'mode'),
    },
  },
  {
    basePath: '/api/v2/mgmt/dns',
    group: 'dns',
    tag: 'DNS client',
    about: 'The switch\'s DNS client: its settings, name servers, static hosts, name lookups and cache.',
    routes: {
      'default-domain-name': {
        GET: get('Read the default domain name', [], [outText('defaultDomainName', 'The default domain name.')]),
        PUT: set('Set the default domain name', [inBody(text('defaultDomainName', 'The default domain name.', 255,
          'example.net'))]),
        DELETE: set('Remove the default domain name'),
      },
      'domain-name-max-size': {
        GET: get('Read the longest domain name the switch takes', [],
          [outNum('domainNameMaxSize', 'The longest domain name, in characters.')]),
      },
      'ip-name-server': {
        POST: set('Add a name server', [inBody(addr('ipAddr', 'The name server\'s address.', '192.0.2.53'))]),
        DELETE: set('Remove a name server', [inQuery(addr('ipAddr', 'The name server\'s address.', '192.0.2.53'))]),
      },
      'ip-name-servers-next': {
        GET: get('Walk the name servers: the server after the one sent', [inQuery(addr('ipAddr',
          'The server to start after; without it the walk starts at the first server.', '192.168.1.1'))],
        [outText('ipAddr', 'The next server\'s address; send it back as "ipAddr".')]),
      },
      'ip-name-servers-with-pref-next': {
        GET: get('Walk the name servers with their preferences', [
          inQuery(addr('ipAddr', 'The server to start after; without it the walk starts at the first server.',
            '192.168.1.1')),
          inQuery(num('preference', 'The preference handed to the switch with the server.')),
        ], [
          outText('ipAddr', 'The next server\'s address; send it back as "ipAddr".'),
          outNum('preference', 'Its preference.'),
        ]),
      },
      'domain-name-entry-next': {
        GET: get('Walk the DNS cache: the entry after the one sent', [inQuery(text('hostName',
          'The entry to start after (a capital N in the parameter name); without it the walk starts at the first entry.',
          254, 'time.example.net'))], { oneOf: [[cacheEntry], [outBool('empty', 'Always true: no entry follows.')]] },
        { notes: 'Past the last entry the answer is a success with {"empty": true}.' }),
      },
      'ip-name-servers-max-supported': {
        GET: get('Read how many name servers the switch takes', [],
          [outNum('maxNameServers', 'The most name servers.')]),
      },
      'static-host-address-mapping': {
        PUT: set('Map a host name to an address in the static host table', [
          inBody(hostname('The host name.')),
          inBody(addr('ipAddr', 'The address.', '192.0.2.20')),
        ], { examples: { hostname: 'logger' } }),
        DELETE: set('Remove a host from the static host table', [
          inQuery(vrfName(15)),
          inQuery(hostname('The host name.')),
          inQuery(word('family', 'Which of the host\'s addresses: "inet" or "ipv4" its IPv4 address, "inet6" or ' +
            '"ipv6" its IPv6 address.', ['inet', 'ipv4', 'inet6', 'ipv6'],
            'is 0 (no family)')),
        ], { examples: { hostname: 'tftp', family: 'ipv6' } }),
      },
      'static-host-next': {
        GET: get('Walk the static host names: the name after the one sent', [inQuery(hostname(
          'The name to start after; without it the walk starts at the first name.'))],
        [outText('hostname', 'The next host name; send it back as "hostname".')]),
      },
      'static-host-ip-addr': {
        GET: get('Read a static host\'s address', [inQuery(hostname('The host name.'))],
          [outText('ipAddr', 'The address: IPv6 text, or dotted IPv4.')]),
      },
      'domain-label-maximum-size': {
        GET: get('Read the longest label of a domain name the switch takes', [],
          [outNum('domainLabelMaxSize', 'The longest label, in characters.')]),
      },
      'client-inet-name-lookup': {
        POST: get('Look a host name up', [inBody(hostname('The host name.'))],
          [outText('ipAddr', 'The address the name resolves to.')], { examples: { hostname: 'www.example.com' } }),
      },
      'admin-mode': modeSetting('the DNS client', 'adminMode', 'adminMode'),
      'static-host-address-mapping-next': {
        GET: get('Walk the static host table: the entry after the one sent', [
          inQuery(vrfName(15)),
          inQuery(hostname('The host name to start after; without it the walk starts at the first entry.')),
          inQuery(addr('ipAddr', 'The address to start after.', '192.168.1.20')),
        ], [
          outText('hostname', 'The next entry\'s host name; send it back as "hostname".'),
          outText('ipAddr', 'Its address; send it back as "ipAddr".'),
        ]),
      },
      'client-cache-host': {
        DELETE: set('Clear the DNS cache, or one host\'s entries', [
          inQuery(vrfName(15)),
          inQuery(word('isAllHosts', 'Whether to clear every host of the VRF.', ['true', 'false'],
            'is "true": only exactly "false" clears one host', { dflt: 'true', example: 'false' })),
          inQuery(hostname('The host whose entries go, with "isAllHosts" "false".')),
        ], { examples: { hostname: 'time.example.net' } }),
      },
    },
  },
  {
    basePath: '/api/v2/system/common',
    group: 'dns',
    tag: 'Address helpers',
    about: 'The switch\'s own reading of an address text. These answer under the group name "dns".',
    routes: {
      'inet-addr': {
        GET: get('Read an address text as the switch does', [inQuery(text('ipStr',
          'The address text, or a host name of the static host table.', 45, '192.0.2.1'))],
        [outText('ipAddr', 'The address: IPv6 text, or dotted IPv4 ("0.0.0.0" for none).')]),
      },
      'inet-addr-max-size': {
        GET: get('Read the longest address text the switch takes', [],
          [outNum('inetAddrMaxSize', 'The longest address text, with its terminator.')]),
      },
    },
  },
  {
    basePath: '/api/v2/mgmt/event-notify',
    group: null,
    tag: 'Event notification',
    about: 'Registering a client with the switch\'s event notification, and subscribing it to events. Every answer ' +
      'is the status only.',
    routes: {
      'client-register': {
        POST: set('Register the client for event notification', [inBody(text('clientDescription',
          'What the client is.', 255, 'management station'))]),
      },
      'client-deregister': { POST: set('Deregister the client') },
      register: {
        POST: set('Subscribe the client to events', [
          inBody(num('numOfNotifyEvents', 'How many subscriptions the switch gets: the first this many entries of ' +
            '"eventNotifyCfg", all-zero entries filling up a shorter list. Missing, 0, negative, not a number, or ' +
            'more than 357913941 (the block would not fit a 32-bit size): code 10003 and nothing is sent.',
          { min: 1, example: 1 })),
          inBody(list('eventNotifyCfg', 'The subscriptions, in order. Not an array: code 10003 and nothing is sent; ' +
            'an element that is not an object gives an all-zero entry.', [
            num('eventType', 'The event type.', { example: 5 }),
            num('timeout', 'The timeout.', { example: 30 }),
            num('eventCount', 'The event count.', { example: 1 }),
          ])),
        ], { required: ['numOfNotifyEvents', 'eventNotifyCfg'] }),
      },
      deregister: { POST: set('Drop every subscription of the client') },
      'data-receive': { POST: unsupported('Receive event data (not supported)') },
    },
  },
  {
    basePath: '/api/v2/mgmt/mgmttelnet',
    group: 'mgmttelnet',
    tag: 'Telnet management',
    about: 'Telnet access to the switch: on or off, its port, its sessions and their time-out.',
    routes: {
      'agent-telnet-admin-mode': modeSetting('telnet access'),
      'sw-dev-ctrl-telnet-mgmt-port-num': {
        PUT: set('Set the telnet port', [inBody(num('port', 'The port.', { example: 2323 })), inBody(portFlag)],
          { examples: { flag: 'false' } }),
        GET: get('Read the telnet port', [], [outNum('pPort', 'The port.')]),
      },
      'agent-telnet-num-sessions': numberSetting('the most telnet sessions', 'maxSession', 'pSession', 4),
      'agent-telnet-timeout': numberSetting('the telnet session time-out in minutes', 'timeout', 'pTimeout', 20),
      'agent-telnet-new-sessions': modeSetting('whether new telnet sessions are taken', 'state', 'pState'),
      'agent-telnet-current-num-sessions': {
        GET: get('Read how many telnet sessions are open', [], [outNum('pSession', 'Open sessions.')]),
      },
    },
  },
  {
    basePath: '/api/v2/mgmt/beacon',
    group: 'beacon',
    tag: 'Discovery protocol',
    about: 'The mode of the switch\'s discovery protocol: not supported.',
    routes: {
      mode: {
        PUT: unsupported('Set the discovery protocol mode (not supported)'),
        GET: unsupported('Read the discovery protocol mode (not supported)'),
      },
    },
  },
  {
    basePath: '/api/v2/mgmt/ntp',
    group: 'ntp',
    tag: 'NTP',
    about: 'The switch\'s NTP client: global settings, servers and their settings, authentication keys, status and ' +
      'associations.',
    routes: {
      time: { PUT: set('Set the clock', [inBody(num('offset', 'The time.', { example: 1767225600 }))]) },
      server: {
        POST: set('Add an NTP server', [inBody(text('ipAddr', 'The server: an IPv4 or IPv6 address or a host name.',
          255, '192.0.2.10'))]),
        DELETE: set('Remove an NTP server', [inQuery(text('ipAddr', 'The server, by its address text as it was added.',
          255, '192.0.2.10'))]),
      },
      'servers-max-supported': {
        GET: get('Read how many NTP servers the switch takes', [], [outNum('maxNtpServers', 'The most servers.')]),
      },
      'server-max-addr-len': {
        GET: get('Read the longest NTP server address', [],
          [outNum('ntpServerAddrLen', 'The longest address, in characters.')]),
      },
      'server-first': {
        GET: get('Read the first NTP server', [], [outText('ntpServer', 'The first server added.')],
          { notes: 'With no server the answer carries a code other than 0.' }),
      },
      'server-next': {
        GET: get('Walk the NTP servers: the server after the one sent', [ntpServerQuery],
          [outText('nextNtpServer', 'The next server; send it back as "ntpServer".')],
          { examples: { ntpServer: '192.0.2.20' } }),
      },
      'server-address-type': {
        GET: get('Read the address type of an NTP server', [ntpServerQuery],
          [outNamed('ntpServerAddrType', 'The address type.', ntpAddressTypes)]),
      },
      mode: {
        PUT: set('Set the NTP mode', [inBody(word('mode', 'The NTP mode.', ntpModes, 'is "ntp_disabled"',
          { dflt: 'ntp_disabled', example: 'ntp_unicast' }))]),
        GET: get('Read the NTP mode', [], [outNamed('ntpMode', 'The NTP mode.', ntpModes)]),
      },
      'supported-mode': {
        GET: get('Read the NTP modes the switch supports', [], [outNamed('ntpSupportedMode', 'The supported modes.',
          ['ntp_supported_disabled', 'ntp_supported_unicast', 'ntp_supported_broadcast',
            'ntp_supported_unicast_and_broadcast'])]),
      },
      'active-ntp-server-address-type': {
        GET: get('Read the address type of the active NTP server', [],
          [outNamed('type', 'The address type.', ntpAddressTypes)]),
      },
      'active-ntp-server-ip-address': {
        GET: get('Read the address of the active NTP server', [], [outText('ntpServer', 'The active server.')]),
      },
      'active-ntp-server-stratum': {
        GET: get('Read the stratum of the active NTP server', [], [outNum('stratum', 'The stratum.')]),
      },
      'active-ntp-server-reference-id': {
        GET: get('Read the reference identifier of the active NTP server', [],
          [outText('reference', 'The reference identifier.')]),
      },
      'server-reference-string-length': {
        GET: get('Read the longest reference identifier', [],
          [outNum('refStrLen', 'The longest reference identifier, in characters.')]),
      },
      'active-ntp-server-mode': {
        GET: get('Read the association mode of the active NTP server', [],
          [outNamed('serverMode', 'The association mode.', associationModes)]),
      },
      'server-current-entries': {
        GET: get('Read how many NTP servers are configured', [], [outNum('currEntries', 'Configured servers.')]),
      },
      'authentication-mode': {
        PUT: set('Set NTP authentication', [inBody(flag('mode', 'Whether NTP authentication is on.'))],
          { examples: { mode: 'true' } }),
        GET: get('Read NTP authentication', [], [outFlag('mode', 'Whether NTP authentication is on.')]),
      },
      'broadcast-delay': {
        PUT: unsupported('Set the broadcast delay (not supported)'),
        GET: unsupported('Read the broadcast delay (not supported)'),
      },
      'source-interface': {
        PUT: set('Set the NTP source interface', [inQuery(num('intIfNum',
          'The interface number (0: none); read from the query string, the body is not read.', { example: 5 }))]),
        GET: get('Read the NTP source interface', [], [outNum('intIfNum', 'The interface number.')]),
      },
      'vrf-name': {
        PUT: unsupported('Set the NTP VRF (not supported)'),
        GET: unsupported('Read the NTP VRF (not supported)'),
      },
      'server-table-auth-key': {
        PUT: set('Set the authentication key of an NTP server', [ntpServerBody, inQuery(num('keyIndex',
          'The key number (0: none); read from the query string, not the body.', { example: 7 }))]),
        GET: get('Read the authentication key of an NTP server', [ntpServerQuery],
          [outNum('keyIndex', 'The key number.')]),
      },
      'server-table-max-poll': {
        PUT: set('Set the longest poll interval of an NTP server', [ntpServerBody,
          inBody(num16('interval', 'The poll interval, log2 seconds.', { example: 10 }))]),
        GET: get('Read the longest poll interval of an NTP server', [ntpServerQuery],
          [outNum16('interval', 'The poll interval, log2 seconds.')]),
      },
      'server-table-min-poll': {
        PUT: set('Set the shortest poll interval of an NTP server', [ntpServerBody,
          inBody(num16('interval', 'The poll interval, log2 seconds.', { example: 6 }))]),
        GET: get('Read the shortest poll interval of an NTP server', [ntpServerQuery],
          [outNum16('interval', 'The poll interval, log2 seconds.')]),
      },
      'server-table-prefer': {
        PUT: set('Set whether an NTP server is preferred', [ntpServerBody, inBody(flag('prefer', 'Preferred.'))],
          { examples: { prefer: 'true' } }),
        GET: get('Read whether an NTP server is preferred', [ntpServerQuery], [outFlag('prefer', 'Preferred.')]),
      },
      'server-table-burst': {
        PUT: set('Set burst mode for an NTP server', [ntpServerBody, inBody(flag('burst', 'Burst mode.'))]),
        GET: get('Read burst mode of an NTP server', [ntpServerQuery], [outFlag('burst', 'Burst mode.')]),
      },
      'server-table-iburst': {
        PUT: set('Set initial burst mode for an NTP server', [ntpServerBody,
          inBody(flag('iburst', 'Initial burst mode.'))], { examples: { iburst: 'true' } }),
        GET: get('Read initial burst mode of an NTP server', [ntpServerQuery],
          [outFlag('iburst', 'Initial burst mode.')]),
      },
      'server-table-version': {
        PUT: set('Set the NTP version used with a server', [ntpServerBody,
          inBody(num16('version', 'The NTP version.', { example: 4 }))]),
        GET: get('Read the NTP version used with a server', [ntpServerQuery], [outNum16('version', 'The NTP version.')]),
      },
      'auth-table-key': {
        POST: set('Add an NTP authentication key', [keyNumberBody, keyValue, isEncrypted, msgAuthAlg],
          { examples: { isEncrypted: 'false' } }),
        DELETE: set('Remove an NTP authentication key', [keyNumberQuery]),
      },
      'auth-table-key-value': {
        PUT: set('Set the value of an NTP authentication key', [keyNumberBody, keyValue, isEncrypted],
          { examples: { isEncrypted: 'false' } }),
        GET: get('Read the value of an NTP authentication key', [keyNumberQuery],
          [outText('keyValue', 'The key value, as the switch keeps it.')]),
      },
      'auth-table-key-msg-auth-alg': {
        PUT: set('Set the algorithm of an NTP authentication key', [keyNumberBody, msgAuthAlg],
          { examples: { msgAuthAlg: 'sha256' } }),
        GET: get('Read the algorithm of an NTP authentication key', [keyNumberQuery],
          [outNamed('msgAuthAlg', 'The algorithm ("none" for any code the switch reports but 1 to 3).', msgAuthAlgs)]),
      },
      'auth-table-key-trusted': {
        PUT: set('Set whether an NTP authentication key is trusted', [keyNumberBody,
          inBody(flag('trustedStatus', 'Trusted.'))], { examples: { trustedStatus: 'true' } }),
        GET: get('Read whether an NTP authentication key is trusted', [keyNumberQuery],
          [outFlag('trustedStatus', 'Trusted.')]),
      },
      'auth-table-entry-first': {
        GET: get('Read the smallest NTP key number', [], [outNum('keyNumber', 'The first key number.')]),
      },
      'auth-table-entry-get-next': {
        POST: get('Walk the NTP keys: the key number after the one sent', [inBody(num('keyNum',
          'The key number to start after.', { example: 1 }))], [outNum('nextKeyNum', 'The next key number; send it ' +
          'back as "keyNum".')]),
      },
      'notify-peer-list': {
        POST: set('Hand the NTP service a peer list', [inBody(text('assocList',
          'Association identifiers in decimal separated by commas.', 255, '1,2'))]),
      },
      'broadcast-client-mode': {
        PUT: set('Set the NTP broadcast client mode', [inBody(mode('mode', 'The broadcast client mode.'))]),
        GET: get('Read the NTP broadcast client mode', [], [outMode('ntpMode', 'The broadcast client mode.')]),
      },
      version: { GET: get('Read the NTP version of the switch', [], [outNum('version', 'The NTP version.')]) },
      'ent-software-name': {
        GET: get('Read the name of the NTP software', [], [outText('swName', 'The software name.')]),
      },
      'ent-software-version': {
        GET: get('Read the version of the NTP software', [], [outText('swVersion', 'The software version.')]),
      },
      'ent-system-type': {
        GET: get('Read the system type of the NTP software', [], [outText('systemType', 'The system type.')]),
      },
      'ent-status-in-pkts': {
        GET: get('Read how many NTP packets came in', [], [outNum('inPkts', 'Packets received.')]),
      },
      'ent-status-out-pkts': {
        GET: get('Read how many NTP packets went out', [], [outNum('outPkts', 'Packets sent.')]),
      },
      'ent-status-bad-version': {
        GET: get('Read how many NTP packets had a bad version', [], [outNum('badVerPkts', 'Packets of a bad version.')]),
      },
      'ent-status-protocol-error': {
        GET: get('Read how many NTP packets had protocol errors', [],
          [outNum('pErrPkts', 'Packets with protocol errors.')]),
      },
      'assoc-id': {
        GET: get('Tell whether an NTP association exists', [inQuery(num('assocID',
          'The association identifier (the parameter name ends in a capital D).'))], [
          outNum('assocID', 'The identifier asked for.'),
          outBool('exists', 'Whether an association has it.'),
        ]),
      },
      'assoc-id-next': {
        GET: get('Read the next NTP association identifier', [],
          [outNum('nextAssocID', 'The smallest association identifier.')]),
      },
      'assoc-name': {
        GET: get('Read the name of an NTP association', [assocIdQuery], [outText('assocName', 'The name.')]),
      },
      'assoc-ref-id': {
        GET: get('Read the reference identifier of an NTP association', [assocIdQuery],
          [outText('assocRefId', 'The reference identifier.')]),
      },
      'assoc-address-type': {
        GET: get('Read the address type of an NTP association', [assocIdQuery],
          [outNamed('assocAddrType', 'The address type.', ntpAddressTypes)]),
      },
      'assoc-address': {
        GET: get('Read the address of an NTP association', [assocIdQuery], [outText('assocAddr', 'The address.')]),
      },
      'assoc-offset': {
        GET: get('Read the clock offset of an NTP association', [assocIdQuery],
          [outText('assocOffset', 'The offset, as the switch writes it.')]),
      },
      'assoc-stratum': {
        GET: get('Read the stratum of an NTP association', [assocIdQuery], [outNum('assocStratum', 'The stratum.')]),
      },
      'assoc-status-jitter': {
        GET: get('Read the jitter of an NTP association', [assocIdQuery],
          [outText('assocJitter', 'The jitter, as the switch writes it.')]),
      },
      'assoc-status-delay': {
        GET: get('Read the delay of an NTP association', [assocIdQuery],
          [outText('assocDelay', 'The delay, as the switch writes it.')]),
      },
      'assoc-status-dispersion': {
        GET: get('Read the dispersion of an NTP association', [assocIdQuery],
          [outText('assocDispersion', 'The dispersion, as the switch writes it.')]),
      },
      'assoc-stat-in-pkts': {
        GET: get('Read how many packets an NTP association received', [assocIdQuery],
          [outNum('assocInPkts', 'Packets received.')]),
      },
      'assoc-stat-out-pkts': {
        GET: get('Read how many packets an NTP association sent', [assocIdQuery],
          [outNum('assocOutPkts', 'Packets sent.')]),
      },
      'assoc-stat-protocol-error': {
        GET: get('Read how many packets of an NTP association had protocol errors', [assocIdQuery],
          [outNum('assocProtErrPkts', 'Packets with protocol errors.')]),
      },
    },
  },
  {
    basePath: '/api/v2/mgmt/ping',
    group: 'ping',
    tag: 'Ping',
    about: 'Ping from the switch. The answer holds what the ping printed; a failure answers with the status only.',
    routes: {
      address: { POST: pingRun('Ping an address', [ping.address]) },
      'address-with-count': { POST: pingRun('Ping an address, with a count', [ping.address, pingCount]) },
      'address-with-interval': { POST: pingRun('Ping an address, with an interval', [ping.address, pingInterval]) },
      'address-with-pdu-size': { POST: pingRun('Ping an address, with a size', [ping.address, pingSize]) },
      'address-with-source-interface': {
        POST: pingRun('Ping an address from a port', [ping.address, ping.srcIntfFlag]),
      },
      'address-explicit': {
        POST: pingRun('Ping an address with every option', [ping.address, pingCount, pingInterval, pingSize,
          ping.srcIntfFlag]),
      },
      'with-source': {
        POST: pingRun('Ping from a source', [ping.vrfName, ping.family, ping.address, ping.srcType, ping.srcIntf,
          ping.srcAddr]),
      },
      ping: {
        POST: pingRun('Ping with every option', [ping.vrfName, ping.family, ping.address, pingCount, pingInterval,
          pingSize, ping.srcType, pingIntIfNum, ping.srcAddr]),
      },
    },
  },
  {
    basePath: '/api/v2/mgmt/sntp',
    group: 'sntp',
    tag: 'SNTP',
    about: 'Resources reserved for an SNTP client that this switch does not carry: every one answers code 17002.',
    routes: {
      server: { POST: unsupported('Add an SNTP server (not supported)'), DELETE: unsupported('Remove an SNTP server (not supported)') },
      'server-priority': { PUT: unsupported('Set an SNTP server priority (not supported)'), GET: unsupported('Read an SNTP server priority (not supported)') },
      'server-priority-max': { GET: unsupported('Read the largest SNTP server priority (not supported)') },
      'server-port': { PUT: unsupported('Set an SNTP server port (not supported)'), GET: unsupported('Read an SNTP server port (not supported)') },
      'server-version': { PUT: unsupported('Set an SNTP server version (not supported)'), GET: unsupported('Read an SNTP server version (not supported)') },
      'servers-max-supported': { GET: unsupported('Read how many SNTP servers are taken (not supported)') },
      'server-max-addr-len': { GET: unsupported('Read the longest SNTP server address (not supported)') },
      'server-first': { GET: unsupported('Read the first SNTP server (not supported)') },
      'server-next': { GET: unsupported('Read the next SNTP server (not supported)') },
      'server-address-type': { GET: unsupported('Read an SNTP server address type (not supported)') },
      'client-mode': { PUT: unsupported('Set the SNTP client mode (not supported)'), GET: unsupported('Read the SNTP client mode (not supported)') },
      'client-supported-mode': { GET: unsupported('Read the supported SNTP client modes (not supported)') },
      'active-sntp-server-address-type': { GET: unsupported('Read the active SNTP server address type (not supported)') },
      'active-sntp-server-ip-address': { GET: unsupported('Read the active SNTP server address (not supported)') },
      'active-sntp-server-stratum': { GET: unsupported('Read the active SNTP server stratum (not supported)') },
      'active-sntp-server-reference-id': { GET: unsupported('Read the active SNTP server reference identifier (not supported)') },
      'server-reference-string-length': { GET: unsupported('Read the longest SNTP reference identifier (not supported)') },
      'active-sntp-server-mode': { GET: unsupported('Read the active SNTP server mode (not supported)') },
      'server-current-entries': { GET: unsupported('Read how many SNTP servers are configured (not supported)') },
      'server-last-attempt-status': { POST: unsupported('Read an SNTP server\'s last attempt status (not supported)') },
      'server-last-updated-time': { POST: unsupported('Read an SNTP server\'s last update time (not supported)') },
      'server-last-attempt-time': { POST: unsupported('Read an SNTP server\'s last attempt time (not supported)') },
      'server-num-requests': { POST: unsupported('Read an SNTP server\'s request count (not supported)') },
      'server-num-failed-requests': { POST: unsupported('Read an SNTP server\'s failed request count (not supported)') },
    },
  },
  {
    basePath: '/api/v2/mgmt/traceroute',
    group: 'traceroute',
    tag: 'Traceroute',
    about: 'Traceroute from the switch. The answer holds what the traceroute printed.',
    routes: {
      address: { POST: traceRun('Trace the route to an address', [trace.address]) },
      'address-with-count': { POST: traceRun('Trace, with a count', [trace.address, tracerouteCount]) },
      'address-with-interval': { POST: traceRun('Trace, with an interval', [trace.address, tracerouteInterval]) },
      'address-with-ttl': {
        POST: traceRun('Trace, with the first and last TTL', [trace.address, tracerouteInitTtl, tracerouteMaxTtl]),
      },
      'address-with-max-fail': { POST: traceRun('Trace, with a failure limit', [trace.address, tracerouteMaxFail]) },
      'address-with-pdu-size': { POST: traceRun('Trace, with a size', [trace.address, tracerouteSize]) },
      'address-with-udp-port': { POST: traceRun('Trace, with a UDP port', [trace.address, tracerouteUdpPort]) },
      'address-with-source-interface': {
        POST: traceRun('Trace from a port', [trace.address, trace.srcIntfFlag]),
      },
      'address-explicit': {
        POST: traceRun('Trace with every option', [trace.address, tracerouteCount, tracerouteInterval,
          tracerouteInitTtl, tracerouteMaxTtl, tracerouteMaxFail, tracerouteSize, tracerouteUdpPort, trace.srcIntfFlag]),
      },
      'with-source': {
        POST: traceRun('Trace from a source', [trace.vrfName, trace.family, trace.address, trace.srcType,
          trace.srcIntf, trace.srcAddr]),
      },
      traceroute: {
        POST: traceRun('Trace with every option and a source', [trace.vrfName, trace.family, trace.address,
          tracerouteCount, tracerouteInterval, tracerouteInitTtl, tracerouteMaxTtl, tracerouteMaxFail, tracerouteSize,
          tracerouteUdpPort, trace.srcType, trace.srcIntf, trace.srcAddr]),
      },
    },
  },
  {
    basePath: '/api/v2/mgmt/webmgmt',
    group: 'webmgmt',
    tag: 'Web management',
    about: 'Web access to the switch: on or off, its port, its sessions and their time-outs.',
    routes: {
      'sw-dev-ctrl-web-mgmt-mode': modeSetting('web access'),
      'sw-dev-ctrl-web-mgmt-port-num': {
        PUT: set('Set the web port', [inBody(num('port', 'The port.', { example: 8080 })), inBody(portFlag)],
          { examples: { flag: 'false' } }),
        GET: get('Read the web port', [], [outNum('pPort', 'The port.')]),
      },
      'cli-web-http-num-sessions': numberSetting('the most web sessions', 'maxSession', 'pSession', 8),
      'cli-web-http-session-soft-time-out': numberSetting('the web session idle time-out in minutes', 'timeout',
        'pTimeout', 10),
      'cli-web-http-session-hard-time-out': numberSetting('the web session time limit in hours', 'timeout',
        'pTimeout', 24),
    },
  },
];
