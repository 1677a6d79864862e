// SPDX-License-Identifier: GPL-3.0-or-later
// The subcommands run as the real program, with no display and a Russian
// locale, against sox-made files whose values are known, and `record`
// against the test sound server's known signal.
#include "analysis/calibration.h"
#include "cli/cli.h"
#include "platform/settings.h"
#include "testregistry.h"

#include <QDir>
#include <QImage>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

namespace {

struct Run {
    int code = -1;
    QByteArray out;
    QString err;
};

class CliRunner {
public:
    explicit CliRunner(const QString &configHome)
    {
        env_ = QProcessEnvironment::systemEnvironment();
        // No display of any kind, and a locale whose decimal point is a comma.
        for (const char *v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env_.remove(QString::fromLatin1(v));
        env_.insert(QStringLiteral("LANG"), QStringLiteral("ru_RU.UTF-8"));
        env_.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8"));
        env_.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    }
    Run operator()(const QStringList &args) const
    {
        QProcess p;
        p.setProcessEnvironment(env_);
        p.start(QStringLiteral(SIGM_PROGRAM_PATH), args);
        Run r;
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = p.readAllStandardOutput();
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

private:
    QProcessEnvironment env_;
};

void sox(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("sox"), args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        qFatal("sox failed: %s", p.readAllStandardError().constData());
}

bool near(double value, double expected, double relative)
{
    return std::abs(value - expected) <= relative * std::abs(expected);
}

// A CSV field that must be a number written with a dot.
double field(const QByteArray &line, int column)
{
    bool ok = false;
    const double v = line.split(',').value(column).toDouble(&ok);
    return ok ? v : std::nan("");
}

}  // namespace

class CliTest : public QObject {
    Q_OBJECT
private slots:
    void subcommandsReadKnownSignals()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("config"));
        // Channel 1 calibrated ×2 in the stored settings, as the window reads them.
        const QString settings = SettingsStore::FilePath();
        SettingsStore::SetFilePath(config + QStringLiteral("/sigmalit/settings.ini"));
        Calibration::StoreFactor(1, 2.0);
        SettingsStore::SetFilePath(settings);
        const CliRunner run(config);

        // 1000 Hz at half scale on channel 1, 250 Hz at a quarter plus 0.1 of
        // offset on channel 2.
        const QString wav = dir.filePath(QStringLiteral("tones.wav"));
        sox({QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("48000"), QStringLiteral("-b"),
             QStringLiteral("16"), QStringLiteral("-c"), QStringLiteral("2"), wav, QStringLiteral("synth"),
             QStringLiteral("3"), QStringLiteral("sine"), QStringLiteral("1000"), QStringLiteral("sine"),
             QStringLiteral("250"), QStringLiteral("remix"), QStringLiteral("1v0.5"), QStringLiteral("2v0.25"),
             QStringLiteral("dcshift"), QStringLiteral("0.1")});
        const double fs = Calibration::kNominalFullScaleVolts;
        const double amp[2] = {0.5 * fs * 2, 0.25 * fs}, offset[2] = {0.1 * fs * 2, 0.1 * fs};

