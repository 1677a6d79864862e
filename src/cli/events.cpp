// SPDX-License-Identifier: GPL-3.0-or-later
// `sigmalit events`: every trigger event of a recording, with the
// measurements of the stretch from it to the next, read in one pass.
#include "analysis/calibration.h"
#include "analysis/eventindex.h"
#include "analysis/options.h"
#include "cli/cli.h"
#include "cli/clicommon.h"

#include <QCoreApplication>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace Cli {
namespace {

const char *const kEventsHelp = QT_TRANSLATE_NOOP("Cli", 
    "Использование: sigmalit events ФАЙЛ.wav --level U [--slope rise|fall] [--channel 1|2]\n"
    "                               [--hysteresis U] [--holdoff T] [--from T] [--to T] [--csv]\n"
    "                               [--calibration K1[,K2]]\n"
    "Все события синхронизации в осциллограмме: моменты, когда канал пересекает\n"
    "уровень в заданную сторону, найденные так же, как их находит синхронизация\n"
    "окна (с гистерезисом, с долей отсчёта), и измерения отрезка от каждого события\n"
    "до следующего.\n"
    "\n"
    "  --level U        уровень в вольтах с учётом калибровки: 0.1, -0,25, 100mV, 100 мВ\n"
    "  --slope rise|fall  по фронту (rise, по умолчанию) или по спаду (fall)\n"
    "  --channel 1|2    канал (по умолчанию 1)\n"
    "  --hysteresis U   гистерезис: сигнал должен уйти за уровень на столько назад,\n"
    "                   чтобы следующее пересечение считалось (по умолчанию десятая\n"
    "                   деления при 100 мВ/дел., 10 мВ с учётом калибровки)\n"
    "  --holdoff T      пересечения ближе T после события не считаются (0)\n"
    "  --from T, --to T только этот отрезок файла\n"
    "  --csv            таблица CSV вместо выровненной таблицы\n"
    "  --calibration K1[,K2]  множители вместо сохранённых в настройках\n"
    "\n"
    "Столбцы: event (номер с 1), time_s (время события от начала файла, с),\n"
    "interval_s (до следующего события, с), frequency_Hz (1 / interval_s), и по\n"
    "отрезку от события до следующего: peak_to_peak_V, maximum_V, minimum_V, mean_V,\n"
    "rms_V, ac_rms_V (вольты). У последнего события отрезок идёт до конца файла\n"
    "(или --to), а интервала и частоты нет: в CSV пустое поле, в таблице «-».\n"
    "\n");

const char *const kEventKeys[] = {"event", "time_s", "interval_s", "frequency_Hz", "peak_to_peak_V",
                                  "maximum_V", "minimum_V", "mean_V", "rms_V", "ac_rms_V"};
constexpr int kEventColumns = int(std::size(kEventKeys));
// Widths of the plain table's columns: times to the nanosecond, 7-digit volts.
constexpr int kEventWidths[kEventColumns] = {9, 16, 14, 14, 14, 14, 14, 14, 14, 14};

// Seconds to the nanosecond, as the CSV export writes times: from whole
// nanoseconds, which an hour's times hold exactly (well under 2^53).
char *putSeconds(char *at, double seconds)
{
    const int64_t ns = std::llround(seconds * 1e9);
    const int64_t whole = ns / 1000000000, part = std::abs(ns % 1000000000);
    if (ns < 0 && whole == 0)
        *at++ = '-';
    at = std::to_chars(at, at + 24, whole).ptr;
    *at++ = '.';
    for (int64_t scale = 100000000; scale > 0; scale /= 10)
        *at++ = char('0' + part / scale % 10);
    return at;
}

// Events go out as they are found, a megabyte at a time, written straight
// into one buffer: an hour of a tone is millions of rows.
class Table {
public:
    explicit Table(bool csv) : csv_(csv), buffer_(size_t(kSize))
    {
        char *at = buffer_.data();
        for (int i = 0; i < kEventColumns; ++i)
            at = cell(at, kEventKeys[i], std::strlen(kEventKeys[i]), i);
        *at++ = '\n';
        used_ = size_t(at - buffer_.data());
    }
    ~Table() { flush(); }

    void Row(const double (&v)[kEventColumns])
    {
        static constexpr int kDigits[kEventColumns] = {17, 0, 9, 9, 7, 7, 7, 7, 7, 7};
        if (buffer_.size() - used_ < kRowRoom)
            flush();
        char *at = buffer_.data() + used_;
        for (int i = 0; i < kEventColumns; ++i) {
            char text[64];
            char *end = text;
            if (std::isfinite(v[i]))
                end = i == 1 ? putSeconds(text, v[i]) : PutNumber(text, v[i], kDigits[i]);
            else if (!csv_)
                *end++ = '-';
            at = cell(at, text, size_t(end - text), i);
        }
        *at++ = '\n';
        used_ = size_t(at - buffer_.data());
    }

private:
    char *cell(char *at, const char *text, size_t n, int column) const
    {
        if (csv_) {
            if (column)
                *at++ = ',';
        } else {
            const size_t width = size_t(kEventWidths[column]);
            const size_t pad = width > n ? width - n : column ? 1 : 0;
            std::memset(at, ' ', pad);
            at += pad;
        }
        std::memcpy(at, text, n);
        return at + n;
    }
    void flush()
    {
        out(QByteArray::fromRawData(buffer_.data(), qsizetype(used_)));
        used_ = 0;
    }

