-- wrk: a mix of requests, sent in turn on every connection: reads and
-- changes, a ping, a table walk, an unknown route, refusals, a body that
-- does not parse, a request with a 12 KiB body (the web server takes up to
-- 16 KiB) followed by one without, of
-- an admin, a read-write and a read-only session. Each answer's status must
-- be the one its request gets (a 500 for the unknown route, which answers
-- nothing); done() prints "mixed: N answers, M unexpected".
-- Sessions: MIX_ADMIN, MIX_WRITER, MIX_READER (tokens).
local admin = os.getenv("MIX_ADMIN") or ""
local writer = os.getenv("MIX_WRITER") or ""
local reader = os.getenv("MIX_READER") or ""
local big = '{"timeout": 20, "padding": "' .. string.rep("x", 12 * 1024) .. '"}'

local mix = {
  { "GET", "/api/v2/mgmt/bonjour/admin-mode", admin, nil, 200 },
  { "PUT", "/api/v2/mgmt/mgmttelnet/agent-telnet-timeout", writer, '{"timeout": 20}', 200 },
  { "GET", "/api/v2/mgmt/mgmttelnet/agent-telnet-timeout", reader, nil, 200 },
  { "POST", "/api/v2/mgmt/ping/address", admin, '{"address": "10.1.1.1"}', 200 },
  { "GET", "/api/v2/mgmt/ntp/server-next?ntpServer=192.0.2.10", reader, nil, 200 },
  { "GET", "/api/v2/mgmt/bonjour/no-such-resource", admin, nil, 500 },
  { "PUT", "/api/v2/mgmt/mgmttelnet/agent-telnet-timeout", reader, '{"timeout": 20}', 403 },
  { "GET", "/api/v2/mgmt/bonjour/admin-mode", "no-such-token", nil, 403 },
  { "PUT", "/api/v2/mgmt/webmgmt/cli-web-http-num-sessions", admin, '{"maxSessions": ', 200 },
  { "PUT", "/api/v2/mgmt/mgmttelnet/agent-telnet-timeout", admin, big, 200 },
  { "POST", "/api/v2/mgmt/ping/address", writer, "", 200 },
  { "GET", "/api/v2/mgmt/dns/ip-name-servers-next", admin, nil, 200 },
  { "DELETE", "/api/v2/mgmt/sntp/server", writer, nil, 200 },
}

-- Formatted once the thread's connection settings (the Host header) are known.
local requests = {}
local statuses = {}
function init()
  for i, m in ipairs(mix) do
    local headers = { ["Session"] = m[3] }
    if m[4] then headers["Content-Type"] = "application/json" end
    requests[i] = wrk.format(m[1], m[2], headers, m[4])
    statuses[i] = m[5]
  end
end

local threads = {}
function setup(thread)
  table.insert(threads, thread)
end

local sent = 0
answers = 0
unexpected = 0

function request()
  sent = sent % #requests + 1
  return requests[sent]
end

function response(status)
  answers = answers + 1
  if status ~= statuses[sent] then
    unexpected = unexpected + 1
  end
end

function done()
  local total, bad = 0, 0
  for _, thread in ipairs(threads) do
    total = total + thread:get("answers")
    bad = bad + thread:get("unexpected")
  end
  io.write(string.format("mixed: %d answers, %d unexpected\n", total, bad))
end
