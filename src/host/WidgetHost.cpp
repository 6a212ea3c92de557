// The widget host's HTTP server: routes, header checks and the bridge to the instance table.
#include "host/WidgetHost.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <microhttpd.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <utility>
#include <variant>

#include "host/ControllerFactory.h"
#include "host/InstanceHistory.h"
#include "host/LoopbackHeaders.h"
#include "host/MetricsEndpoint.h"
#include "host/ScriptCallBatch.h"
#include "host/ScriptCallRequest.h"
#include "host/ScriptDispatcher.h"
#include "host/WebFiles.h"
#include "os/SystemLog.h"
#include "widget/PluginController.h"
#include "widget/WebView.h"

namespace sw::host {
namespace {

constexpr std::string_view kJson = "application/json";
constexpr const char* kJsonType = "application/json";
constexpr std::string_view kInstancesPrefix = "/api/instances/";
constexpr std::size_t kMaxIdentifierLength = 64;
// A room full of widgets connecting at once must not find the queue of new connections full.
constexpr int kListenBacklog = 512;
// Far more than the widgets of one desktop; each idle connection costs a socket and a little
// memory, and past the limit new connections wait in the listen queue instead of failing.
constexpr unsigned kMaxConnections = 2000;
// Each connection reads its request line and headers into a pool of this size, which the server
// clears after every request: the page's requests need a few hundred bytes, and clearing the
// default 32 KiB cost as much as parsing a call.
constexpr std::size_t kConnectionMemoryBytes = 16 * 1024;

constexpr std::array<std::pair<const char*, const char*>, 4> kDefaultHeaders = {{
    {"X-Content-Type-Options", "nosniff"},
    {"Cache-Control", "no-store"},
    {"Referrer-Policy", "no-referrer"},
    {"Content-Security-Policy",
     "default-src 'self'; img-src 'self'; style-src 'self'; script-src 'self'; frame-ancestors 'none'"},
}};

/// What a request is answered with.
struct Answer {
  int status = 200;
  std::string body;         // copied into the response
  std::string_view shared;  // or: contents that live as long as the process (the page's files)
  const char* contentType = kJsonType;
  bool closeConnection = false;
};

std::string jsonText(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

Answer jsonAnswer(int status, const nlohmann::json& body) {
  Answer answer;
  answer.status = status;
  answer.body = jsonText(body);
  return answer;
}

Answer errorAnswer(int status, std::string_view message) { return jsonAnswer(status, {{"error", message}}); }

/// A refusal made before the body was read: the unread body cannot be told apart from a next
/// request, so the connection ends with the answer.
Answer refusal(int status, std::string_view message) {
  Answer answer = errorAnswer(status, message);
  answer.closeConnection = true;
  return answer;
}

bool isIdentifierCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

/// "/api/instances/<id>/<action>" split into the identifier and the action; nothing for any
/// other path, or an identifier that is empty, too long or not a plain word.
struct InstanceRoute {
  std::string identifier;
  std::string_view action;
};

std::optional<InstanceRoute> instanceRoute(std::string_view path) {
  if (!path.starts_with(kInstancesPrefix)) return std::nullopt;
  path.remove_prefix(kInstancesPrefix.size());
  const std::size_t slash = path.find('/');
  if (slash == std::string_view::npos || slash == 0 || slash > kMaxIdentifierLength) return std::nullopt;
  std::string_view identifier = path.substr(0, slash);
  for (char c : identifier) {
    if (!isIdentifierCharacter(c)) return std::nullopt;
  }
  return InstanceRoute{std::string(identifier), path.substr(slash + 1)};
}

std::string_view header(MHD_Connection* connection, const char* name) {
  const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

bool hasJsonContentType(MHD_Connection* connection) {
  std::string_view type = header(connection, MHD_HTTP_HEADER_CONTENT_TYPE);
  return type.starts_with(kJson) && (type.size() == kJson.size() || type[kJson.size()] == ';');
}

/// The declared body length when it is a number; chunked bodies declare none.
std::optional<std::uint64_t> declaredBodyLength(MHD_Connection* connection) {
  std::string_view text = header(connection, MHD_HTTP_HEADER_CONTENT_LENGTH);
  std::uint64_t length = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), length);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return length;
}

/// A request whose headers have arrived, collecting its body.
struct PendingRequest {
  std::string body;
  bool bodyTooLarge = false;
};

}  // namespace

class WidgetHost::Server {
 public:
  Server(WidgetInstanceTable::Factory factory, WidgetHostOptions options)
      : options_(std::move(options)), instances_(std::move(factory), options_.limits) {}

