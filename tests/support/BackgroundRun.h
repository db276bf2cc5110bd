#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "E2eSandbox.h"

namespace testsupport {

struct StartOptions {
  // Standard input, output and error on a terminal of the run's own (a pseudo-terminal whose
  // foreground process group the program leads), so that keys typed there raise signals.
  bool terminal = false;
  // With a terminal: standard error goes to a file all the same.
  bool stderrToFile = false;
};

// The real program running in the background: signals go to its pid, its log is read while it
// grows, and what it writes is collected. Killed and reaped if the test ends before it does.
class BackgroundRun {
 public:
  BackgroundRun(std::vector<std::string> argv, std::vector<std::string> env,
                const std::string& workDir, std::string logPath, std::string errPath,
                StartOptions options);
  ~BackgroundRun();
  BackgroundRun(const BackgroundRun&) = delete;
  BackgroundRun& operator=(const BackgroundRun&) = delete;

  pid_t pid() const { return pid_; }
  // Waits until the log holds count records that begin with text; false when the program
  // ended first or the time ran out.
  bool waitForLog(const std::string& text, int count = 1,
                  std::chrono::milliseconds timeout = std::chrono::seconds(20));
  // Waits until the terminal (or the standard error file) shows text.
  bool waitForOutput(const std::string& text,
                     std::chrono::milliseconds timeout = std::chrono::seconds(20));
  // Keys typed at the terminal.
  void type(const std::string& keys);
  void signal(int number);
  // Waits for the end; the exit code is 128 + N when signal N ended the program.
  RunResult finish(std::chrono::milliseconds timeout = std::chrono::seconds(20));

 private:
  bool poll();
  std::string output() const;

  pid_t pid_ = -1;
  int terminal_ = -1;
  bool stderrToFile_ = false;
  int status_ = -1;
  std::string logPath_, errPath_, outPath_;
  std::string terminalOutput_;
};

}  // namespace testsupport
