// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"
#include "cli/clicommon.h"

#include "analysis/calibration.h"
#include "analysis/fourier.h"
#include "analysis/measure.h"
#include "analysis/measurestream.h"
#include "app/commandline.h"
#include "cli/wavstream.h"
#include "display/paneltables.h"
#include "export/atomicfile.h"
#include "export/csvexport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

namespace Cli {

// ---- Output ----

void out(const QByteArray &text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
}

int fail(const QString &command, int code, const QString &text)
{
    QString line = QStringLiteral("sigmalit %1: %2").arg(command, text);
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    return code;
}

int usage(const QString &command, const QString &text)
{
    return fail(command, kExitUsage, text + QCoreApplication::translate("Cli", " (см. sigmalit %1 --help)").arg(command));
}

namespace {

// A number for JSON: null where there is none.
QByteArray jsonNumber(double v, int digits = 7)
{
    return std::isfinite(v) ? Number(v, digits) : QByteArrayLiteral("null");
}
}  // namespace

QByteArray csvNumber(double v, int digits)
{
    return std::isfinite(v) ? Number(v, digits) : QByteArray();
}

namespace {

// One line of readings a channel: in JSON the "readings" array that closes
// `jsonHead` (an object left open), else CSV under a header of the keys.
template <size_t N, class Values, class Digits>
QByteArray readingsTable(const char *const (&keys)[N], const std::vector<int> &channels, Values values, Digits digits,
                         const QByteArray *jsonHead)
{
    QByteArray text;
    if (jsonHead) {
        text = *jsonHead;
        for (size_t k = 0; k < channels.size(); ++k) {
            const auto v = values(channels[k]);
            text += k ? ",\n  {" : "\n  {";
            for (size_t i = 0; i < v.size(); ++i)
                text += QByteArray(i ? ", \"" : "\"") + keys[i] + "\": " + jsonNumber(v[i], digits(i));
            text += '}';
        }
        text += "]}\n";
        return text;
    }
    for (size_t i = 0; i < N; ++i)
        text += QByteArray(i ? "," : "") + keys[i];
    text += '\n';
    for (int ch : channels) {
        const auto v = values(ch);
        for (size_t i = 0; i < v.size(); ++i)
            text += (i ? "," : "") + csvNumber(v[i], digits(i));
        text += '\n';
    }
    return text;
}
QByteArray jsonString(const QString &s)
{
    const QByteArray a = QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact);
    return a.mid(1, a.size() - 2);
}

}  // namespace

// ---- Options shared by the subcommands ----

QCommandLineOption valueOption(const QString &name, const QString &valueName)
{
    return QCommandLineOption(name, QString(), valueName);
}

int parse(Command &c, const QStringList &args, int files)
{
    c.parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    c.parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
    QStringList all{QStringLiteral("sigmalit")};
    all += args;
    if (!c.parser.parse(all)) {
        const QStringList unknown = c.parser.unknownOptionNames();
        if (!unknown.isEmpty())
            return usage(c.name, QCoreApplication::translate("Cli", "неизвестный параметр «%1»")
                                     .arg(CommandLine::TypedOption(args, unknown.first())));
        return usage(c.name, c.parser.errorText());
    }
    if (c.parser.isSet(QStringLiteral("help"))) {
        out(c.help.toUtf8());
        return kExitOk;
    }
    if (c.parser.positionalArguments().size() != files)
        return usage(c.name, c.parser.positionalArguments().size() < files
                                 ? QCoreApplication::translate("Cli", "не назван файл")
                                 : QCoreApplication::translate("Cli", "лишний параметр «%1»").arg(c.parser.positionalArguments().at(files)));
    return -1;
}

int open(const Command &c, WavStream &wav, const QString &path)
{
    QString error;
    const WavLayout::Verdict v = wav.Open(path, &error);
    switch (v) {
    case WavLayout::Verdict::Ok: return -1;
    case WavLayout::Verdict::Missing:
    case WavLayout::Verdict::Unreadable: return fail(c.name, kExitNoInput, error);
    default: return fail(c.name, kExitDataErr, error);
    }
}

