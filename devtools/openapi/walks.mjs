// The tables of the interface as walks: which operation starts a table's
// walk, which continues it, how the next request is made from an entry, what
// ends it, and which per-entry reads complete an entry. describe.mjs writes
// each as the x-walk extension of the walk's operations, so that a client
// (client/swmgmt) or any other tool can follow a table to its end without
// knowing the members of each route.
//
// x-walk members:
//   table    the table's name
//   step     "first" or "next": what this operation does in the walk
//   first    operationId that starts the walk (the same as next when the next
//            operation without a cursor starts at the top)
//   next     operationId that continues it (absent with probe)
//   entry    the entry's fields from this step's reply data: field -> member;
//            { '*': member } makes the entry that object member itself
//   cursor   the next request's inputs from the entry: input -> field ('*':
//            the whole entry)
//   in       where the cursor goes: query or body
//   end      response codes that end the walk
//   endData  a success whose data has these members ends it too
//   cut      how a walk cut short by a concurrent delete shows: { check: op }
//            answers 0 while an entry exists; { rewalk: true } walks again
//            until two walks agree. Without it the switch walks in key order
//            and a deleted cursor does not end the walk early.
//   details  per-entry reads: { operation, members: { replyMember: field } }
//            ('*' as field merges the object's members); their query
//            parameters are filled from the entry's fields of the same name
//   probe    no next operation: identifiers above the first are tried one by
//            one with probe.operation until probe.count entries are found
//   fixed    query parameters of next that stay the same for the whole walk

const same = (...names) => Object.fromEntries(names.map((n) => [n, n]));
const detail = (operation, members) => ({ operation, members });

