// Sends exact request bytes to a server on the loopback interface, for requests that a
// well-behaved client library would refuse to write.
#pragma once

#include <string>
#include <string_view>

namespace sw::test {

struct RawResponse {
  int status = 0;  // 0 when no status line came back
  std::string body;
};

/// Connects to 127.0.0.1:port, writes the request and reads the answer until the server closes
/// (a request should say "Connection: close").
RawResponse sendRawRequest(int port, std::string_view request);

/// A GET request for the path with a loopback Host header and "Connection: close".
std::string rawGet(std::string_view path, int port);

}  // namespace sw::test
