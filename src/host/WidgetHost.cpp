// The widget host's HTTP server: routes, header checks and the bridge to the instance table.
#include "host/WidgetHost.h"

#include <fmt/format.h>
#include <httplib.h>
#include <sys/socket.h>

#include <array>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <variant>

#include "host/ControllerFactory.h"
#include "host/LoopbackHeaders.h"
#include "host/MetricsEndpoint.h"
#include "host/ScriptCallRequest.h"
#include "host/ScriptDispatcher.h"
#include "host/WebFiles.h"
#include "os/SystemLog.h"
#include "widget/PluginController.h"
#include "widget/WebView.h"

namespace sw::host {
namespace {

constexpr std::string_view kJson = "application/json";
constexpr const char* kInstanceRoute = R"(/api/instances/([A-Za-z0-9_-]{1,64})/)";
// The library listens with a backlog of 5; a room full of widgets connecting at once needs more.
constexpr int kListenBacklog = 512;
constexpr time_t kReadTimeoutSeconds = 5;
constexpr time_t kKeepAliveSeconds = 2;

void answerJson(httplib::Response& response, int status, const nlohmann::json& body) {
  response.status = status;
  response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), kJson.data());
}

void answerError(httplib::Response& response, int status, std::string_view message) {
  answerJson(response, status, {{"error", message}});
}

bool hasJsonContentType(const httplib::Request& request) {
  std::string type = request.get_header_value("Content-Type");
  return type.compare(0, kJson.size(), kJson) == 0 && (type.size() == kJson.size() || type[kJson.size()] == ';');
}

// Texts for the refusals that the library makes before a handler runs.
constexpr std::array<std::pair<int, std::string_view>, 6> kRefusalTexts = {{
    {400, "bad request"},
    {403, "forbidden"},
    {404, "not found"},
    {405, "method not allowed"},
    {413, "the request body is larger than 64 KiB"},
    {414, "the request line is too long"},
}};

std::string_view refusalText(int status) {
  for (const auto& [code, text] : kRefusalTexts) {
    if (code == status) return text;
  }
  return "the request failed";
}

}  // namespace

class WidgetHost::Server {
 public:
  Server(WidgetInstanceTable::Factory factory, WidgetHostOptions options)
      : options_(std::move(options)), instances_(std::move(factory), options_.limits) {
    configure();
    addRoutes();
  }

  int bind() {
    int port = options_.port == 0 ? http_.bind_to_any_port(options_.bindAddress)
                                  : (http_.bind_to_port(options_.bindAddress, options_.port) ? options_.port : -1);
    if (port < 0) return -1;
    ::listen(listeningSocket_, kListenBacklog);
    port_ = port;
    return port;
  }

  bool serve() {
    if (port_ < 0) return false;
    std::thread stopper([this] { stopWhenAsked(); });
    const bool listened = http_.listen_after_bind();
    bool stopped = false;
    {
      std::lock_guard lock(stateLock_);
      finished_ = true;
      stopped = stopRequested_;
    }
    stateChanged_.notify_all();
    stopper.join();
    return listened || stopped;
  }

  void stop() {
    {
      std::lock_guard lock(stateLock_);
      stopRequested_ = true;
    }
    stateChanged_.notify_all();
  }

  int port() const { return port_; }
  WidgetInstanceTable& instances() { return instances_; }