bool calibration(const Command &c, std::array<double, 2> *factors, QString *error)
{
    const QString given = c.parser.value(QStringLiteral("calibration"));
    if (given.isEmpty()) {
        *factors = {Calibration::StoredFactor(1), Calibration::StoredFactor(2)};
        return true;
    }
    const QStringList parts = given.split(QLatin1Char(','));
    if (parts.size() > 2) {
        *error = QCoreApplication::translate("Cli", "--calibration: не больше двух множителей через запятую");
        return false;
    }
    for (int ch = 0; ch < 2; ++ch) {
        bool ok = false;
        const double k = parts.value(std::min<int>(ch, int(parts.size()) - 1)).trimmed().toDouble(&ok);
        if (!ok || !Calibration::IsValidFactor(k)) {
            *error = QCoreApplication::translate("Cli", "--calibration: множитель «%1» не число от %2 до %3")
                         .arg(parts.value(ch), QString::fromLatin1(Number(Calibration::kMinFactor)),
                              QString::fromLatin1(Number(Calibration::kMaxFactor)));
            return false;
        }
        (*factors)[size_t(ch)] = k;
    }
    return true;
}

std::optional<int64_t> frameOption(const Command &c, const QString &name, int rate, QString *error)
{
    if (!c.parser.isSet(name))
        return std::nullopt;
    const QString text = c.parser.value(name);
    const std::optional<double> s = ParseSeconds(text);
    if (!s) {
        *error = QCoreApplication::translate("Cli", "--%1: «%2» не время (например 1.5, 250ms, 100 мкС)").arg(name, text);
        return std::optional<int64_t>(-1);
    }
    return std::llround(*s * rate);
}

bool span(const Command &c, const WavStream &wav, int64_t *first, int64_t *count, QString *error)
{
    const int rate = wav.SampleRate();
    const auto from = frameOption(c, QStringLiteral("from"), rate, error);
    if (from && *from < 0)
        return false;
    const auto to = frameOption(c, QStringLiteral("to"), rate, error);
    if (to && *to < 0)
        return false;
    *first = from.value_or(0);
    const int64_t end = std::min(to.value_or(wav.Frames()), wav.Frames());
    if (*first >= wav.Frames() && wav.Frames() > 0) {
        *error = QCoreApplication::translate("Cli", "--from за концом файла (в нём %1 с)").arg(QString::fromLatin1(Number(double(wav.Frames()) / rate)));
        return false;
    }
    if (end <= *first && wav.Frames() > 0) {
        *error = QCoreApplication::translate("Cli", "--to должно быть позже --from");
        return false;
    }
    *count = std::max<int64_t>(0, end - *first);
    return true;
}

bool channels(const Command &c, const WavStream &wav, std::vector<int> *list, QString *error)
{
    list->clear();
    if (!c.parser.isSet(QStringLiteral("channel"))) {
        for (int ch = 0; ch < wav.Channels(); ++ch)
            list->push_back(ch);
        return true;
    }
    const QString v = c.parser.value(QStringLiteral("channel"));
    if (v != QLatin1String("1") && v != QLatin1String("2")) {
        *error = QCoreApplication::translate("Cli", "--channel: 1 или 2, а не «%1»").arg(v);
        return false;
    }
    if (v.toInt() > wav.Channels()) {
        *error = QCoreApplication::translate("Cli", "в файле один канал, второго нет");
        return false;
    }
    list->push_back(v.toInt() - 1);
    return true;
}

const char *const kCommonHelp = QT_TRANSLATE_NOOP("Cli", 
    "Время (T): секунды от начала файла: 1.5, 250ms, 250 мС, 100us, 100 мкС.\n"
    "Результат печатается на стандартный вывод, числа всегда с точкой; сообщение\n"
    "об ошибке — одна строка на стандартный вывод ошибок.\n"
    "Коды завершения: 0 — успешно, 64 — ошибка в командной строке, 65 — файл\n"
    "отвергнут или повреждён, 66 — файла нет или он не читается, 74 — ошибка\n"
    "чтения или записи.\n");