export const walks = [
  {
    table: 'ntp-servers',
    first: 'getNtpServerFirst',
    next: 'getNtpServerNext',
    entries: { first: { ntpServer: 'ntpServer' }, next: { ntpServer: 'nextNtpServer' } },
    cursor: same('ntpServer'),
    in: 'query',
    end: [10000],
    cut: { check: 'getNtpServerAddressType' },
    details: [
      detail('getNtpServerAddressType', { ntpServerAddrType: 'addressType' }),
      detail('getNtpServerTableAuthKey', { keyIndex: 'keyIndex' }),
      detail('getNtpServerTableMinPoll', { interval: 'minPoll' }),
      detail('getNtpServerTableMaxPoll', { interval: 'maxPoll' }),
      detail('getNtpServerTablePrefer', { prefer: 'prefer' }),
      detail('getNtpServerTableBurst', { burst: 'burst' }),
      detail('getNtpServerTableIburst', { iburst: 'iburst' }),
      detail('getNtpServerTableVersion', { version: 'version' }),
    ],
  },
  {
    table: 'ntp-keys',
    first: 'getNtpAuthTableEntryFirst',
    next: 'postNtpAuthTableEntryGetNext',
    entries: { first: { keyNumber: 'keyNumber' }, next: { keyNumber: 'nextKeyNum' } },
    cursor: { keyNum: 'keyNumber' },
    in: 'body',
    end: [10000],
    details: [
      detail('getNtpAuthTableKeyValue', same('keyValue')),
      detail('getNtpAuthTableKeyMsgAuthAlg', same('msgAuthAlg')),
      detail('getNtpAuthTableKeyTrusted', same('trustedStatus')),
    ],
  },
  {
    table: 'ntp-associations',
    first: 'getNtpAssocIdNext',
    entries: { first: { assocId: 'nextAssocID' } },
    end: [10000],
    probe: {
      operation: 'getNtpAssocId',
      parameter: 'assocID',
      from: 'assocId',
      exists: 'exists',
      count: { operation: 'getNtpServerCurrentEntries', member: 'currEntries' },
      limit: 4096,
    },
    details: [
      ['getNtpAssocName', 'assocName'], ['getNtpAssocRefId', 'assocRefId'],
      ['getNtpAssocAddressType', 'assocAddrType'], ['getNtpAssocAddress', 'assocAddr'],
      ['getNtpAssocOffset', 'assocOffset'], ['getNtpAssocStratum', 'assocStratum'],
      ['getNtpAssocStatusJitter', 'assocJitter'], ['getNtpAssocStatusDelay', 'assocDelay'],
      ['getNtpAssocStatusDispersion', 'assocDispersion'], ['getNtpAssocStatInPkts', 'assocInPkts'],
      ['getNtpAssocStatOutPkts', 'assocOutPkts'], ['getNtpAssocStatProtocolError', 'assocProtErrPkts'],
    ].map(([operation, member]) => detail(operation, same(member))),
  },
  {
    table: 'dns-name-servers',
    first: 'getDnsIpNameServersWithPrefNext',
    next: 'getDnsIpNameServersWithPrefNext',
    entries: { next: same('ipAddr', 'preference') },
    cursor: same('ipAddr'),
    in: 'query',
    end: [10000],
    cut: { rewalk: true },
  },
  {
    table: 'dns-name-server-addresses',
    first: 'getDnsIpNameServersNext',
    next: 'getDnsIpNameServersNext',
    entries: { next: same('ipAddr') },
    cursor: same('ipAddr'),
    in: 'query',
    end: [10000],
    cut: { rewalk: true },
  },
  {
    table: 'dns-static-hosts',
    first: 'getDnsStaticHostNext',
    next: 'getDnsStaticHostNext',
    entries: { next: same('hostname') },
    cursor: same('hostname'),
    in: 'query',
    end: [10000],
    details: [detail('getDnsStaticHostIpAddr', same('ipAddr'))],
  },
  {
    table: 'dns-static-host-addresses',
    first: 'getDnsStaticHostAddressMappingNext',
    next: 'getDnsStaticHostAddressMappingNext',
    entries: { next: same('hostname', 'ipAddr') },
    cursor: same('hostname', 'ipAddr'),
    in: 'query',
    end: [10000],
    fixed: ['vrfName'],
  },
  {
    table: 'dns-cache',
    first: 'getDnsDomainNameEntryNext',
    next: 'getDnsDomainNameEntryNext',
    entries: { next: { '*': 'domainNameEntry' } },
    cursor: same('hostName'),
    in: 'query',
    end: [10000, 10023],
    endData: { empty: true },
  },
  {
    table: 'bonjour-services',
    first: 'postBonjourPublishedServiceGetNext',
    next: 'postBonjourPublishedServiceGetNext',
    entries: { next: { '*': 'pServiceEntry' } },
    cursor: { pServiceEntry: '*' },
    in: 'body',
    end: [10000],
  },
  {
    table: 'bonjour-service-indexes',
    first: 'postBonjourServiceIndexGetNext',
    next: 'postBonjourServiceIndexGetNext',
    entries: { next: { index: 'pNextIndex' } },
    cursor: same('index'),
    in: 'query',
    end: [10000],
    details: [detail('postBonjourServiceGetByIndex', { pServiceEntry: '*' })],
  },
];

// The x-walk objects of an operation: one for each table whose walk it
// starts or continues (in practice at most one).
export function walkOf(operationId) {
  for (const { entries, ...walk } of walks) {
    const step = walk.first === operationId ? 'first' : walk.next === operationId ? 'next' : null;
    if (!step)
      continue;
    const { table, first, next, ...rest } = walk;
    return { table, step, first, ...(next ? { next } : {}), entry: entries[step] ?? entries.next, ...rest };
  }
  return null;
}

// Every operationId that a walk names, for the check that each exists.
export function walkOperations() {
  return walks.flatMap((w) => [w.first, w.next, w.cut?.check, w.probe?.operation, w.probe?.count.operation,
    ...(w.details ?? []).map((d) => d.operation)].filter(Boolean));
}