 private:
  void configure() {
    http_.set_payload_max_length(kMaxRequestBodyBytes);
    http_.set_tcp_nodelay(true);  // answers are written in pieces; do not wait for acknowledgements
    http_.set_read_timeout(kReadTimeoutSeconds, 0);
    http_.set_keep_alive_timeout(kKeepAliveSeconds);
    http_.new_task_queue = [count = options_.threadCount] { return new httplib::ThreadPool(count); };
    http_.set_socket_options([this](socket_t socket) {
      int yes = 1;
      ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
      listeningSocket_ = socket;
    });
    http_.set_default_headers({
        {"X-Content-Type-Options", "nosniff"},
        {"Cache-Control", "no-store"},
        {"Referrer-Policy", "no-referrer"},
        {"Content-Security-Policy",
         "default-src 'self'; img-src 'self'; style-src 'self'; script-src 'self'; frame-ancestors 'none'"},
    });
    http_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
      return rejectForeignRequest(request, response);
    });
    http_.set_error_handler([](const httplib::Request&, httplib::Response& response) {
      if (response.body.empty()) answerError(response, response.status, refusalText(response.status));
      // A refused request's body may be left unread, so the connection cannot carry another one.
      response.set_header("Connection", "close");
    });
    http_.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
      answerError(response, 500, "the host failed to answer");
    });
    if (options_.logRequests) {
      http_.set_logger([](const httplib::Request& request, const httplib::Response& response) {
        os::systemLog(fmt::format("{} {} {}\n", request.method, request.path, response.status));
      });
    }
  }

  httplib::Server::HandlerResponse rejectForeignRequest(const httplib::Request& request,
                                                        httplib::Response& response) const {
    bool foreignOrigin = request.has_header("Origin") && !isLoopbackOrigin(request.get_header_value("Origin"), port_);
    if (!isLoopbackHost(request.get_header_value("Host"), port_) || foreignOrigin) {
      answerError(response, 403, "only pages served by this host on the loopback address may use it");
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  }

  void addRoutes() {
    // Before the page's files, which would take every path.
    http_.Get("/metrics", [this](const httplib::Request&, httplib::Response& response) {
      std::optional<std::string> text = metrics_.scrape();
      if (!text) return answerError(response, 500, "the sensors could not be read");
      response.set_content(*text, "application/openmetrics-text; version=1.0.0; charset=utf-8");
    });
    http_.Get(R"(/.*)", [](const httplib::Request& request, httplib::Response& response) {
      std::optional<WebFile> file = findWebFile(request.path);
      if (!file) return answerError(response, 404, "no such file");
      response.set_content(file->contents.data(), file->contents.size(), std::string(file->contentType).c_str());
    });
    http_.Post(std::string(kInstanceRoute) + "open", [this](const httplib::Request& request, httplib::Response& response) {
      open(request.matches[1], response);
    });
    http_.Post(std::string(kInstanceRoute) + "call", [this](const httplib::Request& request, httplib::Response& response) {
      call(request, response);
    });
    http_.Post(std::string(kInstanceRoute) + "close", [this](const httplib::Request& request, httplib::Response& response) {
      instances_.close(request.matches[1]);
      response.status = 204;
    });
  }

  void open(const std::string& identifier, httplib::Response& response) {
    switch (instances_.open(identifier)) {
      case WidgetInstanceTable::OpenResult::created: return answerJson(response, 200, {{"created", true}});
      case WidgetInstanceTable::OpenResult::existing: return answerJson(response, 200, {{"created", false}});
      case WidgetInstanceTable::OpenResult::tableFull:
        return answerError(response, 503, "too many widget instances are open");
      case WidgetInstanceTable::OpenResult::creationFailed:
        return answerError(response, 500, "the widget's controller could not be created");
    }
  }

  void call(const httplib::Request& request, httplib::Response& response) {
    if (!hasJsonContentType(request)) return answerError(response, 415, "a call must be sent as application/json");
    auto parsed = parseScriptCallRequest(request.body);
    if (const auto* error = std::get_if<std::string>(&parsed)) return answerError(response, 400, *error);
    const auto& scriptCall = std::get<ScriptCallRequest>(parsed);
    std::optional<nlohmann::json> answer = instances_.call(request.matches[1], scriptCall.name, scriptCall.arguments);
    if (!answer) return answerError(response, 404, "no such widget instance");
    answerJson(response, answer->contains("error") ? 400 : 200, *answer);
  }

  // The library ignores a stop that comes before its accept loop runs, so the stop waits for it.
  void stopWhenAsked() {
    std::unique_lock lock(stateLock_);
    stateChanged_.wait(lock, [this] { return stopRequested_ || finished_; });
    while (!finished_ && !http_.is_running()) {
      stateChanged_.wait_for(lock, std::chrono::milliseconds(5));
    }
    if (!finished_) http_.stop();
  }

  WidgetHostOptions options_;
  WidgetInstanceTable instances_;
  MetricsEndpoint metrics_{instances_};
  httplib::Server http_;
  socket_t listeningSocket_ = INVALID_SOCKET;
  int port_ = -1;
  std::mutex stateLock_;
  std::condition_variable stateChanged_;
  bool stopRequested_ = false;
  bool finished_ = false;
};

WidgetInstanceTable::Factory pluginControllerFactory() {
  return []() -> WidgetInstanceTable::ScriptCall {
    // The page and its controller live and go together with the widget instance.
    struct Instance {
      WebView page;
      std::shared_ptr<PluginController> controller;
    };
    auto instance = std::make_shared<Instance>();
    instance->controller = createControllerForPage(instance->page);
    if (instance->controller == nullptr) return {};
    return [instance](std::string_view name, const nlohmann::json& arguments) {
      return dispatchScriptCall(*instance->controller, name, arguments);
    };
  };
}

WidgetHost::WidgetHost(WidgetInstanceTable::Factory factory, WidgetHostOptions options)
    : server_(std::make_unique<Server>(std::move(factory), std::move(options))) {}

WidgetHost::~WidgetHost() = default;

int WidgetHost::bind() { return server_->bind(); }
bool WidgetHost::serve() { return server_->serve(); }
void WidgetHost::stop() { server_->stop(); }
int WidgetHost::port() const { return server_->port(); }
WidgetInstanceTable& WidgetHost::instances() { return server_->instances(); }

}  // namespace sw::host
