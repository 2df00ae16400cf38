#include "handler.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <system_error>
#include <new>
#include <nlohmann/json.hpp>

#include "clock_text.hpp"
#include "log.hpp"

namespace quorvel::service {
namespace {

constexpr std::string_view kXml = "application/xml; charset=utf-8";
constexpr std::string_view kText = "text/plain; charset=utf-8";
constexpr std::string_view kJson = "application/json";
constexpr std::string_view kProblem = "application/problem+json";

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The media type of a Content-Type value, without its parameters.
std::string_view MediaType(std::string_view contentType) {
  return Trimmed(contentType.substr(0, contentType.find(';')));
}

// Types that are plainly not a transaction document.
bool PlainlyNotXml(std::string_view contentType) {
  const std::string_view type = MediaType(contentType);
  return EqualsIgnoringCase(type, "application/json") || EqualsIgnoringCase(type, "multipart/form-data");
}

// The value of a Content-Type parameter ("charset"), unquoted; empty when it is not given.
std::string_view ParameterOf(std::string_view contentType, std::string_view name) {
  for (std::size_t end = contentType.find(';'); end != std::string_view::npos;) {
    const std::size_t start = end + 1;
    end = contentType.find(';', start);
    const std::string_view parameter = contentType.substr(start, end == std::string_view::npos ? end : end - start);
    const std::size_t equals = parameter.find('=');
    if (equals == std::string_view::npos || !EqualsIgnoringCase(Trimmed(parameter.substr(0, equals)), name)) continue;
    std::string_view value = Trimmed(parameter.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return value;
  }
  return {};
}

// Whether every content coding of a Content-Encoding list is identity (the body as it is).
bool OnlyIdentityCoding(std::string_view contentEncoding) {
  while (!contentEncoding.empty()) {
    const std::size_t comma = contentEncoding.find(',');
    const std::string_view coding = Trimmed(contentEncoding.substr(0, comma));
    if (!coding.empty() && !EqualsIgnoringCase(coding, "identity")) return false;
    contentEncoding = comma == std::string_view::npos ? std::string_view() : contentEncoding.substr(comma + 1);
  }
  return true;
}

std::string_view ReasonTitle(unsigned status) {
  switch (status) {
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 409: return "Conflict";
    case 413: return "Content Too Large";
    case 415: return "Unsupported Media Type";
    case 422: return "Unprocessable Content";
    case 431: return "Request Header Fields Too Large";
    case 503: return "Service Unavailable";
    default: return "Internal Server Error";
  }
}

Response Problem(unsigned status, std::string_view detail) {
  nlohmann::json body = {{"type", "about:blank"}, {"title", ReasonTitle(status)}, {"status", status}};
  if (!detail.empty()) body["detail"] = detail;
  return {status, std::string(kProblem), {}, body.dump()};
}

// A calculation or load error: its number and description, for the caller to act on.
Response ErrorProblem(unsigned status, const Error& error) {
  const nlohmann::json body = {{"type", "about:blank"}, {"title", ReasonTitle(status)},
                               {"status", status},      {"number", error.number()},
                               {"description", error.description()}};
  return {status, std::string(kProblem), {}, body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)};
}

// A body refused as not well-formed XML: 400 with the refused-document number, the rule broken
// and where, taken from the engine's refusal ("not well-formed XML: RULE at line L, column C").
Response RefusedDocument(const std::string& refusal) {
  nlohmann::json body = {{"type", "about:blank"}, {"title", ReasonTitle(400)},
                         {"status", 400},         {"number", errors::kDocumentRefused},
                         {"description", refusal}};
  std::string_view rule = refusal;
  constexpr std::string_view kPrefix = "not well-formed XML: ";
  if (rule.substr(0, kPrefix.size()) == kPrefix) rule.remove_prefix(kPrefix.size());
  if (const std::size_t at = rule.rfind(" at line "); at != std::string_view::npos) {
    const std::string_view where = rule.substr(at + std::string_view(" at line ").size());
    std::size_t line = 0;
    std::size_t column = 0;
    const auto [afterLine, lineError] = std::from_chars(where.data(), where.data() + where.size(), line);
    const std::string_view rest = where.substr(static_cast<std::size_t>(afterLine - where.data()));
    constexpr std::string_view kColumn = ", column ";
    if (lineError == std::errc() && rest.substr(0, kColumn.size()) == kColumn &&
        std::from_chars(rest.data() + kColumn.size(), rest.data() + rest.size(), column).ec == std::errc()) {
      body["line"] = line;
      body["column"] = column;
      rule = rule.substr(0, at);
    }
  }
  body["rule"] = rule;
  return {400, std::string(kProblem), {}, body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)};
}

Response WrongMethod(std::string_view allowed) {
  Response response = Problem(405, "this path answers " + std::string(allowed) + " only");
  response.headers.emplace_back("Allow", allowed);
  return response;
}

}  // namespace

std::string_view PathOf(std::string_view target) { return target.substr(0, target.find('?')); }

Handler::Handler(TableStore& tables, service::Metrics& metrics, std::optional<Digest> adminToken)
    : tables_(tables), metrics_(metrics), adminToken_(adminToken) {}

