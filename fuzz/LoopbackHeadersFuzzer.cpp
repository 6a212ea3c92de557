// The DNS-rebinding defence on any Host and Origin header: only the loopback names with this
// server's port pass, and an Origin passes exactly when it is "http://" and a passing Host.
#include <string>

#include "fuzz/FuzzInput.h"
#include "host/LoopbackHeaders.h"

namespace {

using sw::fuzz::require;

bool startsWithLoopbackName(std::string_view host) {
  for (std::string_view name : {"127.0.0.1", "localhost", "[::1]"}) {
    if (host.size() < name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size() && same; ++i) {
      same = std::tolower(static_cast<unsigned char>(host[i])) == name[i];
    }
    if (same) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sw::fuzz::FuzzInput input(data, size);
  // Two bytes of port, so that 80 (the port a browser leaves out) and the usual ones come up.
  const int port = input.takeByte() << 8 | input.takeByte();
  const std::string_view header = input.takeRest();
  const bool host = sw::host::isLoopbackHost(header, port);
  if (host) {
    require(startsWithLoopbackName(header), "a passing Host names a loopback address");
    require(header.find_first_of("/@?# \r\n") == std::string_view::npos, "a passing Host is a bare name and port");
    // The name without its port (an IPv6 name holds colons of its own).
    const std::string portSuffix = ":" + std::to_string(port);
    const std::string_view name =
        header.ends_with(portSuffix) ? header.substr(0, header.size() - portSuffix.size()) : header;
    require(sw::host::isLoopbackHost(std::string(name) + portSuffix, port), "the same name with the port spelled out passes");
  }
  require(sw::host::isLoopbackOrigin("http://" + std::string(header), port) == host,
          "an Origin passes exactly when its host part does");
  require(!sw::host::isLoopbackOrigin("https://" + std::string(header), port), "only plain http is this host's");
  require(!sw::host::isLoopbackOrigin(header, port) || header.starts_with("http://"), "an Origin names its scheme");
  return 0;
}
