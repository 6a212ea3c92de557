// The widget host: an HTTP server on the loopback interface that serves the widget page and
// bridges the page's "PluginController" script object to a plug-in controller per widget
// instance.
//
// Protocol
// --------
//   GET  /, /<file>                    the page's files (web/ as linked into the binary)
//   POST /api/instances/<id>/open      creates the instance's controller unless it exists
//                                      → 200 {"created": true|false}
//   POST /api/instances/<id>/call      body {"call": "<script name>", "args": [...]}
//                                      → 200 {"result": <value>} or 400 {"error": "<text>"}
//   POST /api/instances/<id>/close     releases the controller (the page sends it on unload)
//                                      → 204, whether or not the instance existed
//   GET  /metrics                      the sensors in the OpenMetrics text format (OpenMetrics.h)
//
// <id> is the page's instance identifier: 1 to 64 letters, digits, '-' or '_'. The page keeps it
// in its local storage, so a reload is the same instance; it opens the instance, then calls
// setWidgetIdentifier with it, as a widget does once its script object is available.
//
// Answers that are not 2xx carry {"error": "<text>"}:
//   400  the body is not a call (see ScriptCallRequest.h) or the dispatcher refused it: a name
//        the script may not call, arguments of the wrong number or type
//   403  Host or Origin does not name this server by a loopback address (DNS rebinding)
//   404  no such file, route or instance (a call to an instance that was closed or released
//        for idleness: the page opens it again)
//   413  the body is larger than 64 KiB
//   415  a call whose body is not declared as application/json
//   500  the controller could not be created
//   503  the instance table is full
//
// Threads: requests arrive on a pool of threads; every creation, call and release of a
// controller goes through one lock (WidgetInstanceTable), because the plug-in is
// single-threaded. Instances not called for the idle timeout are released on the next request.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "host/WidgetInstanceTable.h"

namespace sw::host {

struct WidgetHostOptions {
  std::string bindAddress = "127.0.0.1";
  int port = 8080;  // 0 picks a free port
  bool logRequests = false;
  std::size_t threadCount = 16;
  WidgetInstanceTable::Limits limits;
};

/// Creates each instance's controller as the command line does (ControllerFactory.h) and
/// answers its calls through the script dispatcher.
WidgetInstanceTable::Factory pluginControllerFactory();

class WidgetHost {
 public:
  WidgetHost(WidgetInstanceTable::Factory factory, WidgetHostOptions options);
  ~WidgetHost();
  WidgetHost(const WidgetHost&) = delete;
  WidgetHost& operator=(const WidgetHost&) = delete;

  /// Binds the listening socket. The port bound, or -1 when the address cannot be bound.
  int bind();
  /// Answers requests until stop(); returns false at once when bind() did not succeed.
  bool serve();
  /// Makes serve() return; safe from any thread, also before serve() has started.
  void stop();

  int port() const;
  WidgetInstanceTable& instances();

 private:
  class Server;
  std::unique_ptr<Server> server_;
};

}  // namespace sw::host
