// erx-discover serve: the results store as web pages and JSON, read-only.
//
//   erx-discover serve --store DB [--listen ADDRESS:PORT] [--auth-file FILE]
//                      [--tls-cert FILE --tls-key FILE | --insecure-http]
//
// (see web/Server.h). Exit status 0 when stopped by SIGINT or SIGTERM, 2
// with one line on standard error when it cannot or must not start.
#include <iostream>
#include <string>

#include "apps/CommandLine.h"
#include "apps/erx-discover/StoreSecrets.h"
#include "apps/erx-discover/Subcommand.h"
#include "web/Server.h"

namespace {

class ServeCommand : public Subcommand {
 public:
  void Define(CLI::App& command) override {
    command
        .add_option("--store", options_.storePath, "the results store (a file or postgresql://)")
        ->required()
        ->option_text("STORE");
    command.add_option("--listen", listen_, "address and port to listen on (port 0: any free one)")
        ->capture_default_str()
        ->option_text("ADDRESS:PORT");
    command
        .add_option("--auth-file", options_.access.authFile,
                    "users and their crypt(3) password hashes, USER:HASH a line; needed on "
                    "any address but loopback")
        ->option_text("FILE");
    command.add_option("--tls-cert", options_.access.tlsCert, "TLS certificate (PEM)")
        ->option_text("FILE");
    command.add_option("--tls-key", options_.access.tlsKey, "TLS private key (PEM)")
        ->option_text("FILE");
    command.add_flag("--insecure-http", options_.access.insecureHttp,
                     "serve plain HTTP on a non-loopback address: passwords and data cross the "
                     "network in clear");
    DefineStoreSecrets(command, secretsFile_);
  }

  ExitCode Run() override {
    Status ready = TakeStorePassword(secretsFile_);
    if (ready.ok()) ready = web::ParseListen(listen_).Into(options_.access.listen);
    if (!ready.ok()) return FailUsage("erx-discover", ready.message());
    if (Status served = web::Serve(options_, std::cout); !served.ok()) {
      return FailUsage("erx-discover", served.message());
    }
    return kExitOk;
  }

 private:
  web::ServeOptions options_;
  std::string listen_ = "127.0.0.1:8080";
  std::string secretsFile_;
};

[[maybe_unused]] const bool kServe =
    AddSubcommand<ServeCommand>("serve", "the results store as web pages and JSON, read-only");

}  // namespace
