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
//   POST /api/instances/<id>/batch     body [<call>, ...]: up to 64 calls as /call takes them,
//                                      answered in order under one hold of the plug-in lock
//                                      → 200 [{"result": <value>} or {"error": "<text>"}, ...]
//   POST /api/instances/<id>/close     releases the controller (the page sends it on unload)
//                                      → 204, whether or not the instance existed
//   GET  /api/instances/<id>/history[?position=0|1][&last=N]
//                                      the recent readings of the instance's display positions
//                                      (both without a position), all 300 or the N newest
//                                      (RecentHistory.h; the answer: InstanceHistory.h)
//                                      → 200 {"intervalSeconds": 2, "showsRecentHistory", "scale",
//                                             "positions": [{"position", "ring", "end", "samples",
//                                                            "minimum", "maximum"}, ...]}
//   GET  /metrics                      the sensors in the OpenMetrics text format (OpenMetrics.h)
//
// <id> is the page's instance identifier: 1 to 64 letters, digits, '-' or '_'. The page keeps it
// in its local storage, so a reload is the same instance; it opens the instance, then calls
// setWidgetIdentifier with it, as a widget does once its script object is available.
//
// Answers that are not 2xx carry {"error": "<text>"}:
//   400  the body is not a call (see ScriptCallRequest.h) or the dispatcher refused it: a name
//        the script may not call, arguments of the wrong number or type; a batch that is not a
//        JSON array of at most 64 elements (a bad element only gets its own {"error"})
//   403  Host or Origin does not name this server by a loopback address (DNS rebinding)
//   404  no such file, route or instance (a call to an instance that was closed or released
//        for idleness: the page opens it again)
//   405  a method other than GET, HEAD and POST
//   413  the body is larger than 64 KiB
//   415  a call whose body is not declared as application/json
//   500  the controller could not be created
//   503  the instance table is full
// Bytes that are not an HTTP request at all end the connection without an answer.
//
// Threads: one thread waits on every connection at once (an event loop), so idle keep-alive
// connections and clients that send half a request and stall cost a socket each and hold back
// no one; a connection silent for the connection timeout is closed. The plug-in's work for a
// request is a few microseconds, so answering on that one thread is cheaper than handing the
// request to another. Every creation, call and release of a controller still goes through one
// lock (WidgetInstanceTable), because the plug-in is single-threaded and tests and tools may
// use the table from other threads; requests that arrive while a new instance's sensors are
// being discovered wait for it, as they would for the lock. Instances not called for the idle
// timeout are released on a later request.
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
  /// A connection that sends nothing for this long, idle or in the middle of a request, is
  /// closed; longer than the page's refresh interval, so its keep-alive connection stays open.
  unsigned connectionTimeoutSeconds = 5;
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
