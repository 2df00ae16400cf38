-- wrk script: POST /v1/calc with bodies taken in turn from transaction files.
-- Arguments after --: FOLDER COUNT (the files trans-000000.xml ... of `quorvel_profile files`).
local bodies = {}
local next_body = 1

function init(args)
  local folder, count = args[1], tonumber(args[2])
  for i = 0, count - 1 do
    local file = assert(io.open(string.format("%s/trans-%06d.xml", folder, i), "rb"))
    bodies[#bodies + 1] = file:read("*a")
    file:close()
  end
end

function request()
  local body = bodies[next_body]
  next_body = next_body % #bodies + 1
  return wrk.format("POST", "/v1/calc", {["Content-Type"] = "application/xml"}, body)
end

-- One line the driver parses: rate, latency percentiles in microseconds, errors.
function done(summary, latency, requests)
  local e = summary.errors
  io.write(string.format(
    "RESULT requests=%d seconds=%.3f p50=%d p99=%d p999=%d connect=%d read=%d write=%d timeout=%d non2xx=%d\n",
    summary.requests, summary.duration / 1e6, latency:percentile(50), latency:percentile(99),
    latency:percentile(99.9), e.connect, e.read, e.write, e.timeout, e.status))
end
