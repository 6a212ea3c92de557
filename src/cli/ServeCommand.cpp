// `sensorwidget serve`: the widget host on the loopback interface, until SIGINT or SIGTERM.
#include <fmt/format.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "cli/AppWindow.h"
#include "cli/CommonOptions.h"
#include "host/WidgetHost.h"

namespace sw::cli {

namespace {

struct ServeOptions {
  int port = 8080;
  std::string bindAddress = "127.0.0.1";
  bool openWindow = false;
  bool keepServing = false;
};

sigset_t stopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

/// The address a browser should open: the page answers only to loopback names.
std::string pageAddress(const std::string& bindAddress, int port) {
  if (bindAddress == "::1") return fmt::format("http://[::1]:{}/", port);
  if (bindAddress == "localhost") return fmt::format("http://localhost:{}/", port);
  return fmt::format("http://127.0.0.1:{}/", port);
}

void runServe(CommonOptions& common, const ServeOptions& serve) {
  common.installMachine(CommonOptions::Settings::Hosted);
  // Blocked before the server starts its threads, so that they inherit the mask and only the
  // waiting thread below ever receives the signals.
  const sigset_t signals = stopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  host::WidgetHostOptions hostOptions;
  hostOptions.bindAddress = serve.bindAddress;
  hostOptions.port = serve.port;
  hostOptions.logRequests = common.verbose;
  host::WidgetHost host(host::pluginControllerFactory(), hostOptions);
  const int port = host.bind();
  if (port < 0) {
    fmt::print(stderr, "sensorwidget: cannot listen on {} port {}\n", serve.bindAddress, serve.port);
    throw CLI::RuntimeError(1);
  }
  fmt::print("Widget at {}\n", pageAddress(serve.bindAddress, port));
  std::fflush(stdout);
  // Made after the host and so closed before it: the window never outlives the page it shows.
  std::unique_ptr<AppWindow> window;
  if (serve.openWindow) {
    const bool keep = serve.keepServing;
    window = AppWindow::openOrSayWhy(
        pageAddress(serve.bindAddress, port), port, !common.verbose,
        [&host, keep](const std::string& failure) {
          if (!failure.empty()) {
            fmt::print(stderr, "sensorwidget: {}: the widget is served\n", failure);
          } else if (!keep) {
            host.stop();
          }
        },
        "no window, the widget is served");
  }

  std::atomic<bool> signalled = false;
  std::thread signalWaiter([&host, &signalled, signals] {
    int received = 0;
    sigwait(&signals, &received);
    signalled = true;
    host.stop();
  });
  const bool served = host.serve();
  // Serving also ends without a signal: the host failed, or its window was closed.
  if (!signalled) pthread_kill(signalWaiter.native_handle(), SIGTERM);  // wake the waiter
  signalWaiter.join();
  if (!served) {
    fmt::print(stderr, "sensorwidget: the widget host stopped unexpectedly\n");
    throw CLI::RuntimeError(1);
  }
}

}  // namespace

void addServeCommand(CLI::App& app, CommonOptions& options) {
  auto serveOptions = std::make_shared<ServeOptions>();
  CLI::App* command = app.add_subcommand("serve", "serve the widget page and its plug-in to a browser on this machine");
  command->add_option("--port", serveOptions->port, "the port to listen on; 0 picks a free one")
      ->check(CLI::Range(0, 65535))
      ->capture_default_str();
  command->add_option("--bind", serveOptions->bindAddress,
                      "the address to listen on; the page answers only to loopback names")
      ->capture_default_str();
  CLI::Option* open = command->add_flag("--open", serveOptions->openWindow,
                                        "show the widget in a window of its own (Chromium); closing it stops the host");
  command->add_flag("--keep", serveOptions->keepServing, "with --open: keep serving after the window is closed")
      ->needs(open);
  options.addDiskSaverOption(*command);
  command->callback([&options, serveOptions] { runServe(options, *serveOptions); });
}

}  // namespace sw::cli
