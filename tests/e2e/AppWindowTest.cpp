// `serve --open` and `window` with a stand-in browser: what it is started with, that closing it
// stops the host (unless --keep), that stopping the host closes it, and the one line when there
// is none.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <regex>

#include "e2e/SensorWidgetProcess.h"
#include "host/RunningWidgetHost.h"

namespace sw::e2e {
namespace {

// Records its arguments and its process ID, then fails with FAKE_STATUS when that is set, or
// lives as long as FAKE_SECONDS says.
constexpr const char* kFakeBrowser = R"(#!/bin/sh
printf '%s\n' "$@" > "$FAKE_ARGS"
echo $$ > "$FAKE_ARGS.pid"
[ -n "$FAKE_STATUS" ] && exit "$FAKE_STATUS"
exec sleep "$FAKE_SECONDS"
)";

struct Served {
  int exitStatus;
  double seconds;
  std::string output;
  std::string errors;
};

class AppWindowCommand : public SensorWidgetProcess {
 protected:
  /// `serve --port 0 --open …` under an environment of the test's, sent SIGTERM after `limit`
  /// seconds unless it ended by itself.
  Served serve(const std::map<std::string, std::string>& environment, const std::string& flags, int limit) {
    return run(environment, "serve --port 0 --open " + flags, limit);
  }

  Served run(const std::map<std::string, std::string>& environment, const std::string& arguments, int limit) {
    const auto browser = work_.write("browser.sh", kFakeBrowser);
    ::chmod(browser.c_str(), 0755);
    std::string command = "timeout --preserve-status -s TERM " + std::to_string(limit) + " env -u DISPLAY -u WAYLAND_DISPLAY SENSORWIDGET_BROWSER=" + shellQuoted(browser.string()) +
                          " FAKE_ARGS=" + shellQuoted(argsFile().string()) + " XDG_CACHE_HOME=" +
                          shellQuoted((work_.path() / "cache").string());
    for (const auto& [name, value] : environment) command += " " + name + "=" + shellQuoted(value);
    command += " " + shellQuoted(SW_BINARY_PATH) +
               " --defaults-dir " + shellQuoted(defaultsDirectory().string()) + " " + arguments +
               " >" + shellQuoted((work_.path() / "out").string()) + " 2>" + shellQuoted((work_.path() / "err").string());
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, seconds, work_.read("out"), work_.read("err")};
  }

  std::filesystem::path argsFile() const { return work_.path() / "browser-args"; }
};

TEST_F(AppWindowCommand, TheWindowShowsThePageWithItsOwnProfileAndClosingItStopsTheHost) {
  const Served served = serve({{"DISPLAY", ":42"}, {"FAKE_SECONDS", "0.3"}}, "", 20);
  EXPECT_EQ(served.exitStatus, 0) << served.errors;
  EXPECT_LT(served.seconds, 10) << "the host ended with its window";
  std::smatch address;
  ASSERT_TRUE(std::regex_search(served.output, address, std::regex(R"(Widget at (http://127\.0\.0\.1:(\d+)/))")));
  const std::string profile = (work_.path() / "cache" / "sensorwidget" / ("app-window-" + address[2].str())).string();
  EXPECT_EQ(work_.read(argsFile()), "--app=" + address[1].str() + "\n--window-size=272,172\n--user-data-dir=" + profile +
                                        "\n--class=sensorwidget\n--no-first-run\n--no-default-browser-check\n"
                                        "--disable-sync\n--disable-background-networking\n"
                                        "--disable-backgrounding-occluded-windows\n");
  struct stat folder {};
  ASSERT_EQ(::stat(profile.c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u) << "the page's storage is the user's alone";
}

TEST_F(AppWindowCommand, KeptTheHostOutlivesItsWindowAndAStoppedHostClosesIt) {
  // A browser that cannot start (root without a sandbox, say) ends at once with a failure: the
  // host must not take that for the user closing the window.
  const Served failing = serve({{"DISPLAY", ":42"}, {"FAKE_STATUS", "1"}}, "", 2);
  EXPECT_EQ(failing.exitStatus, 0) << failing.errors;
  EXPECT_GE(failing.seconds, 1.9) << "served on until the signal";
  EXPECT_EQ(failing.errors, "sensorwidget: the window's browser ended with status 1: the widget is served\n");

  const Served kept = serve({{"WAYLAND_DISPLAY", "wayland-0"}, {"FAKE_SECONDS", "0.2"}}, "--keep", 2);
  EXPECT_EQ(kept.exitStatus, 0) << kept.errors;
  EXPECT_GE(kept.seconds, 1.9) << "served until the signal";

  const Served stopped = serve({{"DISPLAY", ":42"}, {"FAKE_SECONDS", "60"}}, "", 1);
  EXPECT_EQ(stopped.exitStatus, 0) << stopped.errors;
  const pid_t browser = std::stoi(work_.read(argsFile().string() + ".pid"));
  EXPECT_NE(::kill(browser, 0), 0) << "no window is left showing a page whose host is gone";
}

TEST_F(AppWindowCommand, WithoutAScreenOrABrowserItSaysSoInOneLineAndServesOn) {
  const std::pair<std::map<std::string, std::string>, std::string> kCases[] = {
      {{{"DISPLAY", ""}}, "sensorwidget: no graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set): no window, "
                          "the widget is served\n"},
      {{{"DISPLAY", ":42"}, {"SENSORWIDGET_BROWSER", "/nonexistent/chromium"}},
       "sensorwidget: SENSORWIDGET_BROWSER names no program that can be run (/nonexistent/chromium): no window, the "
       "widget is served\n"},
      {{{"DISPLAY", ":42"}, {"SENSORWIDGET_BROWSER", ""}, {"PATH", "/nonexistent"}},
       "sensorwidget: no Chromium on PATH (or set SENSORWIDGET_BROWSER): no window, the widget is served\n"},
  };
  for (const auto& [environment, line] : kCases) {
    std::filesystem::remove(argsFile());
    const Served served = serve(environment, "", 1);
    EXPECT_EQ(served.errors, line);
    EXPECT_EQ(served.exitStatus, 0) << "served until the signal";
    EXPECT_FALSE(std::filesystem::exists(argsFile())) << "no browser was started";
  }
}

// The desktop's login starts the window on the host its user service runs.
TEST_F(AppWindowCommand, TheWindowCommandShowsARunningHostAndEndsWithItsWindow) {
  test::RunningWidgetHost host([] { return host::WidgetInstanceTable::ScriptCall(); });
  const std::string port = std::to_string(host.port());
  const Served shown = run({{"DISPLAY", ":42"}, {"FAKE_SECONDS", "0.3"}}, "window --port " + port, 20);
  EXPECT_EQ(shown.exitStatus, 0) << shown.errors;
  EXPECT_LT(shown.seconds, 10);
  EXPECT_TRUE(work_.read(argsFile()).starts_with("--app=http://127.0.0.1:" + port + "/\n"));

  const Served failing = run({{"DISPLAY", ":42"}, {"FAKE_STATUS", "3"}}, "window --port " + port, 20);
  EXPECT_EQ(failing.exitStatus, 1) << "a window that never opened is no success";
  EXPECT_EQ(failing.errors, "sensorwidget: the window's browser ended with status 3\n");

  const Served none = run({{"DISPLAY", ":42"}, {"FAKE_SECONDS", "0.3"}}, "window --wait 0 --port 1", 20);
  EXPECT_EQ(none.exitStatus, 1);
  EXPECT_EQ(none.errors, "sensorwidget: no widget host answers on 127.0.0.1 port 1\n");
}

}  // namespace
}  // namespace sw::e2e
