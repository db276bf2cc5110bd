#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// A server program of the test's own (a proxy, a TLS server) on a free loopback port, started in
// a folder and stopped when the object goes.
class LoopbackService {
 public:
  // argvFor gets the port and gives the command line; returns once the port accepts
  // connections, or throws.
  LoopbackService(const std::string& folder,
                  const std::function<std::vector<std::string>(int port)>& argvFor);
  ~LoopbackService();
  LoopbackService(const LoopbackService&) = delete;
  LoopbackService& operator=(const LoopbackService&) = delete;

  int port() const { return port_; }

 private:
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace testsupport
