// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/mathtrace.h"

#include "platform/settings.h"
#include "platform/vbrt.h"

#include <QCoreApplication>
#include <QLocale>
#include <algorithm>
#include <cmath>

namespace MathTrace {
namespace {

const QString kApp = QStringLiteral("Sigm");
const QString kSection = QStringLiteral("Math");

struct Entry {
    Function f;
    const char *key;
    const char *name;
};
constexpr Entry kEntries[kFunctionCount] = {
    {Function::Off, "off", QT_TRANSLATE_NOOP("MathTrace", "Выключена")},
    {Function::Sum, "sum", "A + B"},
    {Function::Difference, "difference", "A − B"},
    {Function::Product, "product", "A × B"},
    {Function::NegateA, "negA", "−A"},
    {Function::NegateB, "negB", "−B"},
    {Function::Derivative, "derivative", "dA/dt"},
    {Function::Integral, "integral", "∫A dt"},
    {Function::LowPass, "lowpass", QT_TRANSLATE_NOOP("MathTrace", "ФНЧ")},
    {Function::HighPass, "highpass", QT_TRANSLATE_NOOP("MathTrace", "ФВЧ")},
    {Function::BandPass, "bandpass", QT_TRANSLATE_NOOP("MathTrace", "Полосовой")},
};

// The units of M and of the references, as ValueText shows them.
[[maybe_unused]] constexpr const char *kUnitWords[] = {
    QT_TRANSLATE_NOOP("Units", "В"), QT_TRANSLATE_NOOP("Units", "В²"), QT_TRANSLATE_NOOP("Units", "В/с"),
    QT_TRANSLATE_NOOP("Units", "В·с"), QT_TRANSLATE_NOOP("Units", "с")};

double numberIn(const QString &key, double lo, double hi, double fallback)
{
    const auto v = vb::ParseNumber(SettingsStore::GetSetting(kApp, kSection, key, QString()));
    return v && std::isfinite(*v) && *v >= lo && *v <= hi ? *v : fallback;
}

QString numberText(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

}  // namespace

bool IsFilter(Function f)
{
    return f == Function::LowPass || f == Function::HighPass || f == Function::BandPass;
}

bool NeedsB(Function f, bool filterB)
{
    switch (f) {
    case Function::Sum:
    case Function::Difference:
    case Function::Product:
    case Function::NegateB: return true;
    default: return IsFilter(f) && filterB;
    }
}

QString Name(Function f, bool filterB)
{
    const QString name = QCoreApplication::translate("MathTrace", kEntries[int(f)].name);
    return IsFilter(f) ? name + (filterB ? QStringLiteral(" (B)") : QStringLiteral(" (A)")) : name;
}

QString Unit(Function f)
{
    switch (f) {
    case Function::Product: return QStringLiteral("В²");
    case Function::Derivative: return QStringLiteral("В/с");
    case Function::Integral: return QStringLiteral("В·с");
    default: return QStringLiteral("В");
    }
}

QString Key(Function f)
{
    return QString::fromLatin1(kEntries[int(f)].key);
}

Function FromKey(const QString &key)
{
    for (const Entry &e : kEntries)
        if (key == QLatin1String(e.key))
            return e.f;
    return Function::Off;
}

void Compute(Function f, std::span<const float> a, std::span<const float> b, double rate, std::span<float> out)
{
    const size_t n = std::min(a.size(), out.size());
    const bool withB = NeedsB(f, false);
    if (withB && b.size() < n)
        return;
    switch (f) {
    case Function::Sum:
        for (size_t i = 0; i < n; ++i)
            out[i] = a[i] + b[i];
        break;
    case Function::Difference:
        for (size_t i = 0; i < n; ++i)
            out[i] = a[i] - b[i];
        break;
    case Function::Product:
        for (size_t i = 0; i < n; ++i)
            out[i] = a[i] * b[i];
        break;
    case Function::NegateA:
        for (size_t i = 0; i < n; ++i)
            out[i] = -a[i];
        break;
    case Function::NegateB:
        for (size_t i = 0; i < n; ++i)
            out[i] = -b[i];
        break;
    case Function::Derivative:
        if (n < 2) {
            std::fill(out.begin(), out.begin() + ptrdiff_t(n), 0.0f);
            break;
        }
        out[0] = float((double(a[1]) - a[0]) * rate);
        for (size_t i = 1; i + 1 < n; ++i)
            out[i] = float((double(a[i + 1]) - a[i - 1]) * rate / 2);
        out[n - 1] = float((double(a[n - 1]) - a[n - 2]) * rate);
        break;
    case Function::Integral: {
        double sum = 0;
        for (size_t i = 0; i < n; ++i) {
            if (i > 0)
                sum += (double(a[i]) + a[i - 1]) / (2 * rate);
            out[i] = float(sum);
        }
        break;
    }
    default:
        break;
    }
}

Biquad Design(Function f, double cornerHz, double rate, double q)
{
    Biquad c;
    if (!(rate > 0) || !IsFilter(f))
        return c;
    const double f0 = std::clamp(cornerHz, 1e-3 * rate / 2, 0.98 * rate / 2);
    const double w0 = 2 * M_PI * f0 / rate;
    const double cw = std::cos(w0);
    const double qq = f == Function::BandPass ? std::max(0.1, q) : M_SQRT1_2;
    const double alpha = std::sin(w0) / (2 * qq);
    const double a0 = 1 + alpha;
    switch (f) {
    case Function::LowPass:
        c.b0 = c.b2 = (1 - cw) / 2 / a0;
        c.b1 = (1 - cw) / a0;
        break;
    case Function::HighPass:
        c.b0 = c.b2 = (1 + cw) / 2 / a0;
        c.b1 = -(1 + cw) / a0;
        break;
    default:  // band-pass, 0 dB at its centre
        c.b0 = alpha / a0;
        c.b1 = 0;
        c.b2 = -alpha / a0;
        break;
    }
    c.a1 = -2 * cw / a0;
    c.a2 = (1 - alpha) / a0;
    return c;
}

double Gain(const Biquad &c, double hz, double rate)
{
    const double w = 2 * M_PI * hz / rate;
    // H(e^jw) with z^-1 = e^-jw.
    const double cr1 = std::cos(w), ci1 = -std::sin(w), cr2 = std::cos(2 * w), ci2 = -std::sin(2 * w);
    const double nr = c.b0 + c.b1 * cr1 + c.b2 * cr2, ni = c.b1 * ci1 + c.b2 * ci2;
    const double dr = 1 + c.a1 * cr1 + c.a2 * cr2, di = c.a1 * ci1 + c.a2 * ci2;
    return std::hypot(nr, ni) / std::hypot(dr, di);
}

void StreamFilter::Set(const Biquad &c)
{
    c_ = c;
    valid_ = false;
}

int64_t StreamFilter::LeadWanted(int64_t first, int64_t available, int64_t settle) const
{
    available = std::max<int64_t>(0, available);
    if (valid_ && first >= histStart_ && first <= next_)
        return 0;
    if (valid_ && first > next_ && first - next_ <= available)
        return first - next_;
    return std::min(available, std::max<int64_t>(0, settle));
}

inline void StreamFilter::step(float x)
{
    const double y = c_.b0 * x + c_.b1 * x1_ + c_.b2 * x2_ - c_.a1 * y1_ - c_.a2 * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    hist_.push_back(float(y));
}

void StreamFilter::Run(int64_t first, const float *x, int64_t n, int64_t lead, float *out)
{
    if (n <= 0)
        return;
    lead = std::max<int64_t>(0, lead);
    keep_ = std::max(keep_, size_t(4 * n));
    int64_t from = 0;  // the first frame (relative to `first`) still to filter
    if (valid_ && first >= histStart_ && first <= next_) {
        const int64_t known = std::min(n, next_ - first);
        std::copy_n(hist_.begin() + ptrdiff_t(first - histStart_), known, out);
        from = known;
    } else if (valid_ && first > next_ && first - next_ <= lead) {
        from = next_ - first;
    } else {
        // A fresh start, as if the signal had always been x[-lead]: the
        // state is the filter's answer to that constant.
        from = -lead;
        const double x0 = x[from];
        const double dc = (c_.b0 + c_.b1 + c_.b2) / (1 + c_.a1 + c_.a2);
        x1_ = x2_ = x0;
        y1_ = y2_ = dc * x0;
        hist_.clear();
        histStart_ = first + from;
        valid_ = true;
    }
    for (int64_t i = from; i < n; ++i) {
        step(x[i]);
        if (i >= 0)
            out[i] = hist_.back();
    }
    if (from < n)
        next_ = first + n;
    // Only the latest frames are kept, cut back in large steps.
    if (hist_.size() > 2 * keep_) {
        const size_t drop = hist_.size() - keep_;
        hist_.erase(hist_.begin(), hist_.begin() + ptrdiff_t(drop));
        histStart_ += int64_t(drop);
    }
}

Stream::Stream(Function f, bool filterB, double cornerHz, double q, double rate)
    : f_(f), filterB_(filterB), rate_(rate)
{
    filter_.Set(Design(f, cornerHz, rate, q));
}

void Stream::Feed(const float *a, const float *b, int64_t n, bool next, float *out)
{
    if (n <= 0)
        return;
    if (IsFilter(f_)) {
        filter_.Run(frame_, filterB_ ? b : a, n, 0, out);
    } else if (f_ == Function::Derivative) {
        // As over a screen: central differences, one-sided at the stretch's ends.
        for (int64_t i = 0; i < n; ++i) {
            const bool before = started_ || i > 0, after = i + 1 < n || next;
            const double prev = i > 0 ? a[i - 1] : previous_;
            if (before && after)
                out[i] = float((double(a[i + 1]) - prev) * rate_ / 2);
            else if (after)
                out[i] = float((double(a[i + 1]) - a[i]) * rate_);
            else if (before)
                out[i] = float((double(a[i]) - prev) * rate_);
            else
                out[i] = 0;
        }
    } else if (f_ == Function::Integral) {
        for (int64_t i = 0; i < n; ++i) {
            const double prev = i > 0 ? a[i - 1] : previous_;
            if (started_ || i > 0)
                integral_ += (double(a[i]) + prev) / (2 * rate_);
            out[i] = float(integral_);
        }
    } else {
        Compute(f_, std::span(a, size_t(n)), b ? std::span(b, size_t(n)) : std::span<const float>(), rate_,
                std::span(out, size_t(n)));
    }
    previous_ = a[n - 1];
    started_ = true;
    frame_ += n;
}

double ScaleStep(int index)
{
    static constexpr double kSteps[3] = {1, 2, 5};
    const int decade = index >= 0 ? index / 3 : -((-index + 2) / 3);
    return kSteps[index - 3 * decade] * std::pow(10.0, decade);
}

int FitScale(double peak)
{
    if (!(peak > 0) || !std::isfinite(peak))
        return 0;
    for (int i = kMinScale; i < kMaxScale; ++i)
        if (3 * ScaleStep(i) >= peak * (1 - 1e-9))
            return i;
    return kMaxScale;
}

QString ValueText(double v, const QString &unit)
{
    if (!std::isfinite(v))
        return QStringLiteral("—");
    static constexpr struct {
        double factor;
        const char *prefix;
    } kPrefixes[] = {{1e-12, QT_TRANSLATE_NOOP("Units", "п")}, {1e-9, QT_TRANSLATE_NOOP("Units", "н")}, {1e-6, QT_TRANSLATE_NOOP("Units", "мк")}, {1e-3, QT_TRANSLATE_NOOP("Units", "м")}, {1, ""}, {1e3, QT_TRANSLATE_NOOP("Units", "к")}, {1e6, QT_TRANSLATE_NOOP("Units", "М")}, {1e9, QT_TRANSLATE_NOOP("Units", "Г")}};
    const double a = std::abs(v);
    size_t k = 4;
    if (a > 0) {
        k = 0;
        for (size_t i = 0; i < std::size(kPrefixes); ++i)
            if (a >= kPrefixes[i].factor * (1 - 1e-9))
                k = i;
    }
    QLocale loc;
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = loc.toString(v / kPrefixes[k].factor, 'g', 4);
    if (text.startsWith(QLatin1Char('-')))
        text.replace(0, 1, QStringLiteral("−"));
    // A stored unit (a reference file's) is shown in the program's language.
    return text + QLatin1Char(' ') + QCoreApplication::translate("Units", kPrefixes[k].prefix)
           + QCoreApplication::translate("Units", unit.toUtf8().constData());
}

Settings Load()
{
    Settings s;
    s.function = FromKey(SettingsStore::GetSetting(kApp, kSection, QStringLiteral("Function"), QStringLiteral("off")));
    s.filterB = SettingsStore::GetSetting(kApp, kSection, QStringLiteral("Source"), QStringLiteral("A"))
                == QLatin1String("B");
    s.cornerHz = numberIn(QStringLiteral("Corner"), 0.01, 1e6, s.cornerHz);
    s.q = numberIn(QStringLiteral("Q"), 0.1, 100, s.q);
    const double scale = numberIn(QStringLiteral("Scale"), kMinScale, kMaxScale, s.scale);
    s.scale = scale == std::floor(scale) ? int(scale) : 0;
    s.position = numberIn(QStringLiteral("Position"), -8, 8, s.position);
    return s;
}

void Save(const Settings &s)
{
    SettingsStore::Batch batch;
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Function"), Key(s.function));
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Source"), s.filterB ? QStringLiteral("B") : QStringLiteral("A"));
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Corner"), numberText(s.cornerHz));
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Q"), numberText(s.q));
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Scale"), QString::number(s.scale));
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Position"), numberText(s.position));
}

}  // namespace MathTrace
