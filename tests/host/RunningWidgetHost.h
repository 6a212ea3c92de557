// A widget host answering on a free loopback port in a thread of the test, for as long as the
// object lives.
#pragma once

#include <httplib.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "host/WidgetHost.h"

namespace sw::test {

class RunningWidgetHost {
 public:
  explicit RunningWidgetHost(host::WidgetInstanceTable::Factory factory, host::WidgetHostOptions options = {})
      : host_(std::move(factory), withFreePort(std::move(options))) {
    port_ = host_.bind();
    EXPECT_GT(port_, 0) << "the host could not bind a loopback port";
    thread_ = std::thread([this] { host_.serve(); });
  }
  ~RunningWidgetHost() {
    host_.stop();
    thread_.join();
  }

  int port() const { return port_; }
  host::WidgetHost& host() { return host_; }
  std::string origin() const { return "http://127.0.0.1:" + std::to_string(port_); }
  httplib::Client client() const {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(10, 0);
    client.set_tcp_nodelay(true);
    client.set_keep_alive(true);
    return client;
  }

 private:
  static host::WidgetHostOptions withFreePort(host::WidgetHostOptions options) {
    options.port = 0;
    return options;
  }

  host::WidgetHost host_;
  int port_ = -1;
  std::thread thread_;
};

}  // namespace sw::test