namespace {

// ---- measure ----

const char *const kMeasureHelp = QT_TRANSLATE_NOOP("Cli", 
    "Использование: sigmalit measure ФАЙЛ.wav [--from T] [--to T] [--channel 1|2] [--json]\n"
    "                                [--calibration K1[,K2]]\n"
    "Измерения строки показаний по каждому каналу осциллограммы, в вольтах\n"
    "с учётом калибровки: частота, период, размах, максимум, минимум, среднее,\n"
    "СКЗ и СКЗ переменной составляющей. Частота и период — по целым периодам\n"
    "между пересечениями среднего уровня, как в окне.\n"
    "\n"
    "  --from T, --to T       только этот отрезок файла (по умолчанию весь файл)\n"
    "  --channel 1|2          только этот канал\n"
    "  --json                 вывод в JSON вместо таблицы CSV\n"
    "  --calibration K1[,K2]  калибровочные множители каналов вместо сохранённых\n"
    "                         в настройках (один множитель — для обоих каналов)\n"
    "\n"
    "Столбцы CSV (и ключи JSON): channel, samples, periods, frequency_Hz, period_s,\n"
    "peak_to_peak_V, maximum_V, minimum_V, mean_V, rms_V, ac_rms_V, calibration.\n"
    "Пустое поле (null в JSON) — величины нет: меньше одного периода.\n"
    "JSON: {\"file\", \"sample_rate_Hz\", \"channels\", \"from_s\", \"to_s\", \"readings\": [...]}.\n"
    "\n");

const char *const kMeasureKeys[] = {"channel", "samples", "periods", "frequency_Hz", "period_s", "peak_to_peak_V",
                                    "maximum_V", "minimum_V", "mean_V", "rms_V", "ac_rms_V", "calibration"};

int measure(const QStringList &args)
{
    Command c;
    c.name = QStringLiteral("measure");
    c.help = QCoreApplication::translate("Cli", kMeasureHelp) + QCoreApplication::translate("Cli", kCommonHelp);
    c.parser.addOption(valueOption(QStringLiteral("from"), QStringLiteral("T")));
    c.parser.addOption(valueOption(QStringLiteral("to"), QStringLiteral("T")));
    c.parser.addOption(valueOption(QStringLiteral("channel"), QStringLiteral("N")));
    c.parser.addOption(valueOption(QStringLiteral("calibration"), QStringLiteral("K")));
    c.parser.addOption(QCommandLineOption(QStringLiteral("json")));
    if (const int rc = parse(c, args, 1); rc >= 0)
        return rc;
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

    const int nch = wav.Channels();
    const double rate = wav.SampleRate();
    // The extremes set the level the frequency is timed at. They are guessed
    // from the first block; a steady signal shows them there, and then one
    // pass does. Where the guess was wrong, a second pass with the extremes
    // the first one found.
    std::array<int, 2> lo{INT_MAX, INT_MAX}, hi{INT_MIN, INT_MIN};
    bool guessed = false;
    if (!wav.Read(first, std::min<int64_t>(count, 1 << 16), [&](const int16_t *s, int64_t frames) {
            if (guessed)
                return;
            guessed = true;
            for (int ch : list) {
                for (int64_t f = 0; f < frames; ++f) {
                    lo[size_t(ch)] = std::min<int>(lo[size_t(ch)], s[f * nch + ch]);
                    hi[size_t(ch)] = std::max<int>(hi[size_t(ch)], s[f * nch + ch]);
                }
            }
        }, &error))
        return fail(c.name, kExitIoErr, error);

    std::array<Measure::Readings, 2> readings;
    std::vector<int> todo = list;
    for (int pass = 0; pass < 2 && !todo.empty(); ++pass) {
        std::vector<Measure::Stream> streams;
        for (int ch : todo)
            streams.emplace_back(rate, lo[size_t(ch)], hi[size_t(ch)]);
        if (!wav.Read(first, count, [&](const int16_t *s, int64_t frames) {
                for (size_t k = 0; k < todo.size(); ++k)
                    streams[k].Add(s + todo[k], size_t(frames), size_t(nch));
            }, &error))
            return fail(c.name, kExitIoErr, error);
        std::vector<int> again;
        for (size_t k = 0; k < todo.size(); ++k) {
            const size_t ch = size_t(todo[k]);
            if (streams[k].Exact() || pass == 1) {
                readings[ch] = streams[k].Finish();
            } else {
                lo[ch] = streams[k].Lowest();
                hi[ch] = streams[k].Highest();
                again.push_back(todo[k]);
            }
        }
        todo = again;
    }

    auto values = [&](int ch) {
        const Measure::Readings &r = readings[size_t(ch)];
        const double v = Calibration::VoltsPerUnit(factors[size_t(ch)]);
        const bool any = r.count > 0;
        const double nan = std::nan("");
        return std::array<double, 12>{double(ch + 1), double(r.count), double(r.periods), r.frequency, r.period,
                                      any ? r.peakToPeak * v : nan, any ? r.maximum * v : nan,
                                      any ? r.minimum * v : nan, any ? r.mean * v : nan, any ? r.rms * v : nan,
                                      any ? r.rmsAc * v : nan, factors[size_t(ch)]};
    };
    // Whole counts print whole; the rest with 7 digits (volts as the CSV
    // export gives them, frequency finer than the window's 5).
    auto digits = [](size_t i) { return i <= 2 ? 17 : i == 11 ? 9 : 7; };
    QByteArray head;
    if (c.parser.isSet(QStringLiteral("json")))
        head = "{\"file\": " + jsonString(path) + ", \"sample_rate_Hz\": " + Number(rate, 9) +
               ", \"channels\": " + Number(nch) + ", \"from_s\": " + Number(first / rate, 12) +
               ", \"to_s\": " + Number((first + count) / rate, 12) + ", \"readings\": [";
    const QByteArray text =
        readingsTable(kMeasureKeys, list, values, digits, c.parser.isSet(QStringLiteral("json")) ? &head : nullptr);
    out(text);
    return kExitOk;
}

// ---- spectrum ----

const char *const kSpectrumHelp = QT_TRANSLATE_NOOP("Cli", 
    "Использование: sigmalit spectrum ФАЙЛ.wav [--size N] [--window hann|blackman-harris|flat-top]\n"
    "                                 [--average N] [--at T] [--csv|--json] [--calibration K1[,K2]]\n"
    "Спектр осциллограммы, как в окне «Спектр сигнала»: сильнейший пик, КНИ и КНИ+Ш\n"
    "(по гармоникам 2…10) по каждому каналу.\n"
    "\n"
    "  --size N        длина преобразования, степень двойки от 1024 до 65536 (4096)\n"
    "  --window W      окно: hann (по умолчанию), blackman-harris, flat-top\n"
    "  --average N     усреднить N спектров подряд идущих отрезков (1)\n"
    "  --at T          начало первого отрезка (0)\n"
    "  --csv           сам спектр: frequency_Hz, channel1_dBFS[, channel2_dBFS]\n"
    "  --json          показания в JSON\n"
    "  --calibration K1[,K2]  множители для уровня в дБВ вместо сохранённых\n"
    "\n"
    "Столбцы таблицы показаний (и ключи JSON в \"readings\"): channel, peak_frequency_Hz,\n"
    "peak_dBFS, peak_dBV, thd_dB, thd_percent, thd_n_dB, harmonics. Пустое поле\n"
    "(null в JSON) — величины нет. JSON: {\"file\", \"sample_rate_Hz\", \"size\", \"window\",\n"
    "\"averages\", \"bin_width_Hz\", \"at_s\", \"readings\": [...]}.\n"
    "\n");

const char *const kSpectrumKeys[] = {"channel", "peak_frequency_Hz", "peak_dBFS", "peak_dBV",
                                     "thd_dB", "thd_percent", "thd_n_dB", "harmonics"};

int spectrum(const QStringList &args)
{
    Command c;
    c.name = QStringLiteral("spectrum");
    c.help = QCoreApplication::translate("Cli", kSpectrumHelp) + QCoreApplication::translate("Cli", kCommonHelp);
    c.parser.addOption(valueOption(QStringLiteral("size"), QStringLiteral("N")));
    c.parser.addOption(valueOption(QStringLiteral("window"), QStringLiteral("W")));
    c.parser.addOption(valueOption(QStringLiteral("average"), QStringLiteral("N")));
    c.parser.addOption(valueOption(QStringLiteral("at"), QStringLiteral("T")));
    c.parser.addOption(valueOption(QStringLiteral("calibration"), QStringLiteral("K")));
    c.parser.addOption(QCommandLineOption(QStringLiteral("csv")));
    c.parser.addOption(QCommandLineOption(QStringLiteral("json")));
    if (const int rc = parse(c, args, 1); rc >= 0)
        return rc;
    const bool csv = c.parser.isSet(QStringLiteral("csv")), json = c.parser.isSet(QStringLiteral("json"));
    if (csv && json)
        return usage(c.name, QCoreApplication::translate("Cli", "--csv и --json вместе не даются"));
    bool ok = true;
    const int size = c.parser.isSet(QStringLiteral("size")) ? c.parser.value(QStringLiteral("size")).toInt(&ok) : 4096;
    if (!ok || !Spectrum::IsValidSize(size))
        return usage(c.name, QCoreApplication::translate("Cli", "--size: степень двойки от %1 до %2").arg(Spectrum::kMinSize).arg(Spectrum::kMaxSize));
    const int averages = c.parser.isSet(QStringLiteral("average")) ? c.parser.value(QStringLiteral("average")).toInt(&ok) : 1;
    if (!ok || averages < 1 || averages > 1000)
        return usage(c.name, QCoreApplication::translate("Cli", "--average: число спектров от 1 до 1000"));
    const QString windowName = c.parser.value(QStringLiteral("window")).isEmpty()
                                   ? QStringLiteral("hann") : c.parser.value(QStringLiteral("window"));
    const QStringList windows{QStringLiteral("hann"), QStringLiteral("blackman-harris"), QStringLiteral("flat-top")};
    if (!windows.contains(windowName))
        return usage(c.name, QCoreApplication::translate("Cli", "--window: hann, blackman-harris или flat-top, а не «%1»").arg(windowName));

    const QString path = c.parser.positionalArguments().first();
    WavStream wav;
    if (const int rc = open(c, wav, path); rc >= 0)
        return rc;
    QString error;
    std::array<double, 2> factors{1, 1};
    if (!calibration(c, &factors, &error))
        return usage(c.name, error);
    const auto at = frameOption(c, QStringLiteral("at"), wav.SampleRate(), &error);
    if (at && *at < 0)
        return usage(c.name, error);
    const int64_t first = at.value_or(0);
    if (wav.Frames() - first < 2)
        return usage(c.name, wav.Frames() < 2 ? QCoreApplication::translate("Cli", "в файле нет отсчётов для спектра")
                                              : QCoreApplication::translate("Cli", "--at за концом файла"));

    Spectrum::Analyzer analyzer;
    analyzer.Configure(size, Spectrum::WindowKind(windows.indexOf(windowName)),
                       averages > 1 ? Spectrum::Averaging::Linear : Spectrum::Averaging::Off, averages);
    // Whole stretches only: a shorter one would start averaging again. A
    // file shorter than one stretch is analysed as it is, padded.
    const int64_t available = wav.Frames() - first;
    const int64_t stretches = available >= size ? std::min<int64_t>(averages, available / size) : 1;
    const int64_t frames = available >= size ? stretches * size : available;
    std::vector<int16_t> stretch;
    const int nch = wav.Channels();
    if (!wav.Read(first, frames, [&](const int16_t *s, int64_t n) {
            for (int64_t f = 0; f < n; ++f) {
                stretch.insert(stretch.end(), s + f * nch, s + (f + 1) * nch);
                if (int64_t(stretch.size()) == int64_t(size) * nch) {
                    analyzer.AddInterleaved16(stretch.data(), size, nch, wav.SampleRate());
                    stretch.clear();
                }
            }
        }, &error))
        return fail(c.name, kExitIoErr, error);
    if (!stretch.empty())
        analyzer.AddInterleaved16(stretch.data(), int(stretch.size() / size_t(nch)), nch, wav.SampleRate());

    auto dbfs = [](double power) { return 10 * std::log10(std::max(power, 1e-30)); };
    QByteArray text;
    if (csv) {
        text = "frequency_Hz";
        for (int ch = 0; ch < nch; ++ch)
            text += ",channel" + Number(ch + 1) + "_dBFS";
        text += '\n';
        for (int b = 0; b < analyzer.Bins(); ++b) {
            text += Number(b * analyzer.BinWidth(), 9);
            for (int ch = 0; ch < nch; ++ch)
                text += ',' + Number(dbfs(analyzer.Power(ch)[size_t(b)]), 6);
            text += '\n';
        }
        out(text);
        return kExitOk;
    }
    auto values = [&](int ch) {
        const double nan = std::nan("");
        const Spectrum::Peak peak = analyzer.StrongestPeak(ch);
        const Spectrum::Distortion d = analyzer.DistortionOf(ch);
        const bool thd = peak.found && d.valid && d.harmonics > 0;
        return std::array<double, 8>{
            double(ch + 1), peak.found ? peak.frequency : nan, peak.found ? Spectrum::ToDbfs(peak.amplitude) : nan,
            peak.found ? Spectrum::ToDbv(peak.amplitude, Calibration::kNominalFullScaleVolts * factors[size_t(ch)]) : nan,
            thd ? Spectrum::ToDbfs(d.thd) : nan, thd ? 100 * d.thd : nan,
            peak.found && d.valid ? Spectrum::ToDbfs(d.thdPlusNoise) : nan, peak.found && d.valid ? double(d.harmonics) : nan};
    };
    auto digits = [](size_t i) { return i == 0 || i == 7 ? 17 : i == 1 ? 8 : 5; };
    std::vector<int> all;
    for (int ch = 0; ch < nch; ++ch)
        all.push_back(ch);
    QByteArray head;
    if (json)
        head = "{\"file\": " + jsonString(path) + ", \"sample_rate_Hz\": " + Number(wav.SampleRate()) +
               ", \"size\": " + Number(size) + ", \"window\": " + jsonString(windowName) +
               ", \"averages\": " + Number(analyzer.SpectraAveraged()) + ", \"bin_width_Hz\": " +
               Number(analyzer.BinWidth(), 9) + ", \"at_s\": " + Number(first / double(wav.SampleRate()), 12) +
               ", \"readings\": [";
    text = readingsTable(kSpectrumKeys, all, values, digits, json ? &head : nullptr);
    out(text);
    return kExitOk;
}

// ---- export ----

const char *const kExportHelp = QT_TRANSLATE_NOOP("Cli", 
    "Использование: sigmalit export ФАЙЛ.wav --csv ВЫХОД.csv [--from T --to T]\n"
    "                               [--at T [--sweep ВРЕМЯ/ДЕЛ]] [--calibration K1[,K2]]\n"
    "       sigmalit export ФАЙЛ.wav (--png ВЫХОД.png | --svg ВЫХОД.svg) [--at T]\n"
    "                               [--sweep ВРЕМЯ/ДЕЛ] [--volts-per-div U [--volts-per-div U2]]\n"
    "       sigmalit export ФАЙЛ.wav (--png ВЫХОД.png | --svg ВЫХОД.svg) --from T --to T\n"
    "Отсчёты осциллограммы в таблицу CSV, как команда окна «Экспорт отсчётов»:\n"
    "строка заголовка «время_с,канал1_В[,канал2_В]», затем по строке на отсчёт —\n"
    "время в секундах и напряжение каждого канала в вольтах с учётом калибровки.\n"
    "Или один экран рисунком PNG или SVG, как команды окна «Экран в PNG/SVG»: сетка,\n"
    "лучи обоих каналов (без постоянной составляющей, как в окне) и строка настроек\n"
    "под экраном; рисуется без дисплея. Размер экрана — как в окне при первом\n"
    "запуске.\n"
    "Файл пишется целиком или никак: прежний файл остаётся, если запись не удалась.\n"
    "\n"
    "  --csv ВЫХОД.csv  куда записать таблицу\n"
    "  --png ВЫХОД.png, --svg ВЫХОД.svg  куда записать рисунок экрана\n"
    "  --from T, --to T отрезок файла (по умолчанию весь файл); для рисунка — экран\n"
    "                   с начала отрезка при самой быстрой развёртке, что его вмещает\n"
    "  --at T           один экран, начиная с T\n"
    "  --sweep В        развёртка экрана: от «100 мС» до «50 мкС» (100ms … 50us);\n"
    "                   по умолчанию 1 мС на деление\n"
    "  --volts-per-div U  чувствительность рисунка, как на переключателе прибора: от\n"
    "                   «100 мВ» до «20 мкВ» (100mV … 20uV) на деление; дважды — для\n"
    "                   каналов 1 и 2 порознь; по умолчанию 100 мВ\n"
    "  --calibration K1[,K2]  множители вместо сохранённых в настройках (для CSV)\n"
    "\n");

int exportCommand(const QStringList &args)
{
    Command c;
    c.name = QStringLiteral("export");
    c.help = QCoreApplication::translate("Cli", kExportHelp) + QCoreApplication::translate("Cli", kCommonHelp);
    for (const char *name : {"csv", "png", "svg", "from", "to", "at", "sweep", "volts-per-div", "calibration"})
        c.parser.addOption(valueOption(QLatin1String(name), QStringLiteral("X")));
    if (const int rc = parse(c, args, 1); rc >= 0)
        return rc;
    const bool csv = c.parser.isSet(QStringLiteral("csv")), png = c.parser.isSet(QStringLiteral("png")),
               svg = c.parser.isSet(QStringLiteral("svg"));
    if (int(csv) + int(png) + int(svg) != 1)
        return usage(c.name, QCoreApplication::translate("Cli", "нужно одно из --csv ВЫХОД.csv, --png ВЫХОД.png, --svg ВЫХОД.svg"));
    const QString target = c.parser.value(QLatin1String(csv ? "csv" : png ? "png" : "svg"));
    if (target.isEmpty())
        return usage(c.name, QCoreApplication::translate("Cli", "не назван файл, куда выгрузить"));
    const bool at = c.parser.isSet(QStringLiteral("at")), sweep = c.parser.isSet(QStringLiteral("sweep"));
    const bool from = c.parser.isSet(QStringLiteral("from")), to = c.parser.isSet(QStringLiteral("to"));
    const bool screen = at || sweep;
    if (screen && (from || to))
        return usage(c.name, QCoreApplication::translate("Cli", "--at/--sweep (экран) и --from/--to (отрезок) вместе не даются"));
    // The sweep is one of the front panel's, given as time per division.
    int sweepIndex = 6;  // 1 мС
    if (sweep) {
        const std::optional<int> index = SweepIndex(c.parser.value(QStringLiteral("sweep")));
        if (!index)
            return usage(c.name, QCoreApplication::translate("Cli", "--sweep: «%1» не развёртка прибора (от 100 мС до 50 мкС на деление)")
                                     .arg(c.parser.value(QStringLiteral("sweep"))));
        sweepIndex = *index;
    }
    PictureRequest picture;
    picture.target = target;
    picture.svg = svg;
    const QStringList perDivision = c.parser.values(QStringLiteral("volts-per-div"));
    if (csv && !perDivision.isEmpty())
        return usage(c.name, QCoreApplication::translate("Cli", "--volts-per-div — только для рисунка (--png, --svg)"));
    if (perDivision.size() > 2)
        return usage(c.name, QCoreApplication::translate("Cli", "--volts-per-div не больше двух раз: для каналов 1 и 2"));
    for (int ch = 0; ch < 2 && !perDivision.isEmpty(); ++ch) {
        const QString text = perDivision.value(std::min<int>(ch, int(perDivision.size()) - 1));
        const std::optional<int> index = SensitivityIndex(text);
        if (!index)
            return usage(c.name,
                         QCoreApplication::translate("Cli", "--volts-per-div: «%1» не чувствительность прибора (от 100 мВ до 20 мкВ на деление)")
                             .arg(text));
        picture.sensitivityIndex[ch] = *index;
    }

    const QString path = c.parser.positionalArguments().first();
    WavStream wav;
    if (const int rc = open(c, wav, path); rc >= 0)
        return rc;
    QString error;
    if (!csv) {
        int64_t first = 0, count = 0;
        if (at) {
            const auto start = frameOption(c, QStringLiteral("at"), wav.SampleRate(), &error);
            if (start && *start < 0)
                return usage(c.name, error);
            first = start.value_or(0);
        } else if (!span(c, wav, &first, &count, &error)) {
            return usage(c.name, error);
        }
        if (first >= wav.Frames() && wav.Frames() > 0)
            return usage(c.name, QCoreApplication::translate("Cli", "--at за концом файла"));
        if (from && to) {
            // The fastest sweep whose screen holds the stretch.
            int fits = -1;
            for (size_t i = 0; i < Panel::kSweep.size(); ++i)
                if (double(count) * Panel::kSweep[i].itemData <= double(wav.SampleRate()) * (1 + 1e-9))
                    fits = int(i);
            if (fits < 0)
                return usage(c.name, QCoreApplication::translate("Cli", "отрезок длиннее экрана самой медленной развёртки (1 с)"));
            sweepIndex = fits;
        }
        picture.firstFrame = first;
        picture.sweepIndex = sweepIndex;
        return ExportPicture(c, wav, path, picture);
    }

    std::array<double, 2> factors{1, 1};
    CsvExport::Span what;
    if (!calibration(c, &factors, &error))
        return usage(c.name, error);
    if (screen) {
        const auto start = frameOption(c, QStringLiteral("at"), wav.SampleRate(), &error);
        if (start && *start < 0)
            return usage(c.name, error);
        what.firstFrame = start.value_or(0);
        if (what.firstFrame >= wav.Frames() && wav.Frames() > 0)
            return usage(c.name, QCoreApplication::translate("Cli", "--at за концом файла"));
        what.frameCount = std::llround(double(wav.SampleRate()) / Panel::kSweep[size_t(sweepIndex)].itemData);
    } else {
        int64_t first = 0, count = 0;
        if (!span(c, wav, &first, &count, &error))
            return usage(c.name, error);
        what.firstFrame = first;
        what.frameCount = count;
    }
    if (const QString refusal = AtomicFile::Refusal(target); !refusal.isEmpty())
        return fail(c.name, kExitIoErr, refusal);
    const double volts[2] = {Calibration::VoltsPerUnit(factors[0]), Calibration::VoltsPerUnit(factors[1])};
    if (CsvExport::Write(path, target, what, volts, {}, &error) != CsvExport::Result::Done)
        return fail(c.name, kExitIoErr, error);
    return kExitOk;
}

}  // namespace

