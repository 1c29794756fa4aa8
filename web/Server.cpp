#include "web/Server.h"

#include <httplib.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <memory>
#include <thread>

#include "web/Answers.h"
#include "web/Assets.h"
#include "web/Pages.h"
#include "web/StoreReader.h"

namespace web {
namespace {

const char kPolicy[] =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
    "form-action 'self'; base-uri 'none'; frame-ancestors 'none'";
const char kHtml[] = "text/html; charset=utf-8";
const char kJson[] = "application/json";

// Limits: a few threads, short timeouts, no request bodies. Headers are
// bounded by the library (8 KiB) as it was built.
const int kThreads = 8;
const time_t kReadSeconds = 5;
const time_t kWriteSeconds = 30;
const size_t kKeepAliveRequests = 20;
const time_t kKeepAliveSeconds = 5;
const size_t kLargestBody = 1024;

Query QueryOf(const httplib::Request& request) {
  Query query;
  for (const auto& [name, value] : request.params) query.emplace(name, value);
  return query;
}

bool RunNumber(const std::string& text, int64_t& run) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), run);
  return error == std::errc() && end == text.data() + text.size();
}

void Problem(httplib::Response& response, bool api, int status, const std::string& message) {
  response.status = status;
  if (api) {
    response.set_content(Json{{"error", message}}.dump(), kJson);
  } else {
    response.set_content(ProblemPage(status, message), kHtml);
  }
}

// Sends the answer as JSON (api) or as the page `draw` makes of it.
template <typename Draw>
void Send(httplib::Response& response, const Answer& answer, bool api, Draw draw) {
  if (answer.status != 200) return Problem(response, api, answer.status, answer.message);
  if (answer.total > 0 || answer.limit > 0) {
    response.set_header("X-Total-Count", std::to_string(answer.total));
  }
  if (api) {
    response.set_content(answer.data.dump(-1, ' ', false, Json::error_handler_t::replace), kJson);
  } else {
    response.set_content(draw(answer), kHtml);
  }
}

// Each page and its /api twin: `answer` reads the store for the request.
using Reply = std::function<void(StoreReader&, const httplib::Request&, httplib::Response&, bool)>;

void Route(httplib::Server& server, const std::string& storePath, const std::string& pattern,
           const Reply& reply) {
  for (bool api : {false, true}) {
    server.Get(
        (api ? "/api" : "") + pattern,
        [storePath, reply, api](const httplib::Request& request, httplib::Response& response) {
          const auto start = std::chrono::steady_clock::now();
          try {
            StoreReader store(storePath);
            reply(store, request, response, api);
            // The server's own time, for benchmarks and the browser's tools.
            const std::chrono::duration<double, std::milli> spent =
                std::chrono::steady_clock::now() - start;
            response.set_header("Server-Timing", "app;dur=" + std::to_string(spent.count()));
          } catch (const ReadError& error) {
            Problem(response, api, 500, error.what());
          } catch (const std::exception& error) {
            Problem(response, api, 500, std::string("cannot answer: ") + error.what());
          }
        });
  }
}

// A route whose first group is a run number.
Reply ForRun(const std::function<void(StoreReader&, int64_t, const httplib::Request&,
                                      httplib::Response&, bool)>& reply) {
  return [reply](StoreReader& store, const httplib::Request& request, httplib::Response& response,
                 bool api) {
    int64_t run = 0;
    if (!RunNumber(request.matches[1], run)) {
      return Problem(response, api, 404, "the store has no run " + request.matches[1].str());
    }
    reply(store, run, request, response, api);
  };
}

void AddRoutes(httplib::Server& server, const std::string& store) {
  Route(server, store, "/",
        [](StoreReader& s, const httplib::Request& request, httplib::Response& response, bool api) {
          Send(response, RunsAnswer(s, QueryOf(request)), api, RunsPage);
        });
  Route(server, store, R"(/runs/(\d+))",
        ForRun([](StoreReader& s, int64_t run, const httplib::Request& request,
                  httplib::Response& response, bool api) {
          Send(response, RunAnswer(s, run, QueryOf(request)), api, RunPage);
        }));
  Route(server, store, R"(/runs/(\d+)/devices/(.+))",
        ForRun([](StoreReader& s, int64_t run, const httplib::Request& request,
                  httplib::Response& response, bool api) {
          Send(response, DeviceAnswer(s, run, request.matches[2], QueryOf(request)), api,
               DevicePage);
        }));
  Route(server, store, "/search",
        [](StoreReader& s, const httplib::Request& request, httplib::Response& response, bool api) {
          Send(response, SearchAnswer(s, QueryOf(request)), api, SearchPage);
        });
  Route(server, store, R"(/runs/(\d+)/paths)",
        ForRun([](StoreReader& s, int64_t run, const httplib::Request& request,
                  httplib::Response& response, bool api) {
          const Query query = QueryOf(request);
          Send(response, PathsAnswer(s, run, query), api,
               [&](const Answer& answer) { return PathsPage(answer, query); });
        }));
  Route(server, store, R"(/runs/(\d+)/vpns)",
        ForRun([](StoreReader& s, int64_t run, const httplib::Request& request,
                  httplib::Response& response, bool api) {
          const Query query = QueryOf(request);
          Send(response, VpnsAnswer(s, run, query), api,
               [&](const Answer& answer) { return VpnsPage(answer, query); });
        }));
  for (const char* picture : {"paths", "vpns"}) {
    const bool paths = std::string(picture) == "paths";
    Route(server, store, std::string(R"(/runs/(\d+)/)") + picture + ".svg",
          ForRun([paths](StoreReader& s, int64_t run, const httplib::Request& request,
                         httplib::Response& response, bool api) {
            const Answer answer = paths ? PathsPicture(s, run, QueryOf(request))
                                        : VpnsPicture(s, run, QueryOf(request));
            if (answer.status != 200) return Problem(response, api, answer.status, answer.message);
            response.set_content(answer.text, "image/svg+xml");
          }));
  }
  Route(server, store, "/diff",
        [](StoreReader& s, const httplib::Request& request, httplib::Response& response, bool api) {
          const Query query = QueryOf(request);
          Send(response, DiffAnswer(s, query), api,
               [&](const Answer& answer) { return DiffPage(answer, query); });
        });
  server.Get("/static/style.css", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(kStyleSheet, "text/css; charset=utf-8");
  });
  server.Get("/static/table.js", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(kTableScript, "text/javascript; charset=utf-8");
  });
}

}  // namespace

