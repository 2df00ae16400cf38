// The one source file that holds Boost.Beast (each one costs long compiles).
#include <utility>  // before asio/awaitable.hpp, which misses it under g++ 12 in C++20

#include "server.hpp"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "log.hpp"
#include "reloader.hpp"
#include "request_parser.hpp"
#include "test_fault.hpp"

namespace quorvel::service {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

// Room for a typical request's header and more, and the most a header, a chunk line or the
// trailer fields can take: reading stops with buffer_overflow rather than let one grow further
// (Boost.Beast would throw on a field of 64 KiB, from where nothing can catch it).
constexpr std::size_t kReadBufferBytes = 16 * 1024;

// After an answer that closes the connection, how much more than the largest body the client may
// still send is read and dropped, so that closing does not reset the connection under the answer.
constexpr std::size_t kLingerBytesOverBody = 1024 * 1024;
// A connection refused for being one too many has sent no body to drop: it lingers this long at
// most, so that refused connections cannot hold the descriptors the served ones need.
constexpr std::chrono::seconds kRefusedConnectionLinger{1};

// Out of descriptors, accepting pauses this long at first, twice as long each time after, up to
// the longest.
constexpr std::chrono::milliseconds kFirstAcceptPause{10};
constexpr std::chrono::milliseconds kLongestAcceptPause{1000};

// One client connection. `busy` (a request read and not yet answered) is only touched on the
// connection's strand.
struct Connection {
  explicit Connection(tcp::socket socket) : stream(std::move(socket)) {}
  beast::tcp_stream stream;
  bool busy = false;
};

// What becomes of a connection after a request.
enum class After { kNextRequest, kClose, kLingerAndClose };

// A request as the metrics and the access log name it; "-" for what was never read.
struct Exchange {
  std::string method = "-";
  std::string target = "-";
  Clock::time_point started = Clock::now();
};

// A request in flight: counted, and its connection busy, for as long as this lives (which also
// covers a coroutine abandoned by an exception).
class InFlight {
 public:
  InFlight(Connection& connection, Metrics& metrics) : connection_(connection), metrics_(metrics) {
    connection_.busy = true;
    ++metrics_.InFlight();
  }
  ~InFlight() {
    --metrics_.InFlight();
    connection_.busy = false;
  }
  InFlight(const InFlight&) = delete;
  InFlight& operator=(const InFlight&) = delete;

 private:
  Connection& connection_;
  Metrics& metrics_;
};

std::string_view View(beast::string_view text) { return {text.data(), text.size()}; }

http::response<http::string_body> ToHttp(Response&& response, bool keepAlive) {
  ThrowTestFault(TestFault::kAnswer);
  http::response<http::string_body> out{static_cast<http::status>(response.status), 11};
  if (!response.contentType.empty()) out.set(http::field::content_type, response.contentType);
  for (auto& [name, value] : response.headers) out.set(name, value);
  out.body() = std::move(response.body);
  out.keep_alive(keepAlive);
  out.prepare_payload();
  return out;
}

tcp::endpoint ResolveListenAddress(asio::io_context& context, const std::string& listen) {
  const std::size_t colon = listen.rfind(':');
  if (colon == std::string::npos || colon + 1 == listen.size()) {
    throw std::runtime_error("--listen must be HOST:PORT, not \"" + listen + "\"");
  }
  std::string host = listen.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  beast::error_code error;
  tcp::resolver resolver(context);
  const auto results = resolver.resolve(host, listen.substr(colon + 1),
                                        tcp::resolver::passive | tcp::resolver::numeric_service, error);
  if (error || results.empty()) {
    throw std::runtime_error("cannot listen on \"" + listen + "\": " + error.message());
  }
  return results.begin()->endpoint();
}

std::string AddressText(const tcp::endpoint& endpoint) {
  const auto address = endpoint.address();
  const std::string host = address.is_v6() ? "[" + address.to_string() + "]" : address.to_string();
  return host + ":" + std::to_string(endpoint.port());
}

class Server {
 public:
  Server(const ServerSettings& settings, Handler& handler, Metrics& metrics)
      : settings_(settings),
        handler_(handler),
        metrics_(metrics),
        control_(asio::make_strand(context_)),
        acceptor_(control_),
        stopSignals_(control_, SIGTERM, SIGINT),
        reloadSignals_(control_, SIGHUP),
        reloader_([&handler](const std::string& triggers) { return handler.Reload(triggers); }) {}