        const Run json = run({QStringLiteral("measure"), wav, QStringLiteral("--json")});
        QVERIFY2(json.code == 0 && json.err.isEmpty(), qPrintable(json.err));
        const QJsonObject top = QJsonDocument::fromJson(json.out).object();
        QCOMPARE(top.value(QStringLiteral("sample_rate_Hz")).toInt(), 48000);
        const QJsonArray readings = top.value(QStringLiteral("readings")).toArray();
        QCOMPARE(readings.size(), 2);
        const double hz[2] = {1000, 250};
        for (int ch = 0; ch < 2; ++ch) {
            const QJsonObject r = readings[ch].toObject();
            const QString where = QStringLiteral("channel %1: ").arg(ch + 1) + QString::fromUtf8(json.out);
            QCOMPARE(r.value(QStringLiteral("channel")).toInt(), ch + 1);
            QCOMPARE(r.value(QStringLiteral("samples")).toInt(), 3 * 48000);
            QVERIFY2(near(r.value(QStringLiteral("frequency_Hz")).toDouble(), hz[ch], 0.001), qPrintable(where));
            QVERIFY2(near(r.value(QStringLiteral("period_s")).toDouble(), 1 / hz[ch], 0.001), qPrintable(where));
            QVERIFY2(near(r.value(QStringLiteral("peak_to_peak_V")).toDouble(), 2 * amp[ch], 0.005), qPrintable(where));
            QVERIFY2(near(r.value(QStringLiteral("maximum_V")).toDouble(), offset[ch] + amp[ch], 0.005), qPrintable(where));
            QVERIFY2(near(r.value(QStringLiteral("mean_V")).toDouble(), offset[ch], 0.005), qPrintable(where));
            QVERIFY2(near(r.value(QStringLiteral("ac_rms_V")).toDouble(), amp[ch] / std::sqrt(2.0), 0.005), qPrintable(where));
            QVERIFY2(near(r.value(QStringLiteral("rms_V")).toDouble(),
                          std::hypot(amp[ch] / std::sqrt(2.0), offset[ch]), 0.005), qPrintable(where));
        }

