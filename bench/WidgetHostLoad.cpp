// Load on the widget host. The host runs in a child process, so that its CPU time and memory are
// its own; the widgets are keep-alive connections of this process.
//
//   WidgetHostLoad open [instances=20] [interval-ms=2000] [seconds=20] [batch|single|history] [profile]
//     An open loop, as widgets load a host: each instance refreshes once per interval, the
//     refreshes of all instances spread evenly over it, each sent at its time whether or not
//     earlier ones were answered (latency counts from that time). A refresh is the page's seven
//     calls, in one batch request or as seven single requests; `history` adds the page's request
//     for the newest samples of its recent-history lines after the batch.
//   WidgetHostLoad closed [instances=200] [refreshes per instance=5] [batch|single|history] [profile]
//     A closed loop: every instance refreshes as fast as it is answered, all at once.
//
// Both print the host's CPU time per script call beside the plug-in's own CPU time for the same
// calls made in this process, their ratio, p50/p99 latency per refresh, the host's share of one
// core (under load and with every connection closed), and its resident memory. In the open loop
// each refresh is made in this process right after the host answered it, on controllers of its
// own, so that both see the same clock, the same caches and the same cold starts between
// refreshes; the closed loop makes them afterwards in a tight loop on a clock advanced as far
// between refreshes as the run's.
#include <arpa/inet.h>
#include <fmt/format.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "host/WidgetHost.h"
#include "os/Clock.h"
#include "os/Machine.h"
#include "os/SystemLog.h"
#include "os/UserDefaults.h"
#include "sim/BuiltInProfiles.h"
#include "sim/SimulatedMachine.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

// What one widget asks on every refresh: name, reading and icon of both positions, and the status.
const std::vector<nlohmann::json> kRefreshCalls = {
    {{"call", "localizedSensorNameAtDisplayIndex"}, {"args", {0}}},
    {{"call", "localizedReadingAtDisplayIndex"}, {"args", {0}}},
    {{"call", "relativePathForTypeIconAtDisplayIndex"}, {"args", {0}}},
    {{"call", "localizedSensorNameAtDisplayIndex"}, {"args", {1}}},
    {{"call", "localizedReadingAtDisplayIndex"}, {"args", {1}}},
    {{"call", "relativePathForTypeIconAtDisplayIndex"}, {"args", {1}}},
    {{"call", "localizedStatusMessage"}, {"args", nlohmann::json::array()}},
};

struct Settings {
  bool openLoop = true;
  int instances = 20;
  int intervalMs = 2000;
  int seconds = 20;
  int refreshesPerInstance = 5;
  bool batch = true;
  bool history = false;
  std::string profile = sw::sim::kDefaultProfileName;
};

[[noreturn]] void fail(const std::string& message) {
  fmt::print(stderr, "WidgetHostLoad: {}\n", message);
  std::exit(1);
}

void installMachine(const std::string& profile, const std::filesystem::path& defaultsDirectory) {
  sw::os::setLogToSyslog(false);
  auto loaded = sw::sim::SimulatedMachine::loadBuiltIn(profile);
  if (auto* problem = std::get_if<std::string>(&loaded)) fail(*problem);
  sw::os::setCurrentMachine(std::get<std::shared_ptr<sw::sim::SimulatedMachine>>(loaded));
  sw::os::setDefaultsDirectory(defaultsDirectory);
}

// ---- The host, in a child process ----

struct HostProcess {
  pid_t pid = -1;
  int port = -1;
  clockid_t cpuClock{};
};

/// Forks before this process has any other thread; the child serves until SIGTERM.
HostProcess startHost(const Settings& settings, const std::filesystem::path& defaultsDirectory) {
  int portPipe[2];
  if (::pipe(portPipe) != 0) fail("no pipe");
  const pid_t pid = ::fork();
  if (pid < 0) fail("cannot fork");
  if (pid == 0) {
    ::close(portPipe[0]);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    installMachine(settings.profile, defaultsDirectory);
    sw::host::WidgetHostOptions options;
    options.port = 0;
    sw::host::WidgetHost host(sw::host::pluginControllerFactory(), options);
    int port = host.bind();
    if (::write(portPipe[1], &port, sizeof port) != sizeof port) std::_Exit(1);
    std::thread waiter([&host, stop] {
      int received = 0;
      sigwait(&stop, &received);
      host.stop();
    });
    host.serve();
    waiter.join();
    std::_Exit(0);
  }
  ::close(portPipe[1]);
  HostProcess host{pid};
  if (::read(portPipe[0], &host.port, sizeof host.port) != sizeof host.port || host.port < 0) fail("the host did not bind");
  ::close(portPipe[0]);
  if (clock_getcpuclockid(pid, &host.cpuClock) != 0) fail("no CPU clock for the host");
  return host;
}

double cpuSeconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

/// A figure of /proc/<pid>/status in KiB, such as VmRSS or VmHWM.
long statusKiB(pid_t pid, const std::string& field) {
  std::ifstream status(fmt::format("/proc/{}/status", pid));
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with(field + ":")) return std::atol(line.c_str() + field.size() + 1);
  }
  return -1;
}

// ---- A widget's keep-alive connection ----

class Connection {
 public:
  explicit Connection(int port) : port_(port) { open(); }
  ~Connection() { ::close(fd_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  /// POSTs the body; the answer's body when the status is 200, else nothing. Opens the
  /// connection again once when the host has closed it.
  std::optional<std::string> post(const std::string& path, const std::string& body) { return request("POST", path, body); }
  std::optional<std::string> get(const std::string& path) { return request("GET", path, ""); }

 private:
  std::optional<std::string> request(std::string_view method, const std::string& path, const std::string& body) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      int status = 0;
      std::string answer;
      if (exchange(method, path, body, &status, &answer)) return status == 200 ? std::optional(answer) : std::nullopt;
      ::close(fd_);
      open();
    }
    return std::nullopt;
  }

  void open() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    sockaddr_in address{.sin_family = AF_INET, .sin_port = htons(std::uint16_t(port_)),
                        .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) fail("cannot connect");
    buffer_.clear();
  }

  bool exchange(std::string_view method, const std::string& path, const std::string& body, int* status,
                std::string* answer) {
    const std::string request = fmt::format(
        "{} {} HTTP/1.1\r\nHost: 127.0.0.1:{}\r\nOrigin: http://127.0.0.1:{}\r\nContent-Type: application/json\r\n"
        "Content-Length: {}\r\n\r\n{}",
        method, path, port_, port_, body.size(), body);
    if (::send(fd_, request.data(), request.size(), MSG_NOSIGNAL) != ssize_t(request.size())) return false;
    std::size_t headerEnd;
    while ((headerEnd = buffer_.find("\r\n\r\n")) == std::string::npos) {
      if (!receive()) return false;
    }
    if (std::sscanf(buffer_.c_str(), "HTTP/1.1 %d", status) != 1) return false;
    std::size_t length = 0;
    std::string headers = buffer_.substr(0, headerEnd);
    std::transform(headers.begin(), headers.end(), headers.begin(), [](unsigned char c) { return std::tolower(c); });
    if (auto at = headers.find("content-length:"); at != std::string::npos) {
      length = std::strtoul(headers.c_str() + at + 15, nullptr, 10);
    }
    while (buffer_.size() < headerEnd + 4 + length) {
      if (!receive()) return false;
    }
    *answer = buffer_.substr(headerEnd + 4, length);
    buffer_.erase(0, headerEnd + 4 + length);
    return true;
  }

  bool receive() {
    char chunk[16384];
    ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
    if (got <= 0) return false;
    buffer_.append(chunk, std::size_t(got));
    return true;
  }

  int port_;
  int fd_ = -1;
  std::string buffer_;
};

struct Widget {
  std::string path;  // /api/instances/<id>/
  std::unique_ptr<Connection> connection;
};

std::string batchBody() { return nlohmann::json(kRefreshCalls).dump(); }

/// One refresh of a widget; false when a request failed.
bool refresh(Widget& widget, const Settings& settings) {
  static const std::string kBatch = batchBody();
  if (settings.history) {
    // The page asks for the newest samples once its copy of the rings is filled.
    return widget.connection->post(widget.path + "batch", kBatch).has_value() &&
           widget.connection->get(widget.path + "history?last=8").has_value();
  }
  if (settings.batch) return widget.connection->post(widget.path + "batch", kBatch).has_value();
  bool ok = true;
  for (const auto& call : kRefreshCalls) ok = widget.connection->post(widget.path + "call", call.dump()).has_value() && ok;
  return ok;
}

