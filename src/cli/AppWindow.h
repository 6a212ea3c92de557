// The widget in a window of its own: the installed Chromium started as a frameless app window
// on the host's page, with a profile folder of its own under the user's cache folder, so that
// it never touches the user's browser profile.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace sw::cli {

/// Which browser, where its profile goes, and whether there is a screen to show it on, as read
/// from an environment (variable name → value; nothing for an unset one).
struct AppWindowSettings {
  std::filesystem::path browser;
  std::filesystem::path profileDirectory;

  using Environment = std::function<std::optional<std::string>(const std::string&)>;
  /// The process's own environment.
  static std::optional<std::string> processEnvironment(const std::string& name);

  /// The reason the window cannot be opened, in one line; nothing when it can.
  static std::optional<std::string> unavailability(const Environment& environment);
  /// SENSORWIDGET_BROWSER when set (a path, or a name looked up on PATH), else chromium or
  /// chromium-browser on PATH; the profile under $XDG_CACHE_HOME (or ~/.cache)
  /// /sensorwidget/app-window-<port>, one per port so that two hosts never share a browser.
  /// Nothing, after setting `problem`, when no browser is found.
  static std::optional<AppWindowSettings> find(const Environment& environment, int port, std::string& problem);
};

/// The browser's command line for the page at `url`.
std::vector<std::string> appWindowArguments(const AppWindowSettings& settings, const std::string& url);

class AppWindow {
 public:
  /// Told how the window ended: "" when the browser ended well (the user closed the window),
  /// otherwise what went wrong, in a few words.
  using ClosedHandler = std::function<void(const std::string& failure)>;

  /// The widget's size on the page with the margin that shows its shadow, in CSS pixels.
  static constexpr int kWidth = 272;
  static constexpr int kHeight = 172;

  /// Starts the browser on the page; `onClosed` runs on another thread when the browser ends by
  /// itself (not when the window is closed by destroying this object). Nothing, after setting
  /// `problem`, when the browser cannot be started.
  static std::unique_ptr<AppWindow> open(const AppWindowSettings& settings, const std::string& url, bool quiet,
                                         ClosedHandler onClosed, std::string& problem);
  /// As open(), with the screen and the browser found from the process's environment; when
  /// there is no window, one line on stderr says why and what follows ("<problem>: <consequence>").
  static std::unique_ptr<AppWindow> openOrSayWhy(const std::string& url, int port, bool quiet,
                                                 ClosedHandler onClosed, std::string_view consequence);
  /// Closes the window if it is still open and waits for the browser to end.
  ~AppWindow();
  AppWindow(const AppWindow&) = delete;
  AppWindow& operator=(const AppWindow&) = delete;

  pid_t processID() const { return pid_; }

 private:
  AppWindow(pid_t pid, ClosedHandler onClosed);

  pid_t pid_;
  ClosedHandler onClosed_;
  std::atomic<bool> closingOurselves_{false};
  std::mutex reapLock_;
  bool reaped_ = false;
  std::thread watcher_;
};

}  // namespace sw::cli
