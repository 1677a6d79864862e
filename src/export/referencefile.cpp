// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/referencefile.h"

#include "export/atomicfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <charconv>
#include <cmath>

namespace ReferenceFile {
namespace {

const QByteArray kMagic = QByteArrayLiteral("Sigmalit reference 1");

QByteArray number(double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QByteArray(buf, int(r.ptr - buf));
}

std::optional<double> parse(const QByteArray &text)
{
    double v = 0;
    const char *end = text.constData() + text.size();
    const auto r = std::from_chars(text.constData(), end, v);
    if (r.ec != std::errc() || r.ptr != end || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// Values are one line each; a key's value may not hold a line break.
QByteArray oneLine(const QString &text)
{
    QString t = text;
    t.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return t.toUtf8();
}

}  // namespace

QByteArray Encode(const Reference &r)
{
    QByteArray out = kMagic + '\n';
    out += "trace=" + oneLine(r.trace) + '\n';
    out += "unit=" + oneLine(r.unit) + '\n';
    out += "per_division=" + number(r.perDivision) + '\n';
    out += "position=" + number(r.position) + '\n';
    out += "seconds_per_division=" + number(r.secondsPerDivision) + '\n';
    out += "seconds_per_point=" + number(r.secondsPerPoint) + '\n';
    out += "start_seconds=" + number(r.startSeconds) + '\n';
    out += "source=" + oneLine(r.source) + '\n';
    out += "saved=" + r.saved.toUTC().toString(Qt::ISODate).toLatin1() + '\n';
    out += "points=" + QByteArray::number(qsizetype(r.values.size())) + '\n';
    for (float v : r.values)
        out += number(double(v)) + '\n';
    return out;
}

std::optional<Reference> Decode(const QByteArray &bytes, QString *why)
{
    const QList<QByteArray> lines = bytes.split('\n');
    auto fail = [&](const QString &reason) {
        *why = reason;
        return std::nullopt;
    };
    if (lines.isEmpty() || lines[0].trimmed() != kMagic)
        return fail(QCoreApplication::translate("Files", "это не файл опорной осциллограммы"));
    Reference r;
    qsizetype at = 1;
    int points = -1;
    bool haveScale = false;
    for (; at < lines.size() && points < 0; ++at) {
        const QByteArray line = lines[at].trimmed();
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            return fail(QCoreApplication::translate("Files", "строка %1 не читается").arg(at + 1));
        const QByteArray key = line.left(eq), value = line.mid(eq + 1);
        auto num = [&](double *to) {
            const auto v = parse(value);
            if (v)
                *to = *v;
            return v.has_value();
        };
        bool ok = true;
        if (key == "trace")
            r.trace = QString::fromUtf8(value);
        else if (key == "unit")
            r.unit = QString::fromUtf8(value);
        else if (key == "per_division") {
            ok = num(&r.perDivision) && r.perDivision > 0;
            haveScale = ok;
        }
        else if (key == "position")
            ok = num(&r.position);
        else if (key == "seconds_per_division")
            ok = num(&r.secondsPerDivision) && r.secondsPerDivision >= 0;
        else if (key == "seconds_per_point")
            ok = num(&r.secondsPerPoint) && r.secondsPerPoint >= 0;
        else if (key == "start_seconds")
            ok = num(&r.startSeconds);
        else if (key == "source")
            r.source = QString::fromUtf8(value);
        else if (key == "saved")
            r.saved = QDateTime::fromString(QString::fromLatin1(value), Qt::ISODate);
        else if (key == "points") {
            double n = -1;
            ok = num(&n) && n == std::floor(n) && n >= 2 && n <= kMostPoints;
            points = ok ? int(n) : -1;
        }
        // (Keys of a later version are passed over.)
        if (!ok)
            return fail(QCoreApplication::translate("Files", "неверное значение «%1»").arg(QString::fromUtf8(key)));
    }
    if (points < 0 || !haveScale)
        return fail(QCoreApplication::translate("Files", "нет масштаба или числа точек"));
    r.values.reserve(size_t(points));
    for (; at < lines.size() && int(r.values.size()) < points; ++at) {
        const auto v = parse(lines[at].trimmed());
        if (!v)
            return fail(QCoreApplication::translate("Files", "точка %1 не читается").arg(r.values.size() + 1));
        r.values.push_back(float(*v));
    }
    if (int(r.values.size()) != points)
        return fail(QCoreApplication::translate("Files", "файл обрывается на точке %1 из %2").arg(r.values.size()).arg(points));
    return r;
}

bool Save(const QString &path, const Reference &r, QString *error)
{
    return AtomicFile::Write(path, Encode(r), error);
}

std::optional<Reference> Load(const QString &path, QString *why)
{
    why->clear();
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    // A reference is a few tens of kilobytes; anything far larger is not one.
    if (!info.isFile() || info.size() > 16 * 1024 * 1024) {
        *why = QCoreApplication::translate("Files", "это не файл опорной осциллограммы");
        return std::nullopt;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *why = QCoreApplication::translate("Files", "файл не открывается");
        return std::nullopt;
    }
    return Decode(f.readAll(), why);
}

}  // namespace ReferenceFile
