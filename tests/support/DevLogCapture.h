#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SyslogCapture.h"

namespace testsupport {

// The system log as a program in a chroot reaches it: a unix datagram socket, bound at path, to
// be mounted on the chroot's /dev/log. Records are read while they arrive, since a sender blocks
// once a few datagrams wait unread.
class DevLogCapture {
 public:
  explicit DevLogCapture(std::string path);
  ~DevLogCapture();
  DevLogCapture(const DevLogCapture&) = delete;
  DevLogCapture& operator=(const DevLogCapture&) = delete;

  const std::string& path() const { return path_; }
  // The records sent so far, with the severity of their priority and the text after the tag.
  std::vector<LogRecord> records();
  // One datagram as glibc's syslog sends it: "<PRI>Mmm dd hh:mm:ss TAG: TEXT".
  static LogRecord parse(const std::string& datagram);

 private:
  // With mutex_ held: reads one waiting record; false when none waits.
  bool receiveOne();
  void receive();

  std::string path_;
  int socket_ = -1;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<LogRecord> records_;
  std::thread reader_;
};

}  // namespace testsupport