  std::string Listen() {
    const tcp::endpoint endpoint = ResolveListenAddress(context_, settings_.listen);
    beast::error_code error;
    acceptor_.open(endpoint.protocol(), error);
    if (!error) acceptor_.set_option(asio::socket_base::reuse_address(true), error);
    if (!error) acceptor_.bind(endpoint, error);
    if (!error) acceptor_.listen(asio::socket_base::max_listen_connections, error);
    if (error) throw std::runtime_error("cannot listen on " + settings_.listen + ": " + error.message());
    return AddressText(acceptor_.local_endpoint());
  }

  // Starts the threads, reports `address` through `listening` and serves until drained.
  int Run(const std::string& address, const std::function<void(const std::string&)>& listening) {
    asio::co_spawn(control_, Accept(), asio::detached);
    WaitForReloadSignal();
    stopSignals_.async_wait([this](beast::error_code error, int signal) {
      if (!error) BeginDrain(signal);
    });
    std::vector<std::thread> threads;
    StartThreads(threads);
    listening(address);
    RunHandlers();
    for (auto& thread : threads) thread.join();
    return exitStatus_;
  }

 private:
  // The threads besides this one; when one cannot start, the others stop and the start fails.
  void StartThreads(std::vector<std::thread>& threads) {
    try {
      for (unsigned index = 1; index < settings_.threads; ++index) threads.emplace_back([this] { RunHandlers(); });
    } catch (const std::system_error& error) {
      context_.stop();
      for (auto& thread : threads) thread.join();
      throw std::runtime_error("cannot start thread " + std::to_string(threads.size() + 2) + " of " +
                               std::to_string(settings_.threads) + ": " + error.what());
    }
  }

  asio::awaitable<void> Accept() {
    asio::steady_timer pause(control_);
    auto backoff = kFirstAcceptPause;
    for (;;) {
      tcp::socket socket(asio::make_strand(context_));
      beast::error_code error;
      co_await acceptor_.async_accept(socket, asio::redirect_error(asio::use_awaitable, error));
      if (draining_) co_return;
      if (OutOfResources(error)) {
        // Retrying at once would spin: the waiting connection stays ready until a descriptor frees.
        if (backoff == kFirstAcceptPause) {
          LogLine("out of file descriptors: accepting pauses, open connections are served");
        }
        pause.expires_after(backoff);
        co_await pause.async_wait(asio::redirect_error(asio::use_awaitable, error));
        backoff = std::min(backoff * 2, kLongestAcceptPause);
        continue;
      }
      backoff = kFirstAcceptPause;
      if (error) continue;  // the client went away before it was accepted
      auto connection = std::make_shared<Connection>(std::move(socket));
      const bool full = !Register(connection);
      asio::co_spawn(connection->stream.get_executor(),
                     full ? RefuseConnection(connection) : Session(connection), asio::detached);
    }
  }

  static bool OutOfResources(const beast::error_code& error) {
    return error == asio::error::no_descriptors || error == asio::error::no_buffer_space ||
           error == asio::error::no_memory ||
           error == beast::error_code(ENFILE, asio::error::get_system_category());
  }

  bool Register(const std::shared_ptr<Connection>& connection) {
    const std::scoped_lock lock(connectionsMutex_);
    if (connections_.size() >= settings_.maxConnections) return false;
    connections_.insert(connection);
    return true;
  }

  void Unregister(const std::shared_ptr<Connection>& connection) {
    const std::scoped_lock lock(connectionsMutex_);
    connections_.erase(connection);
  }

