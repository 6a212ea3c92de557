// Raw HTTP requests over loopback TCP for the widget host's tests.
#include "host/RawHttpClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>

namespace sw::test {

RawResponse sendRawRequest(int port, std::string_view request) {
  RawResponse response;
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return response;
  timeval timeout{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string received;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) received.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (std::sscanf(received.c_str(), "HTTP/1.1 %d", &response.status) != 1) response.status = 0;
  if (std::size_t bodyStart = received.find("\r\n\r\n"); bodyStart != std::string::npos) {
    response.body = received.substr(bodyStart + 4);
  }
  return response;
}

std::string rawGet(std::string_view path, int port) {
  return "GET " + std::string(path) + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
         "\r\nConnection: close\r\n\r\n";
}

}  // namespace sw::test