void SetUpServer(httplib::Server& server, const std::string& storePath, const Users* users) {
  server.new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
  server.set_read_timeout(kReadSeconds);
  server.set_write_timeout(kWriteSeconds);
  server.set_keep_alive_max_count(kKeepAliveRequests);
  server.set_keep_alive_timeout(kKeepAliveSeconds);
  server.set_payload_max_length(kLargestBody);
  server.set_default_headers({{"Content-Security-Policy", kPolicy},
                              {"X-Content-Type-Options", "nosniff"},
                              {"Referrer-Policy", "no-referrer"},
                              {"X-Frame-Options", "DENY"},
                              {"Cache-Control", "no-store"}});
  server.set_pre_routing_handler([users](const httplib::Request& request,
                                         httplib::Response& response) {
    if (users && !users->Allows(request.get_header_value("Authorization"))) {
      response.status = 401;
      response.set_header("WWW-Authenticate", "Basic realm=\"erx-discover\", charset=\"UTF-8\"");
      response.set_content("A user name and password are needed.\n", "text/plain; charset=utf-8");
      return httplib::Server::HandlerResponse::Handled;
    }
    // Nothing here writes.
    if (request.method != "GET" && request.method != "HEAD") {
      response.status = 405;
      response.set_header("Allow", "GET, HEAD");
      response.set_content("Only GET and HEAD: this server changes nothing.\n",
                           "text/plain; charset=utf-8");
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // Pages that answered nothing themselves: unknown addresses.
  server.set_error_handler(httplib::Server::HandlerWithResponse(
      [](const httplib::Request& request, httplib::Response& response) {
        if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        const bool api = request.path.compare(0, 5, "/api/") == 0;
        Problem(response, api, response.status,
                response.status == 404 ? "there is no page at " + request.path : "cannot answer");
        return httplib::Server::HandlerResponse::Handled;
      }));
  AddRoutes(server, storePath);
}

Status Serve(const ServeOptions& options, std::ostream& out) {
  if (std::string refused = AccessProblem(options.access); !refused.empty()) {
    return Status::Failure(refused);
  }
  try {
    StoreReader check(options.storePath);
  } catch (const ReadError& error) {
    return Status::Failure(error.what());
  }
  std::unique_ptr<Users> users;
  if (!options.access.authFile.empty()) {
    users = std::make_unique<Users>();
    if (Status loaded = users->Load(options.access.authFile); !loaded.ok()) return loaded;
  }
  std::unique_ptr<httplib::Server> server;
  const bool tls = !options.access.tlsCert.empty();
  if (tls) {
    auto secure = std::make_unique<httplib::SSLServer>(options.access.tlsCert.c_str(),
                                                       options.access.tlsKey.c_str());
    if (!secure->is_valid()) {
      return Status::Failure("cannot use the TLS certificate " + options.access.tlsCert +
                             " with the key " + options.access.tlsKey);
    }
    server = std::move(secure);
  } else {
    server = std::make_unique<httplib::Server>();
  }
  SetUpServer(*server, options.storePath, users.get());

  const ListenAddress& listen = options.access.listen;
  int port = listen.port;
  if (port == 0) {
    port = server->bind_to_any_port(listen.host);
  } else if (!server->bind_to_port(listen.host, port)) {
    port = -1;
  }
  if (port <= 0) {
    return Status::Failure("cannot listen on " + listen.host + ":" + std::to_string(listen.port));
  }

  // SIGINT and SIGTERM stop the server from a thread of their own; the
  // server's threads, made after this, inherit the blocked signals.
  sigset_t stopping;
  sigemptyset(&stopping);
  sigaddset(&stopping, SIGINT);
  sigaddset(&stopping, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopping, nullptr);
  std::atomic<bool> signalled{false};
  std::thread waiter([&] {
    int signal = 0;
    sigwait(&stopping, &signal);
    signalled = true;
    server->stop();
  });

  const bool v6 = listen.host.find(':') != std::string::npos;
  out << "erx-discover: serving " << options.storePath << " at " << (tls ? "https" : "http")
      << "://" << (v6 ? "[" + listen.host + "]" : listen.host) << ":" << port << "/" << std::endl;
  server->listen_after_bind();
  // Stopped otherwise: the waiter still waits for its signal.
  // SIGTERM is blocked and the waiter takes it with sigwait: this only wakes it.
  // NOLINTNEXTLINE(bugprone-bad-signal-to-kill-thread)
  if (!signalled) pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();
  return Status();
}

}  // namespace web
