// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/samplesums.h"

#include "analysis/cpufeatures.h"

#include <algorithm>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace SampleSums {
namespace {

template <size_t Stride>
void scalar(Sums &s, const int16_t *x, size_t n, size_t stride)
{
    // The squares of 2^24 samples (2^30 each) stay within 64 bits.
    constexpr size_t kPiece = size_t(1) << 24;
    for (size_t from = 0; from < n; from += kPiece) {
        const size_t to = std::min(n, from + kPiece);
        int64_t sum = 0, squares = 0;
        int lo = s.lowest, hi = s.highest;
        for (size_t i = from; i < to; ++i) {
            const int v = x[i * (Stride ? Stride : stride)];
            sum += v;
            squares += int64_t(v) * v;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        s.sum += sum;
        s.squares += squares;
        s.lowest = lo;
        s.highest = hi;
    }
}

#if defined(__x86_64__) || defined(__i386__)
// Sixteen samples a register, where the processor has AVX2 (the rest of
// the program is built for any x86-64). Of two interleaved channels the
// even lanes are this channel's, and a multiply-add by 1 and 0 (and of the
// sample by itself and 0) keeps them apart from the other's, which the
// extremes carry along in lanes of their own.
template <size_t Stride>
__attribute__((target("avx2"))) size_t vector256(Sums &s, const int16_t *x, size_t n)
{
    constexpr size_t perRegister = 16 / Stride;
    const size_t whole = n >= Stride - 1 + perRegister ? (n - (Stride - 1)) / perRegister : 0;
    if (whole == 0)
        return 0;
    const __m256i ones = Stride == 1 ? _mm256_set1_epi16(1) : _mm256_set1_epi32(1);
    const __m256i own = Stride == 1 ? _mm256_set1_epi16(-1) : _mm256_set1_epi32(0xFFFF);
    const __m256i zero = _mm256_setzero_si256();
    __m256i lo = _mm256_set1_epi16(32767), hi = _mm256_set1_epi16(-32768);
    __m256i squares = zero;
    int64_t sum = 0;
    constexpr size_t kPiece = 1 << 14;
    for (size_t from = 0; from < whole; from += kPiece) {
        const size_t to = std::min(whole, from + kPiece);
        __m256i sums = zero;
        for (size_t r = from; r < to; ++r) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(x + r * 16));
            sums = _mm256_add_epi32(sums, _mm256_madd_epi16(v, ones));
            const __m256i q = _mm256_madd_epi16(v, _mm256_and_si256(v, own));
            squares = _mm256_add_epi64(squares,
                                       _mm256_add_epi64(_mm256_unpacklo_epi32(q, zero), _mm256_unpackhi_epi32(q, zero)));
            lo = _mm256_min_epi16(lo, v);
            hi = _mm256_max_epi16(hi, v);
        }
        alignas(32) int32_t part[8];
        _mm256_store_si256(reinterpret_cast<__m256i *>(part), sums);
        for (int32_t p : part)
            sum += p;
    }
    alignas(32) uint64_t q[4];
    _mm256_store_si256(reinterpret_cast<__m256i *>(q), squares);
    alignas(32) int16_t l[16], h[16];
    _mm256_store_si256(reinterpret_cast<__m256i *>(l), lo);
    _mm256_store_si256(reinterpret_cast<__m256i *>(h), hi);
    for (size_t k = 0; k < 16; k += Stride) {
        s.lowest = std::min<int>(s.lowest, l[k]);
        s.highest = std::max<int>(s.highest, h[k]);
    }
    s.sum += sum;
    s.squares += __int128(q[0]) + q[1] + q[2] + q[3];
    return whole * perRegister;
}

#endif

}  // namespace

void Add(Sums &s, const int16_t *x, size_t n, size_t stride)
{
    s.count += int64_t(n);
    size_t done = 0;
#if defined(__x86_64__) || defined(__i386__)
    if (stride == 1 && Cpu::HasAvx2())
        done = vector256<1>(s, x, n);
    else if (stride == 2 && Cpu::HasAvx2())
        done = vector256<2>(s, x, n);
#endif
    const int16_t *rest = x + done * stride;
    switch (stride) {
    case 1: scalar<1>(s, rest, n - done, 1); break;
    case 2: scalar<2>(s, rest, n - done, 2); break;
    default: scalar<0>(s, rest, n - done, stride); break;
    }
}

}  // namespace SampleSums
