// Downloads one URL with the Downloader, as the bootstrapper does (silent, into its private
// temporary folder), and prints the seconds it took and the peak resident memory in KiB.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "Moorstep/Downloader.h"
#include "platform/NotificationCenter.h"
#include "platform/RunLoop.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: download_bench URL\n");
    return 2;
  }
  moorstep::Downloader downloader;
  bool done = false, success = false;
  int observer = 0;
  platform::NotificationCenter::defaultCenter().addObserver(
      &observer, "Bench", nullptr, [&](const platform::Notification& n) {
        done = true;
        success = n.boolValue("DownloaderKeySuccess");
      });
  downloader.setSilent(true);
  downloader.setUrlStrings({argv[1]});
  const auto start = std::chrono::steady_clock::now();
  downloader.startDownload("Bench");
  platform::RunLoop::main().runUntil([&] { return done; }, std::chrono::hours(1));
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  downloader.cleanupTempFiles();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%.3f %ld\n", elapsed.count(), usage.ru_maxrss);
  return success ? 0 : 1;
}
