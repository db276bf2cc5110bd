/* Lets a test choose the kernel release that a program sees: with $MOORSTEP_FAKE_KERNEL_RELEASE
 * set, uname() reports it as the release; everything else is the real answer. Loaded with
 * LD_PRELOAD into the program under test only, so the program itself has no such switch. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/utsname.h>

int uname(struct utsname* names) {
  int (*real)(struct utsname*) = (int (*)(struct utsname*))dlsym(RTLD_NEXT, "uname");
  if (!real || real(names) != 0) return -1;
  const char* release = getenv("MOORSTEP_FAKE_KERNEL_RELEASE");
  if (release) {
    strncpy(names->release, release, sizeof names->release - 1);
    names->release[sizeof names->release - 1] = '\0';
  }
  return 0;
}
