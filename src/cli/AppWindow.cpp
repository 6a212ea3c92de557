// Starting, watching and closing the browser that shows the widget in its own window.
#include "cli/AppWindow.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

extern char** environ;

namespace sw::cli {

namespace {

constexpr const char* kBrowserOverride = "SENSORWIDGET_BROWSER";
constexpr const char* kBrowserNames[] = {"chromium", "chromium-browser"};

bool isSet(const std::optional<std::string>& value) { return value && !value->empty(); }

bool isExecutableFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

/// A command name as the shell finds it: a name with a slash as it stands, others on PATH.
std::optional<std::filesystem::path> findCommand(const std::string& name, const std::optional<std::string>& path) {
  if (name.find('/') != std::string::npos) {
    return isExecutableFile(name) ? std::optional<std::filesystem::path>(name) : std::nullopt;
  }
  const std::string directories = path.value_or("/usr/local/bin:/usr/bin:/bin");
  std::size_t start = 0;
  while (start <= directories.size()) {
    std::size_t end = directories.find(':', start);
    if (end == std::string::npos) end = directories.size();
    const std::string directory = directories.substr(start, end - start);
    const std::filesystem::path candidate = std::filesystem::path(directory.empty() ? "." : directory) / name;
    if (isExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

std::filesystem::path cacheDirectory(const AppWindowSettings::Environment& environment) {
  // The cache folder's variable only counts when it is absolute, as the base directory rules say.
  if (std::optional<std::string> cache = environment("XDG_CACHE_HOME"); isSet(cache) && cache->front() == '/') {
    return *cache;
  }
  std::optional<std::string> home = environment("HOME");
  if (!isSet(home)) {
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) home = user->pw_dir;
  }
  return std::filesystem::path(isSet(home) ? *home : "/tmp") / ".cache";
}

}  // namespace

std::optional<std::string> AppWindowSettings::processEnvironment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value == nullptr ? std::nullopt : std::optional<std::string>(value);
}

std::optional<std::string> AppWindowSettings::unavailability(const Environment& environment) {
  if (isSet(environment("DISPLAY")) || isSet(environment("WAYLAND_DISPLAY"))) return std::nullopt;
  return "no graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set)";
}

std::optional<AppWindowSettings> AppWindowSettings::find(const Environment& environment, int port,
                                                         std::string& problem) {
  const std::optional<std::string> path = environment("PATH");
  std::optional<std::filesystem::path> browser;
  if (std::optional<std::string> chosen = environment(kBrowserOverride); isSet(chosen)) {
    browser = findCommand(*chosen, path);
    if (!browser) {
      problem = fmt::format("{} names no program that can be run ({})",
                            kBrowserOverride, *chosen);
      return std::nullopt;
    }
  } else {
    for (const char* name : kBrowserNames) {
      if ((browser = findCommand(name, path))) break;
    }
    if (!browser) {
      problem = fmt::format("no Chromium on PATH (or set {})", kBrowserOverride);
      return std::nullopt;
    }
  }
  return AppWindowSettings{*browser, cacheDirectory(environment) / "sensorwidget" / fmt::format("app-window-{}", port)};
}

std::vector<std::string> appWindowArguments(const AppWindowSettings& settings, const std::string& url) {
  // A widget covered by other windows is still on the desktop: its page keeps refreshing, so
  // that its history has no gaps for the time it was covered (minimized, it still rests).
  return {settings.browser.string(),
          "--app=" + url,
          fmt::format("--window-size={},{}", AppWindow::kWidth, AppWindow::kHeight),
          "--user-data-dir=" + settings.profileDirectory.string(),
          "--class=sensorwidget",
          "--no-first-run",
          "--no-default-browser-check",
          "--disable-sync",
          "--disable-background-networking",
          "--disable-backgrounding-occluded-windows"};
}

std::unique_ptr<AppWindow> AppWindow::open(const AppWindowSettings& settings, const std::string& url, bool quiet,
                                           AppWindow::ClosedHandler onClosed, std::string& problem) {
  std::error_code error;
  std::filesystem::create_directories(settings.profileDirectory, error);
  if (error) {
    problem = fmt::format("cannot make the window's profile folder {}: {}", settings.profileDirectory.string(),
                          error.message());
    return nullptr;
  }
  // Holds cookies and storage of the page only; nobody else needs to read it.
  std::filesystem::permissions(settings.profileDirectory, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::replace, error);

  const std::vector<std::string> arguments = appWindowArguments(settings, url);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (quiet) {
    // The browser talks a lot on its outputs; the host's own lines should stay readable.
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  }
  // The host blocks its stop signals to wait for them on one thread; the browser must not
  // inherit that, or it could not be asked to close.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &stopSignals);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = -1;
  const int failure = ::posix_spawn(&pid, argv[0], &files, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  posix_spawnattr_destroy(&attributes);
  if (failure != 0) {
    problem = fmt::format("cannot start {}: {}", settings.browser.string(), std::strerror(failure));
    return nullptr;
  }
  return std::unique_ptr<AppWindow>(new AppWindow(pid, std::move(onClosed)));
}

std::unique_ptr<AppWindow> AppWindow::openOrSayWhy(const std::string& url, int port, bool quiet,
                                                   AppWindow::ClosedHandler onClosed, std::string_view consequence) {
  std::string problem;
  if (std::optional<std::string> missing = AppWindowSettings::unavailability(AppWindowSettings::processEnvironment)) {
    problem = *missing;
  } else if (std::optional<AppWindowSettings> settings =
                 AppWindowSettings::find(AppWindowSettings::processEnvironment, port, problem)) {
    if (auto window = open(*settings, url, quiet, std::move(onClosed), problem)) return window;
  }
  fmt::print(stderr, "sensorwidget: {}: {}\n", problem, consequence);
  return nullptr;
}

AppWindow::AppWindow(pid_t pid, ClosedHandler onClosed) : pid_(pid), onClosed_(std::move(onClosed)) {
  watcher_ = std::thread([this] {
    // Waits for the end without reaping, so that the process ID keeps naming our browser until
    // it is reaped under the lock, and the destructor never signals a stranger's process.
    siginfo_t ended{};
    while (::waitid(P_PID, static_cast<id_t>(pid_), &ended, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    int status = 0;
    {
      std::lock_guard guard(reapLock_);
      ::waitpid(pid_, &status, 0);
      reaped_ = true;
    }
    if (closingOurselves_ || !onClosed_) return;
    // A browser that cannot start (no sandbox for root, a broken install) ends at once with a
    // failure: that is no closed window, and the caller must not take it for one.
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
      onClosed_("");
    } else if (WIFEXITED(status)) {
      onClosed_(fmt::format("the window's browser ended with status {}", WEXITSTATUS(status)));
    } else {
      onClosed_(fmt::format("the window's browser was ended by signal {}", WTERMSIG(status)));
    }
  });
}

AppWindow::~AppWindow() {
  closingOurselves_ = true;
  {
    std::lock_guard guard(reapLock_);
    if (!reaped_) ::kill(pid_, SIGTERM);
  }
  watcher_.join();
}

}  // namespace sw::cli