bool NeedsPainter(const QStringList &args)
{
    if (args.value(0) != QLatin1String("export"))
        return false;
    for (const QString &a : args) {
        for (const char *name : {"png", "svg"}) {
            const QString option = QLatin1String(name);
            if (a == QLatin1Char('-') + option || a == QLatin1String("--") + option
                || a.startsWith(QLatin1String("--") + option + QLatin1Char('='))
                || a.startsWith(QLatin1Char('-') + option + QLatin1Char('=')))
                return true;
        }
    }
    return false;
}

bool IsSubcommand(const QString &word)
{
    return word == QLatin1String("measure") || word == QLatin1String("spectrum") || word == QLatin1String("export")
           || word == QLatin1String("events") || word == QLatin1String("record");
}

int Run(const QStringList &args)
{
    const QString command = args.value(0);
    const QStringList rest = args.mid(1);
    int rc = kExitUsage;
    if (command == QLatin1String("measure"))
        rc = measure(rest);
    else if (command == QLatin1String("spectrum"))
        rc = spectrum(rest);
    else if (command == QLatin1String("export"))
        rc = exportCommand(rest);
    else if (command == QLatin1String("events"))
        rc = Events(rest);
    else if (command == QLatin1String("record"))
        rc = Record(rest);
    std::fflush(stdout);
    // Output that could not be written (a full disk, a closed pipe) is a
    // failure, not a success with a short file.
    if (std::ferror(stdout) && rc == kExitOk)
        return fail(command, kExitIoErr, QCoreApplication::translate("Cli", "не удалось записать результат на стандартный вывод"));
    return rc;
}