  ~Server() {
    if (daemon_ != nullptr) MHD_stop_daemon(daemon_);
    if (listeningSocket_ >= 0) ::close(listeningSocket_);
  }

  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  int bind() {
    if (listeningSocket_ >= 0) return port_;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* addresses = nullptr;
    const std::string port = std::to_string(options_.port);
    if (::getaddrinfo(options_.bindAddress.c_str(), port.c_str(), &hints, &addresses) != 0) return -1;
    for (addrinfo* address = addresses; address != nullptr && listeningSocket_ < 0; address = address->ai_next) {
      listeningSocket_ = listeningSocketFor(*address);
    }
    ::freeaddrinfo(addresses);
    if (listeningSocket_ < 0) return -1;
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(listeningSocket_, reinterpret_cast<sockaddr*>(&bound), &length);
    port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                              : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    return port_;
  }

  bool serve() {
    std::unique_lock lock(stateLock_);
    if (listeningSocket_ < 0) return false;
    if (!stopRequested_) {
      daemon_ = MHD_start_daemon(
          MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ITC | MHD_USE_TURBO, 0, nullptr, nullptr,
          &Server::onRequest, this, MHD_OPTION_LISTEN_SOCKET, listeningSocket_, MHD_OPTION_CONNECTION_TIMEOUT,
          options_.connectionTimeoutSeconds, MHD_OPTION_CONNECTION_LIMIT, kMaxConnections,
          MHD_OPTION_CONNECTION_MEMORY_LIMIT, kConnectionMemoryBytes,
          MHD_OPTION_NOTIFY_COMPLETED, &Server::onCompleted, this, MHD_OPTION_END);
      if (daemon_ == nullptr) return false;
      listeningSocket_ = -1;  // the daemon closes it when it stops
      stateChanged_.wait(lock, [this] { return stopRequested_; });
      MHD_stop_daemon(daemon_);
      daemon_ = nullptr;
    }
    return true;
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
  static int listeningSocketFor(const addrinfo& address) {
    int socket = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, address.ai_protocol);
    if (socket < 0) return -1;
    int yes = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (::bind(socket, address.ai_addr, address.ai_addrlen) != 0 || ::listen(socket, kListenBacklog) != 0) {
      ::close(socket);
      return -1;
    }
    return socket;
  }

  // Called by the daemon once the headers are in (with no state yet), for each piece of the body
  // and once more at its end. No exception may cross back into the daemon.
  static MHD_Result onRequest(void* self, MHD_Connection* connection, const char* url, const char* method,
                              const char* /*version*/, const char* upload, std::size_t* uploadSize, void** state) {
    auto& server = *static_cast<Server*>(self);
    try {
      if (*state == nullptr) {
        if (std::optional<Answer> refused = server.refuseEarly(connection, url, method)) {
          return server.send(connection, method, url, *refused);
        }
        *state = new PendingRequest;
        return MHD_YES;
      }
      auto& pending = *static_cast<PendingRequest*>(*state);
      if (*uploadSize != 0) {
        if (pending.body.size() + *uploadSize > kMaxRequestBodyBytes) pending.bodyTooLarge = true;
        if (!pending.bodyTooLarge) pending.body.append(upload, *uploadSize);
        *uploadSize = 0;
        return MHD_YES;
      }
      if (pending.bodyTooLarge) return server.send(connection, method, url, refusal(413, kBodyTooLarge));
      return server.send(connection, method, url, server.answer(connection, url, method, pending.body));
    } catch (...) {
      return server.send(connection, method, url, refusal(500, "the host failed to answer"));
    }
  }

  static void onCompleted(void*, MHD_Connection*, void** state, MHD_RequestTerminationCode) {
    delete static_cast<PendingRequest*>(*state);
    *state = nullptr;
  }

  static constexpr std::string_view kBodyTooLarge = "the request body is larger than 64 KiB";

