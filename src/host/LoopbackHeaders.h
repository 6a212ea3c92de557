// The DNS-rebinding defence: a page served from another site, or from a name that merely
// resolves to this machine, must not reach the widget host. Browsers always send the name they
// connected to in `Host`, and the page's site in `Origin` on every call that changes something.
#pragma once

#include <string_view>

namespace sw::host {

/// Whether a Host header names this server by a loopback address: "127.0.0.1", "localhost"
/// (any letter case) or "[::1]", followed by ":<port>". The port may be left out only when it
/// is 80, as browsers do.
bool isLoopbackHost(std::string_view host, int port);

/// Whether an Origin header is "http://" followed by a loopback Host (as above) and nothing
/// else. The opaque origin "null" is foreign.
bool isLoopbackOrigin(std::string_view origin, int port);

}  // namespace sw::host