namespace {

struct Unit {
    const char16_t *names[3];
    double scale;
};

// A number with a dot or a comma, an optional sign, and one of three units
// (the first of each row is the bare number's).
std::optional<double> parseWithUnit(const QString &text, bool signed_, const Unit (&units)[3])
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*([-+−]?)\\s*([0-9]+(?:[.,][0-9]*)?|[.,][0-9]+)\\s*([^\\s0-9]*)\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch() || (!signed_ && !m.captured(1).isEmpty()))
        return std::nullopt;
    QString number = m.captured(2);
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = number.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    const QString unit = m.captured(3).toLower();
    double scale = 0;
    for (const Unit &u : units)
        for (const char16_t *name : u.names)
            if (name && unit == QStringView(name))
                scale = u.scale;
    if (scale == 0 || !std::isfinite(v * scale))
        return std::nullopt;
    return (m.captured(1).isEmpty() || m.captured(1) == QLatin1String("+") ? 1 : -1) * v * scale;
}

}  // namespace

std::optional<double> ParseSeconds(const QString &text)
{
    static const Unit units[3] = {{{u"", u"s", u"с"}, 1}, {{u"ms", u"мс", nullptr}, 1e-3}, {{u"us", u"µs", u"мкс"}, 1e-6}};
    return parseWithUnit(text, false, units);
}

std::optional<double> ParseVolts(const QString &text)
{
    static const Unit units[3] = {{{u"", u"v", u"в"}, 1}, {{u"mv", u"мв", nullptr}, 1e-3}, {{u"uv", u"µv", u"мкв"}, 1e-6}};
    return parseWithUnit(text, true, units);
}

char *PutNumber(char *at, double v, int digits)
{
    // 64 characters hold any double in either form.
    if (v == std::trunc(v) && std::abs(v) < 1e15)
        return std::to_chars(at, at + 64, int64_t(v)).ptr;
    return std::to_chars(at, at + 64, v, std::chars_format::general, digits).ptr;
}

QByteArray Number(double v, int digits)
{
    char buf[64];
    return QByteArray(buf, int(PutNumber(buf, v, digits) - buf));
}

}  // namespace Cli
