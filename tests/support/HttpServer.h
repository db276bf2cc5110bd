#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

// The test HTTP server (test_http_server.py) on 127.0.0.1 (or another address of this machine)
// with a free port, serving the files of one folder; stopped when the object goes.
class HttpServer {
 public:
  explicit HttpServer(const std::string& folder, const std::string& address = "127.0.0.1");
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  int port() const { return port_; }
  std::string host() const { return address_ + ":" + std::to_string(port_); }
  std::string url(const std::string& path) const { return "http://" + host() + path; }
  // The request paths served so far, in order; proxied ones begin with "proxy ".
  std::vector<std::string> requests() const;

 private:
  std::string address_;
  std::string log_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace testsupport