std::vector<Widget> openWidgets(const Settings& settings, int port) {
  std::vector<Widget> widgets;
  for (int n = 0; n < settings.instances; ++n) {
    const std::string identifier = fmt::format("load-{}", n);
    Widget widget{"/api/instances/" + identifier + "/", std::make_unique<Connection>(port)};
    if (!widget.connection->post(widget.path + "open", "") ||
        !widget.connection->post(widget.path + "call",
                                 nlohmann::json{{"call", "setWidgetIdentifier"}, {"args", {identifier}}}.dump())) {
      fail("cannot open " + identifier);
    }
    widgets.push_back(std::move(widget));
  }
  for (Widget& widget : widgets) refresh(widget, settings);  // warm up
  return widgets;
}

struct Run {
  std::vector<double> latenciesMs;  // per refresh
  int failures = 0;
  double wallSeconds = 0;
  double pluginSeconds = 0;  // CPU time of the same refreshes made in this process
};

using Controllers = std::vector<sw::host::WidgetInstanceTable::ScriptCall>;

/// One refresh on a controller of this process; its CPU time in seconds.
double refreshInProcess(const sw::host::WidgetInstanceTable::ScriptCall& controller) {
  static const auto kCalls = [] {
    std::vector<std::pair<std::string, nlohmann::json>> calls;
    for (const auto& call : kRefreshCalls) calls.emplace_back(call["call"], call["args"]);
    return calls;
  }();
  const double before = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
  for (const auto& [name, arguments] : kCalls) {
    volatile bool answered = !controller(name, arguments).is_null();
    (void)answered;
  }
  return cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - before;
}

Controllers createControllers(const Settings& settings) {
  Controllers controllers;
  for (int n = 0; n < settings.instances; ++n) {
    controllers.push_back(sw::host::pluginControllerFactory()());
    controllers.back()("setWidgetIdentifier", nlohmann::json::array({fmt::format("load-{}", n)}));
    refreshInProcess(controllers.back());  // warmed up like the host's instances
  }
  return controllers;
}

Run runOpenLoop(const Settings& settings, std::vector<Widget>& widgets, const Controllers& controllers) {
  Run run;
  const auto spacing = std::chrono::microseconds(std::int64_t(settings.intervalMs) * 1000 / settings.instances);
  const std::int64_t refreshes = std::int64_t(settings.seconds) * 1000 / settings.intervalMs * settings.instances;
  const auto start = Clock::now();
  for (std::int64_t k = 0; k < refreshes; ++k) {
    const auto due = start + k * spacing;
    std::this_thread::sleep_until(due);
    run.failures += refresh(widgets[std::size_t(k % settings.instances)], settings) ? 0 : 1;
    run.latenciesMs.push_back(Milliseconds(Clock::now() - due).count());
    run.pluginSeconds += refreshInProcess(controllers[std::size_t(k % settings.instances)]);
  }
  run.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  return run;
}

Run runClosedLoop(const Settings& settings, std::vector<Widget>& widgets) {
  Run run;
  std::mutex resultsLock;
  std::vector<std::thread> threads;
  const auto start = Clock::now();
  for (Widget& widget : widgets) {
    threads.emplace_back([&] {
      std::vector<double> mine;
      int failed = 0;
      for (int cycle = 0; cycle < settings.refreshesPerInstance; ++cycle) {
        const auto sent = Clock::now();
        failed += refresh(widget, settings) ? 0 : 1;
        mine.push_back(Milliseconds(Clock::now() - sent).count());
      }
      std::lock_guard lock(resultsLock);
      run.latenciesMs.insert(run.latenciesMs.end(), mine.begin(), mine.end());
      run.failures += failed;
    });
  }
  for (auto& thread : threads) thread.join();
  run.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  return run;
}

/// The plug-in's CPU time for a closed loop's refreshes, made afterwards one after the other,
/// with the clock advanced between them as far as the run's clock advanced.
double closedLoopPluginSeconds(const Controllers& controllers, std::int64_t refreshes, double spacingSeconds) {
  sw::os::ManualClock clock(sw::os::currentTime());
  double spent = 0;
  for (std::int64_t k = 0; k < refreshes; ++k) {
    clock.advance(spacingSeconds);
    spent += refreshInProcess(controllers[std::size_t(k % std::int64_t(controllers.size()))]);
  }
  return spent;
}

double percentile(const std::vector<double>& sorted, double fraction) {
  if (sorted.empty()) return 0;
  return sorted[std::size_t(fraction * double(sorted.size() - 1))];
}

