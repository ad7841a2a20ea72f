-- wrk: one session token per thread (one connection each), from the
-- space-separated list in BENCH_TOKENS; the list repeats one token for
-- clients that share a session.
local tokens = {}
for token in string.gmatch(os.getenv("BENCH_TOKENS") or "", "%S+") do
  tokens[#tokens + 1] = token
end
local next_thread = 0

function setup(thread)
  next_thread = next_thread + 1
  thread:set("token", tokens[(next_thread - 1) % #tokens + 1])
end

function init(args)
  wrk.headers["Session"] = token
end
