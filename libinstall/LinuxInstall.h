// The platform_ layer of the install support library on Linux.
#pragma once

#include <cstdarg>

#include "libinstall/LibInstall.h"

namespace install {

// One vsyslog record at the priority of severity; -3 and nothing written when it is invalid.
int platform_installLog(severity_t severity, const char* format, va_list args)
    __attribute__((format(printf, 2, 0)));

}  // namespace install
