-- wrk: the PUT whose audit record bench/run measures, with the session
-- token from BENCH_TOKEN.
wrk.method = "PUT"
wrk.body = '{"timeout": 20}'
wrk.headers["Content-Type"] = "application/json"
wrk.headers["Session"] = os.getenv("BENCH_TOKEN")
