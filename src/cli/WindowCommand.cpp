// `sensorwidget window`: the widget of a host that is already serving (the desktop's user
// service) in its app window, for as long as the window is open. The host is not stopped.
#include <arpa/inet.h>
#include <fmt/format.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "cli/AppWindow.h"
#include "cli/CommonOptions.h"

namespace sw::cli {

namespace {

struct WindowOptions {
  int port = 8080;
  int waitSeconds = 30;
};

bool hostAnswers(int port) {
  const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected = ::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(socket);
  return connected;
}

/// At login the session may start before the host's service does: waits for it a while.
bool waitForHost(int port, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!hostAnswers(port)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
  return true;
}

void runWindow(const CommonOptions& common, const WindowOptions& options) {
  if (!waitForHost(options.port, options.waitSeconds)) {
    fmt::print(stderr, "sensorwidget: no widget host answers on 127.0.0.1 port {}\n", options.port);
    throw CLI::RuntimeError(1);
  }
  // Blocked before the window's watcher starts, so that only the wait below receives them; the
  // window's closing is told by the third.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  const pthread_t waiting = pthread_self();
  std::atomic<bool> failed = false;
  std::unique_ptr<AppWindow> window = AppWindow::openOrSayWhy(
      fmt::format("http://127.0.0.1:{}/", options.port), options.port, !common.verbose,
      [waiting, &failed](const std::string& failure) {
        if (!failure.empty()) {
          fmt::print(stderr, "sensorwidget: {}\n", failure);
          failed = true;
        }
        pthread_kill(waiting, SIGUSR1);
      },
      "no window");
  if (window == nullptr) throw CLI::RuntimeError(1);
  int received = 0;
  sigwait(&signals, &received);
  // Leaving closes the window when a signal, not the user, ended it.
  window.reset();
  if (failed) throw CLI::RuntimeError(1);
}

}  // namespace

void addWindowCommand(CLI::App& app, CommonOptions& options) {
  auto windowOptions = std::make_shared<WindowOptions>();
  CLI::App* command =
      app.add_subcommand("window", "show the widget of the host serving on this machine in a window of its own");
  command->add_option("--port", windowOptions->port, "the port the host listens on (127.0.0.1)")
      ->check(CLI::Range(1, 65535))
      ->capture_default_str();
  command->add_option("--wait", windowOptions->waitSeconds, "how long to wait for the host to answer, in seconds")
      ->check(CLI::Range(0, 3600))
      ->capture_default_str();
  command->callback([&options, windowOptions] { runWindow(options, *windowOptions); });
}

}  // namespace sw::cli