Response Handler::Handle(Request& request) {
  const std::string_view path = PathOf(request.target);
  const auto only = [&](std::string_view method) { return request.method == method; };
  switch (EndpointOf(path)) {
    case Endpoint::kCalc:
      if (!only("POST")) {
        Response response = WrongMethod("POST");
        response.headers.emplace_back("Quorvel-Tables", tables_.Current()->version);
        return response;
      }
      return Calculate(request);
    case Endpoint::kTables:
      return only("GET") ? DescribeTables() : WrongMethod("GET");
    case Endpoint::kReload:
      return only("POST") ? ReloadRequest(request) : WrongMethod("POST");
    case Endpoint::kHealth:
      return only("GET") ? Response{200, std::string(kText), {}, "ok\n"} : WrongMethod("GET");
    case Endpoint::kReady:
      if (!only("GET")) return WrongMethod("GET");
      return draining_ ? Problem(503, "the service is shutting down")
                       : Response{200, std::string(kText), {}, "ready\n"};
    case Endpoint::kMetrics:
      return only("GET") ? Metrics() : WrongMethod("GET");
    default:
      return Problem(404, "no such path");
  }
}

Response Handler::Refuse(unsigned status, std::string_view target, std::string_view detail) const {
  Response response = Problem(status, detail);
  if (EndpointOf(PathOf(target)) == Endpoint::kCalc) {
    response.headers.emplace_back("Quorvel-Tables", tables_.Current()->version);
  }
  return response;
}

Response Handler::Calculate(const Request& request) const {
  // The answer names the tables that computed it, even if a reload replaces them meanwhile.
  const std::shared_ptr<const TableSet> tables = tables_.Current();
  Response response;
  const std::string_view charset = ParameterOf(request.contentType, "charset");
  if (PlainlyNotXml(request.contentType)) {
    response = Problem(415, "the body must be a transaction document (application/xml)");
  } else if (!OnlyIdentityCoding(request.contentEncoding)) {
    response = Problem(415, "the body must be sent as it is: the only content coding accepted is identity");
    response.headers.emplace_back("Accept-Encoding", "identity");
  } else if (!charset.empty() && !EqualsIgnoringCase(charset, "utf-8")) {
    response = Problem(415, "the body must be UTF-8: the only charset accepted is utf-8 (or none)");
  } else {
    try {
      std::string refusal;
      response.body = CalculateTaxes(*tables->tables, request.body, refusal);
      if (!refusal.empty()) {
        response = RefusedDocument(refusal);
      } else if (response.body == "NOHEADER") {
        response.contentType = kText;
      } else {
        response.contentType = kXml;
      }
    } catch (const Error& error) {
      response = ErrorProblem(error.number() == errors::kOutOfMemory ? 503 : 422, error);
    } catch (const std::bad_alloc&) {
      response = ErrorProblem(503, Error(errors::kOutOfMemory, "memory ran out"));
    }
  }
  response.headers.emplace_back("Quorvel-Tables", tables->version);
  return response;
}

Response Handler::Describe(const TableSet& tables) {
  const nlohmann::json body = {
      {"version", tables.version},
      {"loadedAt", UtcTimestamp(tables.loadedAt)},
      {"source", tables.source},
      {"loadMilliseconds", tables.loadMilliseconds},
      {"rows",
       {{"taxes", tables.rows.taxes},
        {"taxModels", tables.rows.taxModels},
        {"taxGroups", tables.rows.taxGroups},
        {"taxStatuses", tables.rows.taxStatuses}}}};
  return {200, std::string(kJson), {}, body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)};
}

bool Handler::Authorised(std::string_view authorization) const {
  authorization = Trimmed(authorization);
  constexpr std::string_view kScheme = "Bearer ";
  if (authorization.size() < kScheme.size() ||
      !EqualsIgnoringCase(authorization.substr(0, kScheme.size()), kScheme)) {
    return false;
  }
  // Comparing digests takes the same time wherever the token differs, whatever its length.
  return SameDigest(Sha256({Trimmed(authorization.substr(kScheme.size()))}), *adminToken_);
}

bool Handler::WantsReload(const Request& request) const {
  return EndpointOf(PathOf(request.target)) == Endpoint::kReload && request.method == "POST" && adminToken_ &&
         Authorised(request.authorization) && tables_.Reloadable();
}

Response Handler::ReloadRequest(const Request& request) {
  if (!adminToken_) return Problem(403, "reloading over HTTP is not enabled");
  if (!Authorised(request.authorization)) {
    Response response = Problem(401, "a valid bearer token is required");
    response.headers.emplace_back("WWW-Authenticate", "Bearer");
    return response;
  }
  if (!tables_.Reloadable()) return Problem(409, "the built-in tables cannot be reloaded");
  try {
    return Describe(*Reload("request"));
  } catch (const Error& error) {
    return ErrorProblem(422, error);
  }
}

Response Handler::ReloadAnswer(const ReloadOutcome& outcome) const {
  try {
    if (outcome.failure) std::rethrow_exception(outcome.failure);
    return Describe(*outcome.tables);
  } catch (const Error& error) {
    return ErrorProblem(422, error);
  }
}

std::shared_ptr<const TableSet> Handler::Reload(std::string_view trigger) {
  try {
    std::shared_ptr<const TableSet> tables = tables_.Reload();
    metrics_.CountReload(true);
    LogLine("reload (" + std::string(trigger) + "): tables " + tables->version + " from " +
            tables->source);
    return tables;
  } catch (const Error& error) {
    metrics_.CountReload(false);
    LogLine("reload (" + std::string(trigger) + ") failed, the tables stay " +
            tables_.Current()->version + ": error " + std::to_string(error.number()) + ": " +
            error.description());
    throw;
  }
}

Response Handler::Metrics() const {
  return {200, "text/plain; version=0.0.4; charset=utf-8", {}, metrics_.Render(*tables_.Current())};
}

}  // namespace quorvel::service