  asio::awaitable<void> RefuseConnection(std::shared_ptr<Connection> connection) {
    const ClosedAtEnd closed(*this, connection);
    try {
      // Named, not temporaries in the condition: g++ 12 freed those twice (free(): invalid pointer).
      const Exchange exchange;
      Response refusal = handler_.Refuse(503, "", "too many connections");
      const bool sent = co_await Send(*connection, std::move(refusal), false, exchange);
      if (sent) co_await Linger(*connection, std::min<Clock::duration>(settings_.readTimeout, kRefusedConnectionLinger));
    } catch (const std::exception& failure) {
      LogLine(std::string("error: a refused connection failed: ") + failure.what());
    }
  }

  // Closes and forgets a connection however its coroutine ends: returning, throwing, or
  // abandoned by an exception thrown under it (its frames are then destroyed).
  class ClosedAtEnd {
   public:
    ClosedAtEnd(Server& server, std::shared_ptr<Connection> connection)
        : server_(server), connection_(std::move(connection)) {}
    ~ClosedAtEnd() {
      connection_->stream.close();
      server_.Unregister(connection_);
    }
    ClosedAtEnd(const ClosedAtEnd&) = delete;
    ClosedAtEnd& operator=(const ClosedAtEnd&) = delete;

   private:
    Server& server_;
    std::shared_ptr<Connection> connection_;
  };

  // Serves one connection's requests, one after the other, until it closes or fails.
  asio::awaitable<void> Session(std::shared_ptr<Connection> connection) {
    const ClosedAtEnd closed(*this, connection);
    try {
      beast::flat_buffer buffer;
      buffer.reserve(kReadBufferBytes);
      buffer.max_size(kReadBufferBytes);  // after the reserve, which raises it
      After after = After::kNextRequest;
      while (!draining_ && after == After::kNextRequest) after = co_await ServeOneRequest(*connection, buffer);
      if (after == After::kLingerAndClose) co_await Linger(*connection, settings_.readTimeout);
    } catch (const std::exception& failure) {
      LogLine(std::string("error: a connection failed and is closed: ") + failure.what());
    }
  }

  // Reads one request and answers it.
  asio::awaitable<After> ServeOneRequest(Connection& connection, beast::flat_buffer& buffer) {
    auto& stream = connection.stream;
    RequestParser parser;
    // An announced length over the limit is answered below (Boost 1.74 takes none for zero here).
    parser.body_limit(std::numeric_limits<std::uint64_t>::max());
    beast::error_code error;
    // One deadline for the whole request: a slow or stalled client is closed when it passes.
    stream.expires_after(settings_.readTimeout);
    co_await http::async_read_header(stream, buffer, parser, asio::redirect_error(asio::use_awaitable, error));
    auto& header = parser.get();
    Exchange exchange;
    if (!header.method_string().empty()) exchange.method = std::string(header.method_string());
    if (!header.target().empty()) exchange.target = std::string(header.target());
    if (error) co_return co_await RefuseUnread(connection, exchange, RefusalOf(error, false, buffer));
    const InFlight inFlight(connection, metrics_);
    if (!KnownTransferCoding(header)) {
      co_return co_await RefuseUnread(connection, exchange,
                                      ReadRefusal{400, "the only transfer coding understood is chunked"});
    }
    if (const auto length = parser.content_length(); length && *length > settings_.maxBody) {
      co_return co_await RefuseUnread(connection, exchange, RefusalOf(http::error::body_limit, true, buffer));
    }
    parser.body_limit(settings_.maxBody);  // for a chunked body, as it arrives
    if (beast::iequals(header[http::field::expect], "100-continue")) {
      http::response<http::empty_body> proceed{http::status::continue_, 11};
      co_await http::async_write(stream, proceed, asio::redirect_error(asio::use_awaitable, error));
    }
    if (!error) co_await http::async_read(stream, buffer, parser, asio::redirect_error(asio::use_awaitable, error));
    if (error) co_return co_await RefuseUnread(connection, exchange, RefusalOf(error, true, buffer));
    const std::string contentEncoding = JoinedValues(header, http::field::content_encoding);
    Request request{View(header.method_string()), View(header.target()), View(header[http::field::content_type]),
                    contentEncoding, View(header[http::field::authorization]), std::move(header.body())};
    const bool keepAlive = header.keep_alive() && !draining_;
    Response response = co_await Answer(request);
    const bool sent = co_await Send(connection, std::move(response), keepAlive, exchange);
    if (!sent) co_return After::kClose;
    co_return keepAlive ? After::kNextRequest : After::kLingerAndClose;
  }

