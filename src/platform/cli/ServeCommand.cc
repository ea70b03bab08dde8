#include "platform/cli/ServeCommand.h"

#include <pthread.h>
#include <signal.h>

#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <thread>

#include "platform/base/PrivateDirectory.h"
#include "platform/session/Companies.h"
#include "platform/session/Messages.h"
#include "platform/web/WebServer.h"

namespace actifix::platform {

namespace {

struct ServeArgs {
  int64_t port = 8080;
  std::string bind = "127.0.0.1";
  std::string tokenFile;
};

// The secret of `path`: its first line, at least 16 characters.
std::string ReadToken(const std::string& path) {
  std::ifstream in(path);
  std::string token;
  if (!in || !std::getline(in, token))
    throw UserError("Fichier du jeton « " + path + " » illisible.", ErrorKind::kBadArgument);
  while (!token.empty() && (token.back() == '\r' || token.back() == ' ')) token.pop_back();
  if (token.size() < 16 || token.find_first_of(" ;,\"\\") != std::string::npos)
    throw UserError("Jeton de « " + path +
                        " » refusé : au moins 16 caractères, sans blanc, « ; », « , », guillemet "
                        "ni barre oblique inverse.",
                    ErrorKind::kBadArgument);
  return token;
}

int Serve(const GlobalOptions& global, const ServeArgs& args) {
  web::ServeOptions options;
  options.companies = OpenCompanies(global.data, global.out);
  options.bind = args.bind;
  options.port = static_cast<int>(args.port);
  if (!args.tokenFile.empty()) options.token = ReadToken(args.tokenFile);
  // A folder of the server's own for the editions it runs, removed when it ends.
  const PrivateDirectory work(std::filesystem::temp_directory_path() / "actifix-serve.XXXXXX",
                              "actifix serve", "", "impossible de créer le répertoire de travail");
  options.work = work.path();

  // Ctrl-C and SIGTERM are taken by one thread of ours, which stops the server: every other
  // thread (the server's, the editions') has them blocked.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  web::WebServer server(options);
  const int port = server.Bind();
  std::thread waiter([&server, signals] {
    int signal = 0;
    sigwait(&signals, &signal);
    server.Stop();
  });
  std::cout << "Consultation ouverte sur http://"
            << (args.bind.find(':') != std::string::npos ? "[" + args.bind + "]" : args.bind) << ":"
            << port << "/ (Ctrl-C pour l'arrêter)" << std::endl;
  server.Serve();
  // Stopped by the signal, or the server ended on its own: the waiter is woken if need be.
  pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();
  std::cout << "Consultation arrêtée." << std::endl;
  return kExitOk;
}

}  // namespace

void AddServeCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action) {
  auto args = std::make_shared<ServeArgs>();
  CLI::App* serve = root.add_subcommand(
      "serve", "Consultation du registre dans un navigateur, en lecture seule, jusqu'à Ctrl-C");
  WholeNumberBetween(*serve->add_option("--port", args->port,
                                        "Port d'écoute (défaut : 8080 ; "
                                        "0 : un port libre)"),
                     0, 65535);
  serve->add_option("--bind", args->bind,
                    "Adresse d'écoute (défaut : 127.0.0.1 ; toute autre demande --token-file)");
  serve->add_option("--token-file", args->tokenFile,
                    "Fichier dont la première ligne est le jeton demandé à chaque connexion");
  WhenChosen(*serve, action, [&global, args] { return Serve(global, *args); });
}

}  // namespace actifix::platform
