// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether the processor has AVX2, asked once: the program is built for any
// x86-64, and the loops over long stretches take the wide path where it is.
#if defined(__x86_64__) || defined(__i386__)
namespace Cpu {
inline bool HasAvx2()
{
    static const bool yes = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return yes;
}
}  // namespace Cpu
#endif