Settings parse(int argc, char** argv) {
  Settings settings;
  std::vector<std::string> args(argv + 1, argv + argc);
  auto number = [&](std::size_t index, int fallback) {
    return args.size() > index ? std::max(1, std::atoi(args[index].c_str())) : fallback;
  };
  settings.openLoop = args.empty() || args[0] != "closed";
  if (!args.empty() && args[0] != "open" && args[0] != "closed") fail("the first argument is open or closed");
  if (settings.openLoop) {
    settings.instances = number(1, 20);
    settings.intervalMs = number(2, 2000);
    settings.seconds = number(3, 20);
  } else {
    settings.instances = number(1, 200);
    settings.refreshesPerInstance = number(2, 5);
  }
  const std::size_t next = settings.openLoop ? 4 : 3;
  if (args.size() > next) {
    settings.batch = args[next] != "single";
    settings.history = args[next] == "history";
  }
  if (args.size() > next + 1) settings.profile = args[next + 1];
  return settings;
}

}  // namespace

int main(int argc, char** argv) {
  const Settings settings = parse(argc, argv);
  const auto defaultsDirectory = std::filesystem::temp_directory_path() / fmt::format("widget-host-load-{}", ::getpid());
  std::filesystem::create_directories(defaultsDirectory / "host");
  std::filesystem::create_directories(defaultsDirectory / "in-process");
  HostProcess host = startHost(settings, defaultsDirectory / "host");

  installMachine(settings.profile, defaultsDirectory / "in-process");
  const Controllers controllers = createControllers(settings);
  std::vector<Widget> widgets = openWidgets(settings, host.port);
  const double hostCpuBefore = cpuSeconds(host.cpuClock);
  Run run = settings.openLoop ? runOpenLoop(settings, widgets, controllers) : runClosedLoop(settings, widgets);
  const double hostCpu = cpuSeconds(host.cpuClock) - hostCpuBefore;
  const long residentKiB = statusKiB(host.pid, "VmRSS");
  const long peakKiB = statusKiB(host.pid, "VmHWM");

  widgets.clear();  // every connection closed: the host has nothing to do
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const double idleBefore = cpuSeconds(host.cpuClock);
  std::this_thread::sleep_for(std::chrono::seconds(3));
  const double idleCpu = cpuSeconds(host.cpuClock) - idleBefore;
  ::kill(host.pid, SIGTERM);
  ::waitpid(host.pid, nullptr, 0);

  const std::int64_t refreshes = std::int64_t(run.latenciesMs.size());
  const std::int64_t scriptCalls = refreshes * std::int64_t(kRefreshCalls.size());
  if (!settings.openLoop) {
    run.pluginSeconds = closedLoopPluginSeconds(controllers, refreshes, run.wallSeconds / double(std::max<std::int64_t>(1, refreshes)));
  }
  const double plugin = run.pluginSeconds / double(scriptCalls);
  std::filesystem::remove_all(defaultsDirectory);

  std::sort(run.latenciesMs.begin(), run.latenciesMs.end());
  const double hostPerCall = hostCpu / double(scriptCalls);
  fmt::print("{} loop, {} instances, profile {}, {}: {} refreshes ({} script calls) in {:.1f} s, {} failed\n",
             settings.openLoop ? "open" : "closed", settings.instances, settings.profile,
             settings.history ? "one batch and one history request per refresh"
             : settings.batch ? "one batch per refresh"
                              : "seven single calls per refresh",
             refreshes, scriptCalls,
             run.wallSeconds, run.failures);
  fmt::print("host CPU per script call {:.2f} us, plug-in in-process {:.2f} us, ratio {:.2f}\n", hostPerCall * 1e6,
             plugin * 1e6, hostPerCall / plugin);
  fmt::print("host CPU per refresh {:.2f} us\n", hostCpu / double(std::max<std::int64_t>(1, refreshes)) * 1e6);
  fmt::print("latency per refresh: p50 {:.3f} ms, p99 {:.3f} ms, max {:.3f} ms\n", percentile(run.latenciesMs, 0.50),
             percentile(run.latenciesMs, 0.99), run.latenciesMs.empty() ? 0.0 : run.latenciesMs.back());
  fmt::print("host CPU {:.4f} % of one core under load, {:.4f} % idle; resident {:.1f} MiB (peak {:.1f} MiB)\n",
             100.0 * hostCpu / run.wallSeconds, 100.0 * idleCpu / 3.0, double(residentKiB) / 1024.0,
             double(peakKiB) / 1024.0);
  return run.failures == 0 ? 0 : 1;
}
