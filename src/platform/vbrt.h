// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numeric conventions the whole program relies on: conversions to integers
// round half to even, and 16/32-bit arithmetic raises error 6 on overflow
// instead of wrapping silently.
#include <QString>
#include <cmath>
#include <cstdint>
#include <optional>

namespace vb {

[[noreturn]] void RaiseOverflow();

// std::floor and std::ceil by way of a 64-bit integer (without SSE4.1 they
// are library calls, and the drawing and every interpolated point of a fast
// sweep take them). Past 2^52, and for infinities and NaN, a double is its
// own floor and ceiling. (Zero comes back as +0.)
inline double Floor(double v)
{
    if (!(std::fabs(v) < 4503599627370496.0))
        return v;
    const double t = double(int64_t(v));
    return t - (v < t);
}

inline double Ceil(double v)
{
    if (!(std::fabs(v) < 4503599627370496.0))
        return v;
    const double t = double(int64_t(v));
    return t + (v > t);
}

// Round half to even, the rounding every integer conversion uses.
// (nearbyint honours the current rounding mode, which is round-to-nearest-
// even unless someone changed it; this does not rely on that.)
inline double RoundHalfEven(double v)
{
    if (!(std::fabs(v) < 4503599627370496.0) || v == 0)
        return v;
    const double fl = Floor(v);
    const double diff = v - fl;
    if (diff > 0.5)
        return fl + 1;
    if (diff < 0.5)
        return fl;
    return (int64_t(fl) & 1) == 0 ? fl : fl + 1;
}

int16_t CInt(double v);   // raises 6 outside -32768..32767
// Raises 6 outside the 32-bit range (and for NaN).
inline int32_t CLng(double v)
{
    const double r = RoundHalfEven(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        RaiseOverflow();
    return static_cast<int32_t>(r);
}
float CSng(double v);     // raises 6 when the value does not fit a float

int16_t Add16(int32_t a, int32_t b);
int16_t Sub16(int32_t a, int32_t b);
int16_t Mul16(int32_t a, int32_t b);
int16_t Check16(int64_t v);

// The 32-bit ones run per point of every screen, so they are inline with
// the raise kept out of line.
inline int32_t Check32(int64_t v)
{
    if (v < INT32_MIN || v > INT32_MAX)
        RaiseOverflow();
    return static_cast<int32_t>(v);
}
inline int32_t Add32(int64_t a, int64_t b) { return Check32(a + b); }
inline int32_t Sub32(int64_t a, int64_t b) { return Check32(a - b); }
// Both factors must be 32-bit values themselves for the product to be meaningful.
inline int32_t Mul32(int64_t a, int64_t b) { return Check32(Check32(a) * int64_t(Check32(b))); }

// File positions and lengths are 64-bit (a recording may be hours long);
// these raise 6 where they would wrap.
inline int64_t Add64(int64_t a, int64_t b)
{
    int64_t r;
    if (__builtin_add_overflow(a, b, &r))
        RaiseOverflow();
    return r;
}
inline int64_t Sub64(int64_t a, int64_t b)
{
    int64_t r;
    if (__builtin_sub_overflow(a, b, &r))
        RaiseOverflow();
    return r;
}
inline int64_t Mul64(int64_t a, int64_t b)
{
    int64_t r;
    if (__builtin_mul_overflow(a, b, &r))
        RaiseOverflow();
    return r;
}
// A double that must be a whole 64-bit position: rounded half to even,
// 6 outside the range (and for NaN).
inline int64_t CPos(double v)
{
    const double r = RoundHalfEven(v);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
        RaiseOverflow();
    return static_cast<int64_t>(r);
}

// Stored text to number, as the settings file holds numbers: plain decimal
// with a point, or with the user's decimal separator (positions are stored
// that way). Never with digit grouping. Empty on anything else.
std::optional<double> ParseNumber(const QString &text);
// A number the user typed or the window showed (FormatGeneral): read in the
// user's locale, never with digit grouping ("1,234" is 1.234 in Russian and
// no number in English). A point is taken as the decimal separator too,
// unless the locale groups digits with it.
std::optional<double> ParseShown(const QString &text);
// "True"/"False" in any case, or a number (non-zero is true).
std::optional<bool> ParseBool(const QString &text);

inline QString BoolText(bool v) { return v ? QStringLiteral("True") : QStringLiteral("False"); }

// General number format with the user's decimal separator and no trailing
// zeros, as captions show numbers ("0,1", "12", "-0,5").
QString FormatGeneral(double v);
// The text of a single-precision number, as positions and sizes are stored:
// the fewest digits that read back as the same single ("1309.0909", not
// "1309.09094238281"), with the user's decimal separator.
QString FormatSingle(double v);

}  // namespace vb
