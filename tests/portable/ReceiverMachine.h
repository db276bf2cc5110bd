#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "BackgroundRun.h"
#include "DevLogCapture.h"
#include "E2eSandbox.h"
#include "HttpServer.h"

namespace testsupport {

// A receiver's machine: a Debian chroot of a suite with some packages (made once, cached outside
// the tree), and in the test's folder the bundle of the portable tree, shipped as make-bundle
// archives it (bundle, link and desktop entry) and unpacked where the receiver keeps it. The
// signed sample runtime is served on loopback, which the chroot shares.
class ReceiverMachine : public ::testing::Test {
 protected:
  ReceiverMachine();

  // Makes the chroot (the suite, then the packages), the bundle and the served runtime. Fails,
  // or outside CI skips, when this machine cannot make chroots (not root, no Debian archive).
  void prepare(const std::vector<std::string>& chroot);
  // The executable started in the chroot, its system log read from the chroot's /dev/log; with
  // x11 the host's X server is reached from inside.
  std::unique_ptr<BackgroundRun> startInChroot(const std::string& program,
                                               const std::vector<std::string>& args,
                                               const DevLogCapture& log, bool x11 = false);
  RunResult runInChroot(const std::string& program, const std::vector<std::string>& args);
  // The run's records as "priority text", its private download folder's random name masked.
  std::vector<std::string> records(const RunResult& run) const;
  void removeInstall();
  std::string installerPath() const { return www_ + installer_; }
  // Where the receiver unpacked the shipped tar: not where the publisher made the bundle.
  std::string unpackedDir() const { return box_.root() + "/Downloads"; }

  E2eSandbox box_;
  std::string exe_;

 private:
  std::string unpackedBundle();

  std::string www_;
  HttpServer server_;
  std::string chroot_;
  std::string installer_;
};

}  // namespace testsupport