  // Every value of a header field, as one comma-separated list.
  static std::string JoinedValues(const http::request_header<>& header, http::field name) {
    std::string values;
    for (auto [field, end] = header.equal_range(name); field != end; ++field) {
      if (!values.empty()) values += ", ";
      values += View(field->value());
    }
    return values;
  }

  // Answers a request that was not read whole, and closes its connection: what follows in it
  // cannot be told apart from the rest of this request. No refusal: nobody to answer.
  asio::awaitable<After> RefuseUnread(Connection& connection, const Exchange& exchange,
                                      std::optional<ReadRefusal> refusal) {
    if (!refusal) co_return After::kClose;
    const std::string target = exchange.target == "-" ? "" : exchange.target;
    Response response = handler_.Refuse(refusal->status, target, refusal->detail);
    const bool sent = co_await Send(connection, std::move(response), false, exchange);
    co_return sent ? After::kLingerAndClose : After::kClose;
  }

  // The handler's answer; a failure it did not expect is logged and answered without detail.
  // A reload waits for the loader thread without holding this one.
  asio::awaitable<Response> Answer(Request& request) {
    try {
      if (handler_.WantsReload(request)) co_return handler_.ReloadAnswer(co_await NextReload("request"));
      co_return handler_.Handle(request);
    } catch (const std::exception& failure) {
      LogLine("error: " + std::string(request.method) + " " + std::string(request.target) + ": " + failure.what());
    }
    co_return handler_.Refuse(500, request.target, "");
  }

  // Completes on the calling coroutine's executor once the next load that starts after this call
  // has ended.
  asio::awaitable<ReloadOutcome> NextReload(std::string trigger) {
    return asio::async_initiate<decltype(asio::use_awaitable), void(ReloadOutcome)>(
        [this, trigger = std::move(trigger)](auto completion) {
          using Completion = decltype(completion);
          struct Waiting {
            Completion completion;
            asio::executor_work_guard<asio::io_context::executor_type> work;  // keeps run() going meanwhile
          };
          auto waiting = std::make_shared<Waiting>(Waiting{std::move(completion), asio::make_work_guard(context_)});
          reloader_.Request(trigger, [waiting](const ReloadOutcome& outcome) {
            const auto executor = asio::get_associated_executor(waiting->completion);
            asio::post(executor, [waiting, outcome]() mutable { waiting->completion(outcome); });
          });
        },
        asio::use_awaitable);
  }

  // Writes an answer (with Connection: close unless `keepAlive`), then counts and logs it,
  // whether or not it could be written; false when it could not.
  asio::awaitable<bool> Send(Connection& connection, Response response, bool keepAlive, const Exchange& exchange) {
    const unsigned status = response.status;
    auto out = ToHttp(std::move(response), keepAlive);
    const std::size_t bytes = out.body().size();
    beast::error_code error;
    connection.stream.expires_after(settings_.readTimeout);
    co_await http::async_write(connection.stream, out, asio::redirect_error(asio::use_awaitable, error));
    const auto elapsed = Clock::now() - exchange.started;
    metrics_.CountRequest(EndpointOf(PathOf(exchange.target)), status, elapsed);
    if (settings_.accessLog) {
      LogLine(exchange.method + " " + exchange.target + " " + std::to_string(status) + " " + std::to_string(bytes) +
              " " + std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()));
    }
    ThrowTestFault(TestFault::kSend);
    co_return !error;
  }