  /// The refusals that need no body: a foreign page, a method or a size the host does not take.
  std::optional<Answer> refuseEarly(MHD_Connection* connection, std::string_view url, std::string_view method) const {
    const char* origin = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Origin");
    if (!isLoopbackHost(header(connection, MHD_HTTP_HEADER_HOST), port_) ||
        (origin != nullptr && !isLoopbackOrigin(origin, port_))) {
      return refusal(403, "only pages served by this host on the loopback address may use it");
    }
    if (method != MHD_HTTP_METHOD_GET && method != MHD_HTTP_METHOD_HEAD && method != MHD_HTTP_METHOD_POST) {
      return refusal(405, "method not allowed");
    }
    std::optional<std::uint64_t> length = declaredBodyLength(connection);
    if (length && *length > kMaxRequestBodyBytes) return refusal(413, kBodyTooLarge);
    std::optional<InstanceRoute> route = instanceRoute(url);
    const bool carriesCalls = route && (route->action == "call" || route->action == "batch");
    if (method == MHD_HTTP_METHOD_POST && carriesCalls && !hasJsonContentType(connection)) {
      return refusal(415, "a call must be sent as application/json");
    }
    return std::nullopt;
  }

  Answer answer(MHD_Connection* connection, std::string_view url, std::string_view method, const std::string& body) {
    if (method == MHD_HTTP_METHOD_GET && url == "/metrics") return metricsAnswer();
    std::optional<InstanceRoute> route = instanceRoute(url);
    if (method != MHD_HTTP_METHOD_POST) {
      if (route && route->action == "history") {
        return historyAnswer(route->identifier,
                             MHD_lookup_connection_value(connection, MHD_GET_ARGUMENT_KIND, "position"),
                             MHD_lookup_connection_value(connection, MHD_GET_ARGUMENT_KIND, "last"));
      }
      return fileAnswer(url);
    }
    if (!route) return errorAnswer(404, "not found");
    if (route->action == "call") return callAnswer(route->identifier, body);
    if (route->action == "batch") return batchAnswer(route->identifier, body);
    if (route->action == "open") return openAnswer(route->identifier);
    if (route->action == "close") {
      instances_.close(route->identifier);
      Answer noContent;
      noContent.status = 204;
      return noContent;
    }
    return errorAnswer(404, "not found");
  }

  Answer metricsAnswer() {
    std::optional<std::string> text = metrics_.scrape();
    if (!text) return errorAnswer(500, "the sensors could not be read");
    Answer answer;
    answer.body = std::move(*text);
    answer.contentType = "application/openmetrics-text; version=1.0.0; charset=utf-8";
    return answer;
  }

  static Answer fileAnswer(std::string_view path) {
    std::optional<WebFile> file = findWebFile(path);
    if (!file) return errorAnswer(404, "no such file");
    Answer answer;
    answer.shared = file->contents;
    answer.contentType = file->contentType.data();  // the file table's texts end in a zero
    return answer;
  }

  Answer openAnswer(const std::string& identifier) {
    switch (instances_.open(identifier)) {
      case WidgetInstanceTable::OpenResult::created: return jsonAnswer(200, {{"created", true}});
      case WidgetInstanceTable::OpenResult::existing: return jsonAnswer(200, {{"created", false}});
      case WidgetInstanceTable::OpenResult::tableFull: return errorAnswer(503, "too many widget instances are open");
      case WidgetInstanceTable::OpenResult::creationFailed:
        return errorAnswer(500, "the widget's controller could not be created");
    }
    return errorAnswer(500, "the widget's controller could not be created");
  }

  Answer callAnswer(const std::string& identifier, std::string_view body) {
    auto parsed = parseScriptCallRequest(body);
    if (const auto* error = std::get_if<std::string>(&parsed)) return errorAnswer(400, *error);
    const auto& scriptCall = std::get<ScriptCallRequest>(parsed);
    std::optional<nlohmann::json> answer = instances_.call(identifier, scriptCall.name, scriptCall.arguments);
    if (!answer) return errorAnswer(404, "no such widget instance");
    return jsonAnswer(answer->contains("error") ? 400 : 200, *answer);
  }

