// Host and Origin header checks of the widget host.
#include "host/LoopbackHeaders.h"

#include <array>
#include <charconv>
#include <strings.h>

namespace sw::host {
namespace {

constexpr std::array<std::string_view, 3> kLoopbackNames = {"127.0.0.1", "localhost", "[::1]"};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool isPortText(std::string_view text, int port) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty() && text[0] != '0' &&
         value == port;
}

}  // namespace

bool isLoopbackHost(std::string_view host, int port) {
  for (std::string_view name : kLoopbackNames) {
    if (host.size() < name.size() || !equalsIgnoringCase(host.substr(0, name.size()), name)) continue;
    std::string_view rest = host.substr(name.size());
    if (rest.empty()) return port == 80;
    if (rest[0] == ':' && isPortText(rest.substr(1), port)) return true;
  }
  return false;
}

bool isLoopbackOrigin(std::string_view origin, int port) {
  constexpr std::string_view scheme = "http://";
  return origin.size() > scheme.size() && origin.substr(0, scheme.size()) == scheme &&
         isLoopbackHost(origin.substr(scheme.size()), port);
}

}  // namespace sw::host
