// The C++ runtime is linked statically from the build machine's compiler, whose archives were
// built against a newer glibc than the oldest one the release build starts on (2.31). These are
// the few glibc functions they call that 2.31 does not have, done with what 2.31 has. They are
// hidden, so that each binary uses its own and none is offered to the libraries it loads.
#define _GNU_SOURCE
#include <errno.h>
#include <link.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/random.h>

#define COMPAT __attribute__((visibility("hidden")))

// Tells the runtime whether it may skip atomic reference counts; never claiming so is always
// correct, only slower.
COMPAT char __libc_single_threaded = 0;

// The source of std::random_device. A machine without getrandom (before Linux 3.17) cannot run
// the program safely anyway.
COMPAT uint32_t arc4random(void) {
  uint32_t value;
  for (;;) {
    ssize_t got = getrandom(&value, sizeof value, 0);
    if (got == (ssize_t)sizeof value) return value;
    if (got < 0 && errno != EINTR) abort();
  }
}

// The glibc 2.35 lookup that the unwinder uses to find the unwind tables of the code at an
// address; without it no exception could be caught. The same answer comes from walking the
// loaded objects' program headers, as the unwinder did before.
struct dl_find_object {
  unsigned long long dlfo_flags;
  void* dlfo_map_start;
  void* dlfo_map_end;
  struct link_map* dlfo_link_map;
  void* dlfo_eh_frame;
  unsigned long long reserved[7];
};

struct FindRequest {
  uintptr_t address;
  struct dl_find_object* result;
};

static int findObject(struct dl_phdr_info* info, size_t size, void* data) {
  (void)size;
  struct FindRequest* request = data;
  uintptr_t low = UINTPTR_MAX, high = 0, eh_frame = 0;
  int inside = 0;
  for (size_t i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)* header = &info->dlpi_phdr[i];
    uintptr_t start = info->dlpi_addr + header->p_vaddr;
    if (header->p_type == PT_GNU_EH_FRAME) eh_frame = start;
    if (header->p_type != PT_LOAD) continue;
    if (start < low) low = start;
    if (start + header->p_memsz > high) high = start + header->p_memsz;
    if (request->address >= start && request->address < start + header->p_memsz) inside = 1;
  }
  if (!inside) return 0;
  memset(request->result, 0, sizeof *request->result);
  request->result->dlfo_map_start = (void*)low;
  request->result->dlfo_map_end = (void*)high;
  request->result->dlfo_eh_frame = (void*)eh_frame;
  return 1;
}

COMPAT int _dl_find_object(void* address, struct dl_find_object* result) {
  struct FindRequest request = {(uintptr_t)address, result};
  return dl_iterate_phdr(findObject, &request) ? 0 : -1;
}
