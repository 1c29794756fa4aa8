// erx-discover serve: the results store as web pages and JSON, read-only.
//
//   erx-discover serve --store DB [--listen ADDRESS:PORT] [--auth-file FILE]
//                      [--tls-cert FILE --tls-key FILE | --insecure-http]
//
// (see web/Server.h). Exit status 0 when stopped by SIGINT or SIGTERM, 2
// with one line on standard error when it cannot or must not start.
#ifndef APPS_ERX_DISCOVER_SERVESUBCOMMAND_H_
#define APPS_ERX_DISCOVER_SERVESUBCOMMAND_H_

#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>
#include <string>

#include "apps/CommandLine.h"
#include "web/Server.h"

class ServeSubcommand {
 public:
  explicit ServeSubcommand(CLI::App& app) {
    serve_ = app.add_subcommand("serve", "the results store as web pages and JSON, read-only");
    serve_->add_option("--store", options_.storePath, "the results store")
        ->required()
        ->option_text("FILE");
    serve_->add_option("--listen", listen_, "address and port to listen on (port 0: any free one)")
        ->capture_default_str()
        ->option_text("ADDRESS:PORT");
    serve_
        ->add_option("--auth-file", options_.access.authFile,
                     "users and their crypt(3) password hashes, USER:HASH a line; needed on "
                     "any address but loopback")
        ->option_text("FILE");
    serve_->add_option("--tls-cert", options_.access.tlsCert, "TLS certificate (PEM)")
        ->option_text("FILE");
    serve_->add_option("--tls-key", options_.access.tlsKey, "TLS private key (PEM)")
        ->option_text("FILE");
    serve_->add_flag("--insecure-http", options_.access.insecureHttp,
                     "serve plain HTTP on a non-loopback address: passwords and data cross the "
                     "network in clear");
  }

  // The exit status when serve was asked for.
  std::optional<int> Run(int argc, char** argv, const std::string& program) {
    if (!serve_->parsed()) return std::nullopt;
    if (argc < 2 || std::string(argv[1]) != "serve") {
      return FailUsage(program, "serve takes no options before it");
    }
    std::string problem;
    if (!web::ParseListen(listen_, options_.access.listen, problem)) {
      return FailUsage(program, problem);
    }
    const int status = web::Serve(options_, std::cout, problem);
    if (status != 0) FailUsage(program, problem);
    return status;
  }

 private:
  web::ServeOptions options_;
  std::string listen_ = "127.0.0.1:8080";
  CLI::App* serve_ = nullptr;
};

#endif  // APPS_ERX_DISCOVER_SERVESUBCOMMAND_H_
