// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/vbrt.h"

#include "platform/errors.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <limits>

namespace vb {

int16_t CInt(double v)
{
    if (std::isnan(v))
        RaiseError(Err::Overflow);
    const double r = RoundHalfEven(v);
    if (r < -32768.0 || r > 32767.0)
        RaiseError(Err::Overflow);
    return static_cast<int16_t>(r);
}

float CSng(double v)
{
    if (std::isfinite(v) && std::fabs(v) > std::numeric_limits<float>::max())
        RaiseError(Err::Overflow);
    return static_cast<float>(v);
}

int16_t Check16(int64_t v)
{
    if (v < -32768 || v > 32767)
        RaiseError(Err::Overflow);
    return static_cast<int16_t>(v);
}

void RaiseOverflow()
{
    RaiseError(Err::Overflow);
}

int16_t Add16(int32_t a, int32_t b) { return Check16(int64_t(a) + b); }
int16_t Sub16(int32_t a, int32_t b) { return Check16(int64_t(a) - b); }
int16_t Mul16(int32_t a, int32_t b) { return Check16(int64_t(a) * b); }

namespace {

// Grouping is never accepted: a locale whose group separator is another's
// decimal separator would read "1,234" as 1234.
std::optional<double> parseIn(QLocale locale, const QString &text)
{
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = locale.toDouble(text, &ok);
    if (ok && std::isfinite(v))
        return v;
    return std::nullopt;
}

}  // namespace

std::optional<double> ParseNumber(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (auto v = parseIn(QLocale::c(), t))
        return v;
    return parseIn(QLocale(), t);
}

std::optional<double> ParseShown(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    const QLocale locale;
    if (auto v = parseIn(locale, t))
        return v;
    const QString group = locale.groupSeparator();
    if (!group.isEmpty() && t.contains(group))
        return std::nullopt;
    return parseIn(QLocale::c(), t);
}

std::optional<bool> ParseBool(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (auto n = ParseNumber(t))
        return *n != 0.0;
    return std::nullopt;
}

QString FormatGeneral(double v)
{
    QLocale loc;
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    if (v == 0.0)
        return QStringLiteral("0");
    const int intDigits = std::max(0, int(std::floor(std::log10(std::fabs(v)))) + 1);
    QString s = loc.toString(v, 'f', std::max(0, 15 - intDigits));
    const QString dec = loc.decimalPoint();
    if (s.contains(dec)) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(dec))
            s.chop(dec.size());
    }
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s;
}

QString FormatSingle(double v)
{
    const float f = CSng(v);
    if (!std::isfinite(f))
        return FormatGeneral(0);
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, f, std::chars_format::fixed);
    QString s = QString::fromLatin1(buf, int(res.ptr - buf));
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

}  // namespace vb
