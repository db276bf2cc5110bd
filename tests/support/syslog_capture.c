/* Stands in for the system log in tests: every record goes to the file named by
 * $MOORSTEP_SYSLOG_CAPTURE as "<priority>\t<text>\n", line breaks inside the text written as
 * "\n", so one record is one line. Loaded with LD_PRELOAD, or linked into a test. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <syslog.h>
#include <unistd.h>

static void capture(int priority, const char* format, va_list args) {
  const char* path = getenv("MOORSTEP_SYSLOG_CAPTURE");
  if (!path || !*path) return;
  char* text = NULL;
  if (vasprintf(&text, format, args) < 0) return;
  size_t length = strlen(text);
  char* line = malloc(length * 2 + 16);
  if (line) {
    size_t n = (size_t)snprintf(line, 16, "%d\t", LOG_PRI(priority));
    for (size_t i = 0; i < length; ++i) {
      if (text[i] == '\n') {
        line[n++] = '\\';
        line[n++] = 'n';
      } else {
        line[n++] = text[i];
      }
    }
    line[n++] = '\n';
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ssize_t ignored = write(fd, line, n);
      (void)ignored;
      close(fd);
    }
    free(line);
  }
  free(text);
}

void vsyslog(int priority, const char* format, va_list args) { capture(priority, format, args); }

void __vsyslog_chk(int priority, int flag, const char* format, va_list args) {
  (void)flag;
  capture(priority, format, args);
}

void syslog(int priority, const char* format, ...) {
  va_list args;
  va_start(args, format);
  capture(priority, format, args);
  va_end(args);
}

void __syslog_chk(int priority, int flag, const char* format, ...) {
  (void)flag;
  va_list args;
  va_start(args, format);
  capture(priority, format, args);
  va_end(args);
}