  // Ends a connection whose last answer said Connection: close while the client may still be
  // sending (a body left unread): closing at once would make the system reset the connection,
  // which can destroy the answer before the client reads it. So the sending side is shut, and
  // what still comes is read and dropped until the client closes, within `longest` (the read
  // timeout, the time it had to send its request anyway, unless it sent none) and the largest
  // body and some.
  asio::awaitable<void> Linger(Connection& connection, Clock::duration longest) {
    beast::error_code error;
    connection.stream.socket().shutdown(tcp::socket::shutdown_send, error);
    connection.stream.expires_after(longest);
    const std::size_t most = settings_.maxBody + std::min(kLingerBytesOverBody, SIZE_MAX - settings_.maxBody);
    std::array<char, 16 * 1024> dropped;
    std::size_t total = 0;
    while (!error && total < most) {
      total += co_await connection.stream.async_read_some(asio::buffer(dropped),
                                                           asio::redirect_error(asio::use_awaitable, error));
    }
  }

  // Runs handlers on this thread until the service stops. An exception thrown by a handler
  // outside any coroutine's own code (as from within a library's read operation) is logged
  // here; the coroutine it abandoned is destroyed, which closes its connection.
  void RunHandlers() {
    for (;;) {
      try {
        context_.run();
        return;
      } catch (const std::exception& failure) {
        LogLine(std::string("error: a connection failed and is closed: ") + failure.what());
      }
    }
  }

  void WaitForReloadSignal() {
    reloadSignals_.async_wait([this](beast::error_code error, int) {
      if (error) return;
      if (!settings_.reloadable) {
        LogLine("SIGHUP: the built-in tables cannot be reloaded");
      } else {
        reloader_.Request("SIGHUP", [](const ReloadOutcome&) {});  // the load logs and counts its outcome
      }
      WaitForReloadSignal();
    });
  }

  // Stops accepting, closes idle connections and lets requests in flight finish.
  void BeginDrain(int signal) {
    draining_ = true;
    handler_.BeginDrain();
    LogLine(std::string(signal == SIGINT ? "SIGINT" : "SIGTERM") + ": draining " +
            std::to_string(metrics_.InFlight().load()) + " requests in flight");
    beast::error_code ignored;
    acceptor_.close(ignored);
    reloadSignals_.cancel(ignored);
    {
      const std::scoped_lock lock(connectionsMutex_);
      for (const auto& connection : connections_) {
        asio::post(connection->stream.get_executor(), [connection] {
          if (!connection->busy) connection->stream.cancel();
        });
      }
    }
    drainDeadline_ = Clock::now() + settings_.drainTime;
    asio::co_spawn(control_, WatchDrain(), asio::detached);
  }

  asio::awaitable<void> WatchDrain() {
    asio::steady_timer timer(control_);
    while (metrics_.InFlight().load() > 0 && Clock::now() < drainDeadline_) {
      timer.expires_after(std::chrono::milliseconds(10));
      co_await timer.async_wait(asio::use_awaitable);
    }
    const auto unfinished = metrics_.InFlight().load();
    if (unfinished > 0) {
      LogLine("drain time ran out with " + std::to_string(unfinished) + " requests unfinished");
      exitStatus_ = 1;
    } else {
      LogLine("drained, stopping");
    }
    context_.stop();
  }

  const ServerSettings& settings_;
  Handler& handler_;
  Metrics& metrics_;
  // Before the context: destroying it ends the sessions still open, which unregister themselves.
  std::mutex connectionsMutex_;
  std::set<std::shared_ptr<Connection>> connections_;
  asio::io_context context_;  // before everything that uses it
  asio::strand<asio::io_context::executor_type> control_;  // accepting, signals and draining
  tcp::acceptor acceptor_;
  asio::signal_set stopSignals_;
  asio::signal_set reloadSignals_;
  std::atomic<bool> draining_{false};
  Clock::time_point drainDeadline_;
  std::atomic<int> exitStatus_{0};
  Reloader reloader_;  // after the context: its thread ends (and posts nothing more) before the context goes
};

}  // namespace

int RunServer(const ServerSettings& settings, Handler& handler, Metrics& metrics,
              const std::function<void(const std::string& address)>& listening) {
  Server server(settings, handler, metrics);
  const int status = server.Run(server.Listen(), listening);
  // The drain has decided the exit status. Destroying the server gives SIGTERM and SIGINT their
  // default action back, which would end the process by one more signal sent meanwhile (as a
  // supervisor repeating its SIGTERM does); held pending on this, the last thread, they cannot.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  return status;
}

}  // namespace quorvel::service
