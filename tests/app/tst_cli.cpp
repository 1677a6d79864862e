// SPDX-License-Identifier: GPL-3.0-or-later
// The subcommands run as the real program, with no display and a Russian
// locale, against sox-made files whose values are known.
#include "analysis/calibration.h"
#include "cli/cli.h"
#include "platform/settings.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
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

        for (const QString &command : {QStringLiteral("measure"), QStringLiteral("spectrum"), QStringLiteral("export")}) {
            const Run help = run({command, QStringLiteral("--help")});
            QCOMPARE(help.code, 0);
            QVERIFY(help.out.startsWith("Использование: sigmalit " + command.toUtf8() + " ФАЙЛ.wav"));
        }
    }
};

SIGM_TEST(CliTest)
#include "tst_cli.moc"
