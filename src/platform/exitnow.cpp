// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/exitnow.h"

#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define SIGM_HAS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SIGM_HAS_ASAN 1
#endif
#endif
#ifdef SIGM_HAS_ASAN
#include <sanitizer/lsan_interface.h>
#endif

void ExitNow(int rc)
{
    std::fflush(nullptr);
#ifdef SIGM_HAS_ASAN
    // Ends the process with a failure when anything the program allocated is
    // no longer reachable; objects still held by globals are not leaks.
    __lsan_do_leak_check();
#endif
    std::_Exit(rc);
}