        // The table: one channel, a stretch of it, factors given on the line.
        const Run table = run({QStringLiteral("measure"), wav, QStringLiteral("--channel"), QStringLiteral("2"),
                               QStringLiteral("--from"), QStringLiteral("0,5"), QStringLiteral("--to"),
                               QStringLiteral("1500 мС"), QStringLiteral("--calibration"), QStringLiteral("1,3")});
        QCOMPARE(table.code, 0);
        const QList<QByteArray> rows = table.out.trimmed().split('\n');
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0], QByteArray("channel,samples,periods,frequency_Hz,period_s,peak_to_peak_V,maximum_V,"
                                     "minimum_V,mean_V,rms_V,ac_rms_V,calibration"));
        QCOMPARE(field(rows[1], 0), 2.0);
        QCOMPARE(field(rows[1], 1), 48000.0);
        QVERIFY2(near(field(rows[1], 3), 250, 0.001), rows[1].constData());
        QVERIFY2(near(field(rows[1], 5), 2 * 0.25 * fs * 3, 0.005), rows[1].constData());

        // The spectrum: the tone's frequency within a tenth of a bin and its
        // level within 0.1 dB; a clean sine has no distortion to speak of.
        const Run spectrum = run({QStringLiteral("spectrum"), wav, QStringLiteral("--window"), QStringLiteral("flat-top"),
                              QStringLiteral("--average"), QStringLiteral("4"), QStringLiteral("--json")});
        QVERIFY2(spectrum.code == 0, qPrintable(spectrum.err));
        const QJsonObject s = QJsonDocument::fromJson(spectrum.out).object();
        QCOMPARE(s.value(QStringLiteral("averages")).toInt(), 4);
        const double bin = s.value(QStringLiteral("bin_width_Hz")).toDouble();
        QCOMPARE(bin, 48000.0 / 4096);
        const QJsonObject s1 = s.value(QStringLiteral("readings")).toArray().at(0).toObject();
        QVERIFY2(std::abs(s1.value(QStringLiteral("peak_frequency_Hz")).toDouble() - 1000) < 0.1 * bin, spectrum.out.constData());
        QVERIFY2(std::abs(s1.value(QStringLiteral("peak_dBFS")).toDouble() - 20 * std::log10(0.5)) < 0.1, spectrum.out.constData());
        // dBV follows the stored calibration (×2 on channel 1).
        QVERIFY2(std::abs(s1.value(QStringLiteral("peak_dBV")).toDouble() - 20 * std::log10(amp[0] / std::sqrt(2.0))) < 0.1,
                 spectrum.out.constData());
        QVERIFY2(s1.value(QStringLiteral("thd_dB")).toDouble() < -60, spectrum.out.constData());
        const Run curve = run({QStringLiteral("spectrum"), wav, QStringLiteral("--csv"), QStringLiteral("--size"),
                               QStringLiteral("1024")});
        QCOMPARE(curve.code, 0);
        const QList<QByteArray> lines = curve.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 1 + 513);
        QCOMPARE(lines[0], QByteArray("frequency_Hz,channel1_dBFS,channel2_dBFS"));
        int loudest = 1;
        for (int i = 1; i < lines.size(); ++i)
            if (field(lines[i], 1) > field(lines[loudest], 1))
                loudest = i;
        QVERIFY2(std::abs(field(lines[loudest], 0) - 1000) <= 48000.0 / 1024, lines[loudest].constData());

        // One screen of 1 ms per division at 0.5 s: the window's CSV.
        const QString csv = dir.filePath(QStringLiteral("screen.csv"));
        const Run exported = run({QStringLiteral("export"), wav, QStringLiteral("--csv"), csv, QStringLiteral("--at"),
                                  QStringLiteral("0.5"), QStringLiteral("--sweep"), QStringLiteral("1ms")});
        QVERIFY2(exported.code == 0 && exported.out.isEmpty(), qPrintable(exported.err));
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> samples = f.readAll().trimmed().split('\n');
        QCOMPARE(samples.size(), 1 + 480);
        QCOMPARE(QString::fromUtf8(samples[0]), QStringLiteral("время_с,канал1_В,канал2_В"));
        QCOMPARE(field(samples[1], 0), 0.5);
        double top1 = -1;
        for (int i = 1; i < samples.size(); ++i)
            top1 = std::max(top1, field(samples[i], 1));
        QVERIFY2(near(top1, offset[0] + amp[0], 0.005), qPrintable(QString::number(top1)));

        // Events: channel 1 rises through offset + amp/2 a twelfth of a
        // period after each whole millisecond, 3000 times.
        const Run events = run({QStringLiteral("events"), wav, QStringLiteral("--level"),
                                QString::number(offset[0] + amp[0] / 2).replace(QLatin1Char('.'), QLatin1Char(',')),
                                QStringLiteral("--csv")});
        QVERIFY2(events.code == 0 && events.err.isEmpty(), qPrintable(events.err));
        const QList<QByteArray> rises = events.out.trimmed().split('\n');
        QCOMPARE(rises.size(), 1 + 3000);
        QCOMPARE(rises[0], QByteArray("event,time_s,interval_s,frequency_Hz,peak_to_peak_V,maximum_V,minimum_V,mean_V,"
                                      "rms_V,ac_rms_V"));
        for (int i = 1; i < rises.size(); ++i) {
            const QByteArray &row = rises[i];
            QCOMPARE(field(row, 0), double(i));
            QVERIFY2(std::abs(field(row, 1) - (i - 1 + 1 / 12.0) / 1000) < 1e-6, row.constData());
            if (i == rises.size() - 1) {
                // The last event has no next one to time.
                QVERIFY2(row.split(',').value(2).isEmpty() && row.split(',').value(3).isEmpty(), row.constData());
                continue;
            }
            QVERIFY2(near(field(row, 2), 0.001, 0.001) && near(field(row, 3), 1000, 0.001), row.constData());
            QVERIFY2(near(field(row, 4), 2 * amp[0], 0.005) && near(field(row, 7), offset[0], 0.01), row.constData());
            QVERIFY2(near(field(row, 9), amp[0] / std::sqrt(2.0), 0.005), row.constData());
        }
        // Channel 2 falling through its mean every 4 ms from 2 ms on; a
        // hold-off of 5 ms takes every other one. The plain table.
        const Run table2 = run({QStringLiteral("events"), wav, QStringLiteral("--channel"), QStringLiteral("2"),
                                QStringLiteral("--slope"), QStringLiteral("fall"), QStringLiteral("--level"),
                                QStringLiteral("40 мВ"), QStringLiteral("--holdoff"), QStringLiteral("5ms"),
                                QStringLiteral("--from"), QStringLiteral("1"), QStringLiteral("--to"), QStringLiteral("2")});
        QVERIFY2(table2.code == 0, qPrintable(table2.err));
        const QList<QByteArray> falls = table2.out.trimmed().split('\n');
        QCOMPARE(falls.size(), 1 + 125);
        QCOMPARE(falls[0].simplified(), QByteArray("event time_s interval_s frequency_Hz peak_to_peak_V maximum_V "
                                                   "minimum_V mean_V rms_V ac_rms_V"));
        for (int i = 1; i < falls.size(); ++i) {
            const QList<QByteArray> cells = falls[i].simplified().split(' ');
            QCOMPARE(cells.size(), 10);
            QVERIFY2(std::abs(cells[1].toDouble() - (1.002 + 0.008 * (i - 1))) < 2e-6, falls[i].constData());
            QVERIFY2(i == falls.size() - 1 ? cells[2] == "-" : near(cells[2].toDouble(), 0.008, 0.001), falls[i].constData());
        }

        // The screen as pictures, drawn with no display: the window's size
        // and caption, both traces in their colours.
        const QString png = dir.filePath(QStringLiteral("screen.png")), svg = dir.filePath(QStringLiteral("screen.svg"));
        const Run pngRun = run({QStringLiteral("export"), wav, QStringLiteral("--png"), png, QStringLiteral("--at"),
                                QStringLiteral("0.5"), QStringLiteral("--sweep"), QStringLiteral("1 мС")});
        QVERIFY2(pngRun.code == 0 && pngRun.out.isEmpty() && pngRun.err.isEmpty(), qPrintable(pngRun.err));
        const QImage picture(png);
        QVERIFY(!picture.isNull());
        QVERIFY2(picture.width() > 500 && picture.height() > 300, qPrintable(QStringLiteral("%1x%2").arg(picture.width()).arg(picture.height())));
        int blue = 0, red = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb c = picture.pixel(x, y);
                blue += c == qRgb(0, 0, 255);
                red += c == qRgb(255, 0, 0);
            }
        QVERIFY2(blue > 1000 && red > 500, qPrintable(QStringLiteral("%1 blue, %2 red").arg(blue).arg(red)));
        const Run svgRun = run({QStringLiteral("export"), wav, QStringLiteral("--svg"), svg, QStringLiteral("--from"),
                                QStringLiteral("0.1"), QStringLiteral("--to"), QStringLiteral("0.12"),
                                QStringLiteral("--volts-per-div"), QStringLiteral("50mV"),
                                QStringLiteral("--volts-per-div"), QStringLiteral("20 мВ")});
        QVERIFY2(svgRun.code == 0 && svgRun.err.isEmpty(), qPrintable(svgRun.err));
        QSvgRenderer vector(svg);
        QVERIFY(vector.isValid());
        QFile svgFile(svg);
        QVERIFY(svgFile.open(QIODevice::ReadOnly));
        // The stretch asked for is a screen of 2 мС a division; times with the locale's comma.
        QVERIFY(QString::fromUtf8(svgFile.readAll())
                    .contains(QStringLiteral("Канал 1: 50 мВ/дел.   Канал 2: 20 мВ/дел.   Время/Дел. = 2 мС   Экран: 0,1 … 0,12 с")));
    }

    void recordKeepsWhatTheInputGave()
    {
        if (qEnvironmentVariableIsEmpty("SIGM_TEST_PULSE_SOURCE"))
            QSKIP("SIGM_TEST_PULSE_SOURCE is not set: no test sound server (scripts/test.sh starts one)");
        QTemporaryDir dir;
        const CliRunner run(dir.filePath(QStringLiteral("config")));
        const QString input = qEnvironmentVariable("SIGM_TEST_PULSE_SOURCE");
        // The test server's 1000 Hz left and 250 Hz right at half scale.
        auto holdsTheSignal = [&](const QString &wav, int frames) {
            const Run m = run({QStringLiteral("measure"), wav, QStringLiteral("--json")});
            if (m.code != 0)
                return QStringLiteral("measure: ") + m.err;
            const QJsonArray r = QJsonDocument::fromJson(m.out).object().value(QStringLiteral("readings")).toArray();
            const double hz[2] = {1000, 250};
            for (int ch = 0; ch < 2; ++ch) {
                const QJsonObject o = r.at(ch).toObject();
                if ((frames > 0 && o.value(QStringLiteral("samples")).toInt() != frames)
                    || !near(o.value(QStringLiteral("frequency_Hz")).toDouble(), hz[ch], 0.001)
                    || !near(o.value(QStringLiteral("peak_to_peak_V")).toDouble(), Calibration::kNominalFullScaleVolts, 0.02))
                    return QString::fromUtf8(m.out);
            }
            return QString();
        };
        const QString timed = dir.filePath(QStringLiteral("timed.wav"));
        const Run r = run({QStringLiteral("record"), timed, QStringLiteral("--seconds"), QStringLiteral("1,5"),
                           QStringLiteral("--input"), input});
        QVERIFY2(r.code == 0 && r.out.isEmpty() && r.err.isEmpty(), qPrintable(r.err));
        QString wrong = holdsTheSignal(timed, 72000);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));

        // SIGTERM: what came in is kept under the name asked for, said in one line.
        const QString stopped = dir.filePath(QStringLiteral("stopped.wav"));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(SIGM_PROGRAM_PATH), {QStringLiteral("record"), stopped, QStringLiteral("--seconds"),
                                                    QStringLiteral("60"), QStringLiteral("--input"), input});
        QVERIFY(p.waitForStarted());
        QTest::qWait(1500);
        p.terminate();
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const QString said = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(said.count(QLatin1Char('\n')) == 1 && said.contains(QStringLiteral("сохранены")), qPrintable(said));
        wrong = holdsTheSignal(stopped, 0);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.part-*")}, QDir::Files), QStringList());

        // No server at all: code 69 and one line.
        QProcess none;
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + dir.filePath(QStringLiteral("no-such-socket")));
        none.setProcessEnvironment(env);
        none.start(QStringLiteral(SIGM_PROGRAM_PATH),
                   {QStringLiteral("record"), dir.filePath(QStringLiteral("none.wav")), QStringLiteral("--seconds"), QStringLiteral("1")});
        QVERIFY(none.waitForFinished(20000));
        QCOMPARE(none.exitCode(), Cli::kExitUnavailable);
        QCOMPARE(QString::fromUtf8(none.readAllStandardError()).count(QLatin1Char('\n')), 1);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("none.wav"))));
    }

    void refusalsAndMistakesSayWhyInOneLine()
    {
        QTemporaryDir dir;
        const CliRunner run(dir.path());
        const QString hostile = dir.filePath(QStringLiteral("bad\nname.wav"));
        QFile h(hostile);
        QVERIFY(h.open(QIODevice::WriteOnly));
        h.write(QByteArray("RIFF\xff\xff\xff\x7fWAVEfmt \x10\0\0\0", 20) + QByteArray(3000, '\x7f'));
        h.close();
        const QString eightBit = dir.filePath(QStringLiteral("u8.wav"));
        sox({QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("8000"), QStringLiteral("-b"),
             QStringLiteral("8"), eightBit, QStringLiteral("synth"), QStringLiteral("0.1"), QStringLiteral("sine"),
             QStringLiteral("440")});
        const QString mono = dir.filePath(QStringLiteral("mono.wav"));
        sox({QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("8000"), QStringLiteral("-b"),
             QStringLiteral("16"), mono, QStringLiteral("synth"), QStringLiteral("0.1"), QStringLiteral("sine"),
             QStringLiteral("440")});
        // An earlier export stays as it was when the next one is refused.
        const QString kept = dir.filePath(QStringLiteral("kept.csv"));
        QFile k(kept);
        QVERIFY(k.open(QIODevice::WriteOnly));
        k.write("old\n");
        k.close();

        struct Case {
            QStringList args;
            int code;
            QString says;
        };
        const QString missing = dir.filePath(QStringLiteral("none.wav"));
        const QList<Case> cases = {
            {{QStringLiteral("measure"), hostile}, Cli::kExitDataErr, QStringLiteral("повреждён")},
            {{QStringLiteral("spectrum"), eightBit}, Cli::kExitDataErr, QStringLiteral("16-разрядные")},
            {{QStringLiteral("export"), hostile, QStringLiteral("--csv"), kept}, Cli::kExitDataErr, QStringLiteral("WAV")},
            {{QStringLiteral("measure"), dir.path()}, Cli::kExitDataErr, QStringLiteral("не является обычным")},
            {{QStringLiteral("measure"), missing}, Cli::kExitNoInput, QStringLiteral("не найден")},
            {{QStringLiteral("measure"), mono, QStringLiteral("--channel"), QStringLiteral("2")}, Cli::kExitUsage,
             QStringLiteral("один канал")},
            {{QStringLiteral("measure"), mono, QStringLiteral("--frobnicate")}, Cli::kExitUsage,
             QStringLiteral("«--frobnicate»")},
            {{QStringLiteral("measure"), mono, QStringLiteral("--from"), QStringLiteral("soon")}, Cli::kExitUsage,
             QStringLiteral("«soon»")},
            {{QStringLiteral("measure")}, Cli::kExitUsage, QStringLiteral("не назван файл")},
            {{QStringLiteral("spectrum"), mono, QStringLiteral("--size"), QStringLiteral("1000")}, Cli::kExitUsage,
             QStringLiteral("--size")},
            {{QStringLiteral("export"), mono, QStringLiteral("--csv"), kept, QStringLiteral("--sweep"),
              QStringLiteral("3ms")}, Cli::kExitUsage, QStringLiteral("«3ms»")},
            {{QStringLiteral("export"), mono, QStringLiteral("--csv"), dir.path()}, Cli::kExitIoErr,
             QStringLiteral("папка")},
            {{QStringLiteral("export"), hostile, QStringLiteral("--png"), dir.filePath(QStringLiteral("x.png"))},
             Cli::kExitDataErr, QStringLiteral("WAV")},
            {{QStringLiteral("export"), mono, QStringLiteral("--svg"), kept, QStringLiteral("--volts-per-div"),
              QStringLiteral("30mV")}, Cli::kExitUsage, QStringLiteral("«30mV»")},
            {{QStringLiteral("events"), hostile, QStringLiteral("--level"), QStringLiteral("0")}, Cli::kExitDataErr,
             QStringLiteral("повреждён")},
            {{QStringLiteral("events"), mono}, Cli::kExitUsage, QStringLiteral("--level")},
            {{QStringLiteral("record"), dir.filePath(QStringLiteral("r.wav"))}, Cli::kExitUsage,
             QStringLiteral("--seconds")},
        };
        for (const Case &c : cases) {
            const Run r = run(c.args);
            const QString where = c.args.join(QLatin1Char(' ')) + QStringLiteral(" → ") + r.err;
            QVERIFY2(r.code == c.code, qPrintable(where + QString::number(r.code)));
            QVERIFY2(r.out.isEmpty(), qPrintable(where));
            QVERIFY2(r.err.count(QLatin1Char('\n')) == 1 && r.err.endsWith(QLatin1Char('\n')), qPrintable(where));
            QVERIFY2(r.err.contains(c.says), qPrintable(where));
        }
        QFile again(kept);
        QVERIFY(again.open(QIODevice::ReadOnly));
        QCOMPARE(again.readAll(), QByteArray("old\n"));

        for (const QString &command : {QStringLiteral("measure"), QStringLiteral("spectrum"), QStringLiteral("export"),
                                       QStringLiteral("events"), QStringLiteral("record")}) {
            const Run help = run({command, QStringLiteral("--help")});
            QCOMPARE(help.code, 0);
            QVERIFY(help.out.startsWith("Использование: sigmalit " + command.toUtf8() +
                                        (command == QLatin1String("record") ? " ВЫХОД.wav" : " ФАЙЛ.wav")));
        }
    }
};

SIGM_TEST(CliTest)
#include "tst_cli.moc"