  Answer batchAnswer(const std::string& identifier, std::string_view body) {
    auto parsed = parseScriptCallBatch(body);
    if (const auto* error = std::get_if<std::string>(&parsed)) return errorAnswer(400, *error);
    const auto& elements = std::get<std::vector<BatchElement>>(parsed);
    // Each answer is written out as it comes: the array is only ever sent, never looked into.
    Answer answer;
    answer.body.push_back('[');  // GCC 12 misreports `= "["` as an overlapping copy (GCC bug 105329)
    const bool found = instances_.withInstance(identifier, [&](const WidgetInstanceTable::ScriptCall& call) {
      for (const BatchElement& element : elements) {
        if (answer.body.size() > 1) answer.body += ',';
        if (const auto* error = std::get_if<std::string>(&element)) {
          answer.body += jsonText({{"error", *error}});
        } else {
          const auto& scriptCall = std::get<ScriptCallRequest>(element);
          answer.body += jsonText(call(scriptCall.name, scriptCall.arguments));
        }
      }
    });
    if (!found) return errorAnswer(404, "no such widget instance");
    answer.body += ']';
    return answer;
  }

  /// The instance's recent history, for one display position ("0", "1") or, without one, both;
  /// all samples, or the `last` newest.
  Answer historyAnswer(const std::string& identifier, const char* positionText, const char* lastText) {
    std::int32_t position = -1;
    if (positionText != nullptr) {
      const std::string_view text(positionText);
      if (text != "0" && text != "1") return errorAnswer(400, "position must be 0 or 1");
      position = text == "0" ? 0 : 1;
    }
    nlohmann::json arguments = nlohmann::json::array({position});
    if (lastText != nullptr) {
      const std::string_view text(lastText);
      unsigned last = 0;
      auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), last);
      if (text.empty() || error != std::errc() || end != text.data() + text.size() || last < 1 ||
          last > SensorHistoryRing::kSlots) {
        return errorAnswer(400, "last must be a number of samples from 1 to 300");
      }
      arguments.push_back(last);
    }
    std::optional<nlohmann::json> answer = instances_.call(identifier, kRecentHistoryCall, arguments);
    if (!answer) return errorAnswer(404, "no such widget instance");
    if (!answer->contains("result")) return errorAnswer(404, "this widget instance keeps no history");
    return jsonAnswer(200, (*answer)["result"]);
  }

  MHD_Result send(MHD_Connection* connection, std::string_view method, std::string_view url, const Answer& answer) {
    MHD_Response* response =
        answer.shared.empty()
            ? MHD_create_response_from_buffer(answer.body.size(), const_cast<char*>(answer.body.data()),
                                              MHD_RESPMEM_MUST_COPY)
            : MHD_create_response_from_buffer(answer.shared.size(), const_cast<char*>(answer.shared.data()),
                                              MHD_RESPMEM_PERSISTENT);
    if (response == nullptr) return MHD_NO;
    for (const auto& [name, value] : kDefaultHeaders) MHD_add_response_header(response, name, value);
    if (answer.status != 204) {
      MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, answer.contentType);
    }
    if (answer.closeConnection) MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
    const MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned>(answer.status), response);
    MHD_destroy_response(response);
    if (options_.logRequests) os::systemLog(fmt::format("{} {} {}\n", method, url, answer.status));
    return queued;
  }

  WidgetHostOptions options_;
  WidgetInstanceTable instances_;
  MetricsEndpoint metrics_{instances_};
  int listeningSocket_ = -1;
  int port_ = -1;
  MHD_Daemon* daemon_ = nullptr;
  std::mutex stateLock_;
  std::condition_variable stateChanged_;
  bool stopRequested_ = false;
};

WidgetInstanceTable::Factory pluginControllerFactory() {
  // Every instance this factory makes shares the rings: two showing one sensor fill one.
  auto history = std::make_shared<RecentHistory>();
  return [history]() -> WidgetInstanceTable::ScriptCall {
    // The page and its controller live and go together with the widget instance.
    struct Instance {
      WebView page;
      std::shared_ptr<PluginController> controller;
    };
    auto instance = std::make_shared<Instance>();
    instance->controller = createControllerForPage(instance->page);
    if (instance->controller == nullptr) return {};
    return [instance, history](std::string_view name, const nlohmann::json& arguments) {
      return dispatchWithHistory(*instance->controller, *history, name, arguments);
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
