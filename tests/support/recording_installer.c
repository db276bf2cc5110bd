/* A runtime installer for the termination tests. In the folder $MOORSTEP_RECORDING_DIR it
 * writes "started" with the signal dispositions and mask it inherited, then waits:
 *   - for "release" to appear: writes "installed" and exits 0;
 *   - for SIGINT, SIGTERM or SIGHUP (those not ignored): appends each one's name to "signals",
 *     waits a moment for a second copy of it, then lets it end the process as it would have.
 * Gives up after 30 seconds with status 99. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static const struct {
  int number;
  const char* name;
} kSignals[] = {{SIGINT, "INT"}, {SIGTERM, "TERM"}, {SIGHUP, "HUP"}, {SIGPIPE, "PIPE"}};
enum { kWatched = 3 }; /* the first three */

static char signalsPath[4096];
static volatile sig_atomic_t first;

static void onSignal(int number) {
  for (int i = 0; i < kWatched; ++i) {
    if (kSignals[i].number != number) continue;
    const int fd = open(signalsPath, O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd >= 0) {
      (void)!write(fd, kSignals[i].name, strlen(kSignals[i].name));
      (void)!write(fd, "\n", 1);
      close(fd);
    }
  }
  if (!first) first = number;
}

static void pause10ms(void) {
  const struct timespec step = {0, 10 * 1000 * 1000};
  nanosleep(&step, NULL);
}

int main(void) {
  const char* dir = getenv("MOORSTEP_RECORDING_DIR");
  if (!dir) return 98;
  char path[4096], temporary[4096];
  snprintf(signalsPath, sizeof signalsPath, "%s/signals", dir);
  snprintf(path, sizeof path, "%s/started", dir);
  snprintf(temporary, sizeof temporary, "%s/started.part", dir);

  sigset_t blocked;
  sigprocmask(SIG_SETMASK, NULL, &blocked);
  FILE* out = fopen(temporary, "w");
  if (!out) return 97;
  for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
    struct sigaction action;
    sigaction(kSignals[i].number, NULL, &action);
    fprintf(out, "%s %s%s\n", kSignals[i].name,
            action.sa_handler == SIG_IGN ? "ignored" : "default",
            sigismember(&blocked, kSignals[i].number) ? " blocked" : "");
  }
  fclose(out);
  for (int i = 0; i < kWatched; ++i) {
    struct sigaction action;
    sigaction(kSignals[i].number, NULL, &action);
    if (action.sa_handler == SIG_IGN) continue;
    memset(&action, 0, sizeof action);
    action.sa_handler = onSignal;
    sigaction(kSignals[i].number, &action, NULL);
  }
  rename(temporary, path);

  snprintf(path, sizeof path, "%s/release", dir);
  for (int waited = 0; waited < 3000; ++waited) {
    if (first) {
      for (int i = 0; i < 20; ++i) pause10ms();
      signal(first, SIG_DFL);
      raise(first);
    }
    if (access(path, F_OK) == 0) {
      snprintf(path, sizeof path, "%s/installed", dir);
      close(open(path, O_WRONLY | O_CREAT, 0600));
      return 0;
    }
    pause10ms();
  }
  return 99;
}
