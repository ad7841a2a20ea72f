// What the switch takes, beyond what the program passes on: the ranges and
// lengths that the switch (as the stand-in applies them) refuses outside of
// (mostly with code 10003) and changes nothing. describe.mjs states each on its input as the
// x-switch extension and in words, and the client checks values against it
// before it sends them. The program itself still passes any value on.

const range = (minimum, maximum) => ({ minimum, maximum });
const length = (minLength, maxLength) => ({ minLength, maxLength });

// [operationIds (a pattern), input name, what the switch takes]
export const limits = [
  [/^putWebmgmtSwDevCtrlWebMgmtPortNum$|^putMgmttelnetSwDevCtrlTelnetMgmtPortNum$/, 'port', range(1, 65535)],
  [/^putWebmgmtCliWebHttpNumSessions$/, 'maxSession', range(0, 16)],
  [/^putWebmgmtCliWebHttpSessionSoftTimeOut$/, 'timeout', range(1, 60)],
  [/^putWebmgmtCliWebHttpSessionHardTimeOut$/, 'timeout', range(1, 168)],
  [/^putMgmttelnetAgentTelnetNumSessions$/, 'maxSession', range(0, 5)],
  [/^putMgmttelnetAgentTelnetTimeout$/, 'timeout', range(1, 160)],
  [/^putNtpServerTableAuthKey$/, 'keyIndex', range(0, 65535)],
  [/^putNtpServerTable(Max|Min)Poll$/, 'interval', range(4, 17)],
  [/^putNtpServerTableVersion$/, 'version', range(1, 4)],
  [/^putNtpSourceInterface$/, 'intIfNum', range(0, 64)],
  [/^(post|delete|put)NtpAuthTableKey/, 'keyNumber', range(1, 65535)],
  // A plain key is 1 to 64 printable characters without spaces; the switch's
  // encrypted form of one ("isEncrypted": "true") is an even count of up to
  // 128 hex digits. The check before sending holds the longer of the two.
  [/^(post|put)NtpAuthTableKey(Value)?$/, 'keyValue', length(1, 128), 'The switch takes 1 to 64 printable ' +
    'characters without spaces for a plain key, and an even count of up to 128 hex digits (0-9, a-f) when ' +
    '"isEncrypted" is "true"; it refuses other text.'],
  [/^postNtpServer$/, 'ipAddr', length(1, 255)],
  [/^putCloudManagedProxyIp$/, 'portNum', range(1, 65535)],
  [/^putCloudManagedProxyUser$/, 'userName', length(0, 64)],
  [/^putCloudManagedProxyUser$/, 'password', length(0, 128)],
  [/^putCloudManagedServerUrl$/, 'url', length(0, 150)],
  [/^postEventNotifyClientRegister$/, 'clientDescription', length(1, 255)],
  [/^postEventNotifyRegister$/, 'numOfNotifyEvents', range(1, 32)],
  [/^putDnsDefaultDomainName$/, 'defaultDomainName', length(1, 255)],
  [/^putDnsStaticHostAddressMapping$/, 'hostname', length(1, 255)],
  [/^postPing/, 'pingCount', range(0, 15)],
  [/^postPing/, 'pingInterval', range(0, 60)],
  [/^postPing/, 'pingSize', range(0, 65507)],
  [/^postTraceroute/, 'tracerouteCount', range(1, 10)],
  [/^postTraceroute/, 'tracerouteInterval', range(0, 60)],
  [/^postTraceroute/, 'tracerouteInitTtl', range(1, 255)],
  [/^postTraceroute/, 'tracerouteMaxTtl', range(1, 255)],
  [/^postTraceroute/, 'tracerouteMaxFail', range(0, 255)],
  [/^postTraceroute/, 'tracerouteSize', range(0, 65000)],
  [/^postTraceroute/, 'tracerouteUdpPort', range(0, 65535)],
];

export function limitOf(operationId, name) {
  const found = limits.find(([ids, input]) => input === name && ids.test(operationId));
  return found ? found[2] : null;
}

// The limit in words: its own words where the table gives some.
export function limitText(operationId, name) {
  const found = limits.find(([ids, input]) => input === name && ids.test(operationId));
  if (found[3])
    return found[3];
  const limit = found[2];
  if ('minimum' in limit)
    return `The switch takes ${limit.minimum} to ${limit.maximum}; the switch refuses another value.`;
  return limit.minLength
    ? `The switch takes ${limit.minLength} to ${limit.maxLength} characters; the switch refuses other text.`
    : `The switch takes at most ${limit.maxLength} characters; the switch refuses longer text.`;
}

// Inputs without which the route cannot name what it acts on: they are
// marked required (the program still answers without them, with the
// switch's answer for 0 or the empty text).
export const needed = [
  [/^putNtpServerTable/, 'ntpServer'],
  [/^putNtpAuthTableKey|^postNtpAuthTableKey$/, 'keyNumber'],
  [/^postNtpServer$|^postDnsIpNameServer$|^putDnsStaticHostAddressMapping$/, 'ipAddr'],
  [/^putDnsStaticHostAddressMapping$|^postDnsClientInetNameLookup$/, 'hostname'],
  [/^getNtpServer(Next|AddressType|Table)/, 'ntpServer'],
  [/^putNtpServerTableAuthKey$/, 'keyIndex'],
  [/^(get|delete)NtpAuthTableKey/, 'keyNumber'],
  [/^getNtpAssoc(?!IdNext|Id$)/, 'assocId'],
  [/^getNtpAssocId$/, 'assocID'],
  [/^deleteNtpServer$|^deleteDnsIpNameServer$/, 'ipAddr'],
  [/^deleteDnsStaticHostAddressMapping$|^getDnsStaticHostIpAddr$/, 'hostname'],
  [/^getSystemCommonInetAddr$/, 'ipStr'],
  [/^putCloudManagedProxyIp$/, 'portNum'],
  [/^putNtpSourceInterface$/, 'intIfNum'],
  [/^postBonjourServiceGetByIndex$/, 'index'],
  [/^getBonjourPublishedService$/, 'service'],
  [/^getBonjourPublishedService$/, 'serviceName'],
];

export const isNeeded = (operationId, name) =>
  needed.some(([ids, input]) => input === name && ids.test(operationId));
