// `quorvel serve`: the engine as an HTTP tax service (service/).
#include "commands.hpp"
#include "serve.hpp"

namespace quorvel::cli {

void AddServeCommand(CLI::App& app, Action& run) {
  auto* command = app.add_subcommand("serve", "Answer tax calculations over HTTP");
  auto options = std::make_shared<service::ServeOptions>();
  command->add_option("--tables", options->tablesFolder,
                      "Folder holding the six data islands, read again on reload (default: the "
                      "built-in example tables)");
  command->add_option("--listen", options->listen, "HOST:PORT to listen on; port 0 picks a free one")
      ->capture_default_str();
  command->add_option("--threads", options->threads, "Threads serving requests (default: one per processor)");
  command->add_option("--max-body", options->maxBody, "Largest request body in bytes")->capture_default_str();
  command->add_option("--max-connections", options->maxConnections, "Connections served at once")
      ->capture_default_str();
  command->add_option("--read-timeout", options->readTimeoutSeconds, "Seconds allowed to send one whole request")
      ->capture_default_str();
  command->add_option("--drain-seconds", options->drainSeconds,
                      "Seconds that requests in flight get to finish after SIGTERM or SIGINT")
      ->capture_default_str();
  command->add_option("--admin-token-file", options->adminTokenFile,
                      "File holding the bearer token that allows POST /v1/tables/reload");
  command->add_flag("--access-log", options->accessLog, "Log one line per request");
  command->callback([&run, options] {
    run = [options] { return service::Serve(*options, ExampleTables()); };
  });
}

}  // namespace quorvel::cli