    static constexpr size_t kSize = size_t(1) << 20;
    static constexpr size_t kRowRoom = 2048;  // ten cells of 64 characters and their padding
    bool csv_;
    std::vector<char> buffer_;
    size_t used_ = 0;
};

}  // namespace

int Events(const QStringList &args)
{
    Command c;
    c.name = QStringLiteral("events");
    c.help = QCoreApplication::translate("Cli", kEventsHelp) + QCoreApplication::translate("Cli", kCommonHelp);
    for (const char *name : {"level", "slope", "channel", "hysteresis", "holdoff", "from", "to", "calibration"})
        c.parser.addOption(valueOption(QLatin1String(name), QStringLiteral("X")));
    c.parser.addOption(QCommandLineOption(QStringLiteral("csv")));
    if (const int rc = parse(c, args, 1); rc >= 0)
        return rc;
    auto volts = [&](const char *name) { return ParseVolts(c.parser.value(QLatin1String(name))); };
    if (!c.parser.isSet(QStringLiteral("level")))
        return usage(c.name, QCoreApplication::translate("Cli", "не задан уровень: --level U"));
    const std::optional<double> level = volts("level");
    if (!level)
        return usage(c.name, QCoreApplication::translate("Cli", "--level: «%1» не напряжение (например 0.1, -0,25, 100mV, 100 мВ)")
                                 .arg(c.parser.value(QStringLiteral("level"))));
    std::optional<double> hysteresis;
    if (c.parser.isSet(QStringLiteral("hysteresis"))) {
        hysteresis = volts("hysteresis");
        if (!hysteresis || *hysteresis < 0)
            return usage(c.name, QCoreApplication::translate("Cli", "--hysteresis: «%1» не напряжение не меньше нуля")
                                     .arg(c.parser.value(QStringLiteral("hysteresis"))));
    }
    Trigger::Condition condition;
    const QString slope = c.parser.value(QStringLiteral("slope"));
    if (slope == QLatin1String("fall"))
        condition.slope = Trigger::Slope::Falling;
    else if (!slope.isEmpty() && slope != QLatin1String("rise"))
        return usage(c.name, QCoreApplication::translate("Cli", "--slope: rise или fall, а не «%1»").arg(slope));

    const QString path = c.parser.positionalArguments().first();
    WavStream wav;
    if (const int rc = open(c, wav, path); rc >= 0)
        return rc;
    QString error;
    std::array<double, 2> factors{1, 1};
    int64_t first = 0, count = 0;
    std::vector<int> list;
    if (!calibration(c, &factors, &error) || !span(c, wav, &first, &count, &error) || !channels(c, wav, &list, &error))
        return usage(c.name, error);
    const int channel = c.parser.isSet(QStringLiteral("channel")) ? list.front() : 0;
    const double rate = wav.SampleRate();
    double holdoffFrames = 0;
    if (c.parser.isSet(QStringLiteral("holdoff"))) {
        const std::optional<double> seconds = ParseSeconds(c.parser.value(QStringLiteral("holdoff")));
        if (!seconds)
            return usage(c.name, QCoreApplication::translate("Cli", "--holdoff: «%1» не время (например 1.5, 250ms, 100 мкС)")
                                     .arg(c.parser.value(QStringLiteral("holdoff"))));
        holdoffFrames = *seconds * rate;
    }

    const double factor = factors[size_t(channel)];
    condition.level = Calibration::ToUnits(*level, factor);
    condition.hysteresis = hysteresis ? Calibration::ToUnits(*hysteresis, factor) : Options::HysteresisUnits(1);
    const double v = Calibration::VoltsPerUnit(factor);

    Events::Index index(condition, holdoffFrames);
    int64_t number = 0;
    {
        Table table(c.parser.isSet(QStringLiteral("csv")));
        auto write = [&](const std::vector<Events::Event> &events) {
            for (const Events::Event &e : events) {
                const double interval = e.interval / rate;
                const double row[kEventColumns] = {
                    double(++number), (double(first) + e.position) / rate, interval, 1.0 / interval,
                    double(e.maximum - e.minimum) * v, e.maximum * v, e.minimum * v, e.mean * v, e.rms * v,
                    e.rmsAc * v};
                table.Row(row);
            }
        };
        const int nch = wav.Channels();
        std::vector<Events::Event> found;
        if (!wav.Read(first, count, [&](const int16_t *s, int64_t frames) {
                index.Add(s, size_t(frames), nch, channel);
                index.Take(&found);
                write(found);
            }, &error))
            return fail(c.name, kExitIoErr, error);
        index.Finish();
        index.Take(&found);
        write(found);
    }
    return kExitOk;
}

}  // namespace Cli
