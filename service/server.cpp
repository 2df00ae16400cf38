// The one source file that holds Boost.Beast (each one costs long compiles).
#include <utility>  // before asio/awaitable.hpp, which misses it under g++ 12 in C++20

#include "server.hpp"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <algorithm>
#include <cerrno>
#include <limits>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "log.hpp"
#include "reloader.hpp"

namespace quorvel::service {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

// Room for a typical request and its neighbours, so one request takes one read.
constexpr std::size_t kReadBufferBytes = 64 * 1024;

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

std::string_view View(beast::string_view text) { return {text.data(), text.size()}; }

http::response<http::string_body> ToHttp(Response&& response, bool keepAlive) {
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
    context_.run();
    for (auto& thread : threads) thread.join();
    return exitStatus_;
  }

 private:
  // The threads besides this one; when one cannot start, the others stop and the start fails.
  void StartThreads(std::vector<std::thread>& threads) {
    try {
      for (unsigned index = 1; index < settings_.threads; ++index) threads.emplace_back([this] { context_.run(); });
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
    co_await Send(*connection, handler_.Refuse(503, "", "too many connections"), false);
    Close(*connection);
  }

  // Serves one connection's requests, one after the other, until it closes or fails.
  asio::awaitable<void> Session(std::shared_ptr<Connection> connection) {
    beast::flat_buffer buffer;
    buffer.reserve(kReadBufferBytes);
    while (!draining_) {
      if (!co_await ServeOneRequest(*connection, buffer)) break;
    }
    Close(*connection);
    Unregister(connection);
  }

  // Reads one request and answers it; false when the connection is to close.
  asio::awaitable<bool> ServeOneRequest(Connection& connection, beast::flat_buffer& buffer) {
    auto& stream = connection.stream;
    http::request_parser<http::string_body> parser;
    // An announced length over the limit is answered below (Boost 1.74 takes none for zero here).
    parser.body_limit(std::numeric_limits<std::uint64_t>::max());
    beast::error_code error;
    // One deadline for the whole request: a slow or stalled client is closed when it passes.
    stream.expires_after(settings_.readTimeout);
    co_await http::async_read_header(stream, buffer, parser, asio::redirect_error(asio::use_awaitable, error));
    if (error) {
      if (error == http::error::header_limit) co_await Send(connection, handler_.Refuse(431, "", "the header is too large"), false);
      else if (IsMalformed(error)) co_await Send(connection, handler_.Refuse(400, "", "the request is not valid HTTP/1.1"), false);
      co_return false;
    }
    const auto started = Clock::now();
    connection.busy = true;
    ++metrics_.InFlight();
    auto& header = parser.get();
    const std::string target(header.target());
    const std::string method(header.method_string());
    bool keepAlive = header.keep_alive();
    Response response;
    bool answered = true;
    if (const auto length = parser.content_length(); length && *length > settings_.maxBody) {
      response = handler_.Refuse(413, target, "the body is larger than the limit");
      keepAlive = false;  // the body is left unread
    } else {
      parser.body_limit(settings_.maxBody);  // for a chunked body, as it arrives
      if (beast::iequals(header[http::field::expect], "100-continue")) {
        http::response<http::empty_body> proceed{http::status::continue_, 11};
        co_await http::async_write(stream, proceed, asio::redirect_error(asio::use_awaitable, error));
      }
      if (!error) co_await http::async_read(stream, buffer, parser, asio::redirect_error(asio::use_awaitable, error));
      if (error == http::error::body_limit) {
        response = handler_.Refuse(413, target, "the body is larger than the limit");
        keepAlive = false;
      } else if (IsMalformed(error)) {
        response = handler_.Refuse(400, target, "the request is not valid HTTP/1.1");
        keepAlive = false;
      } else if (error) {
        answered = false;  // timed out, reset or cancelled: nobody to answer
      } else {
        Request request{View(header.method_string()), View(header.target()),
                        View(header[http::field::content_type]),
                        View(header[http::field::authorization]), std::move(header.body())};
        response = co_await Answer(request);
      }
    }
    if (answered) {
      const unsigned status = response.status;
      auto out = ToHttp(std::move(response), keepAlive && !draining_);
      keepAlive = out.keep_alive();
      const std::size_t bytes = out.body().size();
      stream.expires_after(settings_.readTimeout);
      co_await http::async_write(stream, out, asio::redirect_error(asio::use_awaitable, error));
      const auto elapsed = Clock::now() - started;
      metrics_.CountRequest(EndpointOf(PathOf(target)), status, elapsed);
      if (settings_.accessLog) {
        LogLine(method + " " + target + " " + std::to_string(status) + " " + std::to_string(bytes) + " " +
                std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()));
      }
    }
    --metrics_.InFlight();
    connection.busy = false;
    co_return answered && !error && keepAlive;
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

  static bool IsMalformed(const beast::error_code& error) {
    return error && error.category() == beast::error_code(http::error::end_of_stream).category() &&
           error != http::error::end_of_stream && error != http::error::partial_message;
  }

  asio::awaitable<void> Send(Connection& connection, Response response, bool keepAlive) {
    auto out = ToHttp(std::move(response), keepAlive);
    beast::error_code error;
    connection.stream.expires_after(settings_.readTimeout);
    co_await http::async_write(connection.stream, out, asio::redirect_error(asio::use_awaitable, error));
  }

  static void Close(Connection& connection) {
    beast::error_code ignored;
    connection.stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
    connection.stream.close();
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
  asio::io_context context_;  // before everything that uses it
  asio::strand<asio::io_context::executor_type> control_;  // accepting, signals and draining
  tcp::acceptor acceptor_;
  asio::signal_set stopSignals_;
  asio::signal_set reloadSignals_;
  std::mutex connectionsMutex_;
  std::set<std::shared_ptr<Connection>> connections_;
  std::atomic<bool> draining_{false};
  Clock::time_point drainDeadline_;
  std::atomic<int> exitStatus_{0};
  Reloader reloader_;  // after the context: its thread ends (and posts nothing more) before the context goes
};

}  // namespace

int RunServer(const ServerSettings& settings, Handler& handler, Metrics& metrics,
              const std::function<void(const std::string& address)>& listening) {
  Server server(settings, handler, metrics);
  return server.Run(server.Listen(), listening);
}

}  // namespace quorvel::service
