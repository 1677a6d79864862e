// SPDX-License-Identifier: GPL-3.0-or-later
// The overview's envelope against a direct min/max over the same samples,
// added in blocks cut in awkward places (the vector path and the plain one,
// buckets doubled by a recording longer than planned), and its cache file:
// a round trip, damaged and foreign files refused, a changed file known.
// The strip in the window: when it is there, where a click takes the
// screen, and the cache at work.
#include "../display/testwav.h"
#include "analysis/envelope.h"
#include "app/overviewstrip.h"
#include "app/overviewtool.h"
#include "app/pribor.h"
#include "display/ris.h"
#include "display/screenread.h"
#include "export/envelopecache.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/vbcontrols.h"
#include "platform/wavfile.h"
#include "testenv.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <vector>

namespace {

std::vector<int16_t> signal(size_t frames, int channels, uint32_t seed)
{
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> noise(-3000, 3000);
    std::vector<int16_t> x(frames * size_t(channels));
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            x[i * size_t(channels) + size_t(c)] = int16_t(noise(gen) + (c ? 5000 : -2000));
    // Extremes where a vector or a block would lose them: first and last
    // sample of a bucket, a lone frame of one channel, the full scale.
    for (size_t at : {size_t(0), size_t(63), size_t(64), size_t(1000), size_t(4095), frames / 2, frames - 1}) {
        if (at >= frames)
            continue;
        x[at * size_t(channels)] = int16_t(at % 2 ? 32767 : -32768);
        x[at * size_t(channels) + size_t(channels - 1)] = int16_t(at % 2 ? -32768 : 32767);
    }
    return x;
}

Envelope::Extremes direct(const std::vector<int16_t> &x, int channels, int channel, int64_t from, int64_t to)
{
    Envelope::Extremes e;
    for (int64_t i = from; i < to; ++i) {
        const int16_t v = x[size_t(i) * size_t(channels) + size_t(channel)];
        e.lo = std::min(e.lo, v);
        e.hi = std::max(e.hi, v);
    }
    return e;
}

Envelope::Levels build(const std::vector<int16_t> &x, int channels, int bucket, int64_t maxBuckets = Envelope::kMaxBuckets)
{
    Envelope::Builder b(channels, bucket, maxBuckets);
    const size_t frames = x.size() / size_t(channels);
    const size_t cuts[] = {1, 7, 63, 64, 65, 1000, 4099, 333};
    size_t done = 0;
    for (size_t k = 0; done < frames; ++k) {
        const size_t n = std::min(cuts[k % std::size(cuts)], frames - done);
        b.Add(x.data() + done * size_t(channels), n);
        done += n;
    }
    return b.Finish();
}

QString writeWav(const QString &name, const std::vector<int16_t> &x, int channels)
{
    const QString path = TestEnv::Temp(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    const qint64 bytes = qint64(x.size() * 2);
    f.write(Wav16Header(48000, channels, bytes));
    f.write(reinterpret_cast<const char *>(x.data()), bytes);
    return path;
}

}  // namespace

class OverviewEnvelope : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::Isolate(); }

    void againstDirectMinMax()
    {
        // Stereo and mono, buckets the vector path takes (multiples of 16
        // frames) and ones it leaves to the plain loop.
        for (int channels : {2, 1}) {
            for (int bucket : {64, 256, 40}) {
                const size_t frames = 50000 + size_t(bucket) / 3;  // the last bucket part full
                const std::vector<int16_t> x = signal(frames, channels, uint32_t(bucket * channels));
                const Envelope::Levels l = build(x, channels, bucket);
                QCOMPARE(l.Frames(), int64_t(frames));
                QCOMPARE(l.Buckets(), int64_t((frames + size_t(bucket) - 1) / size_t(bucket)));
                for (int c = 0; c < channels; ++c) {
                    for (int64_t b = 0; b < l.Buckets(); ++b) {
                        const Envelope::Extremes want =
                            direct(x, channels, c, b * bucket, std::min<int64_t>((b + 1) * bucket, int64_t(frames)));
                        if (!(l.Base()[size_t(b * channels + c)] == want))
                            QFAIL(qPrintable(QStringLiteral("channels %1 bucket %2: channel %3 bucket %4")
                                                 .arg(channels).arg(bucket).arg(c).arg(b)));
                    }
                    // Any stretch, through the coarser levels: every bucket it touches, whole.
                    std::mt19937 gen(7);
                    for (int k = 0; k < 300; ++k) {
                        int64_t from = int64_t(gen() % frames), to = int64_t(gen() % frames) + 1;
                        if (from > to)
                            std::swap(from, to);
                        const int64_t a = from / bucket * bucket;
                        const int64_t z = std::min<int64_t>((to + bucket - 1) / bucket * bucket, int64_t(frames));
                        QCOMPARE(l.Over(c, from, to), direct(x, channels, c, a, z));
                    }
                    QVERIFY(l.Over(c, int64_t(frames), int64_t(frames) + 10).Empty());
                    // Columns cover the whole without a gap: their extremes are the whole's.
                    std::vector<Envelope::Extremes> cols(613);
                    l.Columns(c, 0, int64_t(frames), int(cols.size()), cols.data());
                    Envelope::Extremes all;
                    for (const Envelope::Extremes &e : cols) {
                        QVERIFY(!e.Empty());
                        all.Merge(e);
                    }
                    QCOMPARE(all, direct(x, channels, c, 0, int64_t(frames)));
                }
            }
        }
        // Longer than the buckets were planned for: they double, and each
        // still holds exactly its frames' extremes.
        const std::vector<int16_t> x = signal(70000, 2, 3);
        const Envelope::Levels l = build(x, 2, 64, 100);
        QVERIFY(l.Buckets() <= 200);
        const int bucket = l.BucketFrames();
        QCOMPARE(bucket, 512);
        for (int64_t b = 0; b < l.Buckets(); ++b)
            QCOMPARE(l.Base()[size_t(b * 2 + 1)], direct(x, 2, 1, b * bucket, std::min<int64_t>((b + 1) * bucket, 70000)));
        // The bucket for an hour of 48 kHz keeps within the bound.
        QVERIFY(Envelope::BucketFramesFor(int64_t(48000) * 3600) * Envelope::kMaxBuckets >= int64_t(48000) * 3600);
        QCOMPARE(Envelope::BucketFramesFor(1000), Envelope::kMinBucketFrames);
    }

    void cacheRoundTripAndRefusals()
    {
        const std::vector<int16_t> x = signal(300000, 2, 11);
        const QString path = writeWav(QStringLiteral("env.wav"), x, 2);
        QVERIFY(!path.isEmpty());
        const int64_t dataBytes = int64_t(x.size() * 2);
        EnvelopeCache::Identity id;
        QString error;
        QVERIFY2(EnvelopeCache::Identify(path, kWav16HeaderBytes, dataBytes, 48000, 2, &id, &error), qPrintable(error));
        const std::optional<Envelope::Levels> built = EnvelopeCache::Build(path, id, {}, &error);
        QVERIFY2(built, qPrintable(error));
        QCOMPARE(built->Over(0, 0, 300000), direct(x, 2, 0, 0, 300000));
        QCOMPARE(built->Base(), build(x, 2, built->BucketFrames()).Base());

        const QString cache = TestEnv::Temp(QStringLiteral("cache/") + EnvelopeCache::FileName(id));
        QVERIFY2(EnvelopeCache::Save(cache, id, *built, &error), qPrintable(error));
        const std::optional<Envelope::Levels> loaded = EnvelopeCache::Load(cache, id);
        QVERIFY(loaded);
        QCOMPARE(loaded->Base(), built->Base());
        QCOMPARE(loaded->Frames(), built->Frames());
        QCOMPARE(loaded->Over(1, 1234, 250000), built->Over(1, 1234, 250000));

        // Made from another file (another identity): refused.
        EnvelopeCache::Identity other = id;
        other.dataOffset += 4;
        QVERIFY(!EnvelopeCache::Load(cache, other));
        // Damaged: a byte of the buckets, or the file cut short.
        QFile f(cache);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const QByteArray whole = f.readAll();
        QByteArray flipped = whole;
        flipped[whole.size() - 100] = char(flipped[whole.size() - 100] ^ 0x10);
        f.seek(0);
        f.write(flipped);
        f.close();
        QVERIFY(!EnvelopeCache::Load(cache, id));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(whole.left(whole.size() - 4));
        f.close();
        QVERIFY(!EnvelopeCache::Load(cache, id));
        // Written again, it is taken again.
        QVERIFY(EnvelopeCache::Save(cache, id, *built, &error));
        QVERIFY(EnvelopeCache::Load(cache, id));

        // A changed file is another file: new content at either end, a
        // new length, a new time.
        auto key = [&] {
            EnvelopeCache::Identity now;
            QString e;
            return EnvelopeCache::Identify(path, kWav16HeaderBytes, dataBytes, 48000, 2, &now, &e) ? EnvelopeCache::FileName(now)
                                                                                    : QString();
        };
        const QString first = key();
        QCOMPARE(first, EnvelopeCache::FileName(id));
        struct stat before {};
        QVERIFY(::stat(QFile::encodeName(path).constData(), &before) == 0);
        auto rewrite = [&](qint64 at, char byte) {
            QFile g(path);
            QVERIFY(g.open(QIODevice::ReadWrite));
            g.seek(at);
            g.write(&byte, 1);
            g.close();
            // The same time as before: only the content tells.
            const struct timespec times[2] = {before.st_atim, before.st_mtim};
            QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0);
        };
        rewrite(1000, 0x55);
        QVERIFY(key() != first);
        rewrite(1000, char(reinterpret_cast<const char *>(x.data())[1000 - kWav16HeaderBytes]));
        QCOMPARE(key(), first);
        rewrite(kWav16HeaderBytes + dataBytes - 3, 0x11);
        QVERIFY(key() != first);
        rewrite(kWav16HeaderBytes + dataBytes - 3, char(reinterpret_cast<const char *>(x.data())[dataBytes - 3]));
        QCOMPARE(key(), first);
        rewrite(kWav16HeaderBytes + dataBytes, 0);  // one byte longer
        QVERIFY(key() != first);
        QVERIFY(!EnvelopeCache::Load(cache, [&] {
            EnvelopeCache::Identity now;
            QString e;
            EnvelopeCache::Identify(path, kWav16HeaderBytes, dataBytes, 48000, 2, &now, &e);
            return now;
        }()));
    }
};

SIGM_TEST(OverviewEnvelope)

namespace {

// Stereo at 8 kHz: a quiet tone, and on channel 1 a full-scale burst of a
// tenth of a second at `burstAt` seconds.
std::vector<int16_t> recording(int seconds, double burstAt)
{
    const int rate = 8000;
    std::vector<int16_t> x(size_t(seconds) * rate * 2);
    for (size_t i = 0; i < x.size() / 2; ++i) {
        const double t = double(i) / rate;
        const bool burst = t >= burstAt && t < burstAt + 0.1;
        x[2 * i] = int16_t(std::lround((burst ? 32000 : 2000) * std::sin(2 * M_PI * 200 * t)));
        x[2 * i + 1] = int16_t(std::lround(3000 * std::sin(2 * M_PI * 50 * t)));
    }
    return x;
}

QStringList cacheFiles()
{
    return QDir(Paths::CacheFolder() + QStringLiteral("/overview")).entryList({QStringLiteral("*.env")}, QDir::Files);
}

}  // namespace

class OverviewWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::Isolate(); }
    void init() { TestEnv::Reset(); }

    // A long file gets the strip, its envelope read in the background and
    // cached; a click pages there at the cost of one screen's read; the
    // same file again is taken from the cache, a changed one is not. A
    // minute's file leaves the window as it was unless chosen in the menu.
    void stripOnLongFilesJumpsAndCaches()
    {
        QDir(Paths::CacheFolder()).removeRecursively();
        const QString longFile = TestEnv::Temp(QStringLiteral("long.wav"));
        const QString shortFile = TestEnv::Temp(QStringLiteral("short.wav"));
        QVERIFY(TestWav::Write(longFile, 8000, 2, recording(70, 50.0)));
        QVERIFY(TestWav::Write(shortFile, 8000, 2, recording(60, 20.0)));

        ScriptedMessages box;
        Pribor w;
        w.RasTime->SetListIndex(6);
        w.SetBoundsTw(0, 0, 9600, 7200);
        w.show();
        w.Form_Resize();  // laid out, as the start-up does
        QVERIFY(w.OpenOscillogram(shortFile));
        QCoreApplication::processEvents();
        const QRect screenAlone = w.RisBox->geometry();
        QVERIFY(!w.Overview->Shown());
        QVERIFY(!w.Overview->Strip->isVisible());

        QVERIFY(w.OpenOscillogram(longFile));
        QTRY_VERIFY2(w.Overview->Strip->isVisible() && w.Overview->Levels() && w.Overview->Progress() < 0,
                     qPrintable(w.Overview->Problem()));
        const QRect strip = w.Overview->Strip->geometry();
        QCOMPARE(w.RisBox->geometry().top(), screenAlone.top());
        QVERIFY(w.RisBox->geometry().bottom() < strip.top());
        QVERIFY(strip.bottom() <= screenAlone.bottom() + 1);
        // Every frame of the data chunk (the screen reads from a frame in).
        QCOMPARE(w.Overview->Levels()->Frames(), int64_t(70 * 8000));
        QCOMPARE(cacheFiles().size(), 1);

        // The burst stands out at its place in channel 1's band, nowhere else.
        const QImage picture = w.Overview->Strip->grab().toImage();
        const int width = w.Overview->Strip->width() - 16;
        auto blueTop = [&](double seconds) {
            const int x = int(seconds / 70 * width);
            for (int y = 0; y < picture.height() / 2; ++y)
                if ((picture.pixel(x, y) & 0xFFFFFF) == 0x0000FF)
                    return y;
            return picture.height();
        };
        QVERIFY(blueTop(50.05) < picture.height() / 8);
        QVERIFY(blueTop(10) > picture.height() / 8);

        // A click at 30 s: the screen's middle there, to a column, one read.
        const int reads = ScreenRead::ReadCount();
        const QPoint at(int(30.0 / 70 * width), strip.height() / 2);
        QTest::mouseClick(w.Overview->Strip, Qt::LeftButton, {}, at);
        QVERIFY(ScreenRead::ReadCount() - reads <= 2);
        const double middle = (double(w.st.ViewStart - w.st.SampleOrigin) / 4 + w.Overview->ScreenFrames() / 2.0) / 8000;
        QVERIFY2(std::fabs(middle - (at.x() + 0.5) / width * 70) <= 70.0 / width, qPrintable(QString::number(middle)));
        QCOMPARE(w.Overview->ScreenFirst(), (w.st.ViewStart - w.st.SampleOrigin) / 4);
        // Zoom steps keep the screen in view.
        w.Overview->SetZoom(1);
        QCOMPARE(w.Overview->ViewSpan(), w.Overview->Frames() / 10);
        QVERIFY(w.Overview->ViewFrom() <= w.Overview->ScreenFirst());
        QVERIFY(w.Overview->ViewFrom() + w.Overview->ViewSpan() >= w.Overview->ScreenFirst() + w.Overview->ScreenFrames());

        // Opened again (a new working copy): the cache file is taken, not written anew.
        struct stat cached {};
        const QByteArray cachePath = QFile::encodeName(Paths::CacheFolder() + "/overview/" + cacheFiles().first());
        QVERIFY(::stat(cachePath.constData(), &cached) == 0);
        QVERIFY(w.OpenOscillogram(longFile));
        QTRY_VERIFY(w.Overview->Levels() && w.Overview->Progress() < 0);
        struct stat again {};
        QVERIFY(::stat(cachePath.constData(), &again) == 0);
        QCOMPARE(again.st_ino, cached.st_ino);
        QCOMPARE(cacheFiles().size(), 1);
        // Changed: a new envelope, with the change in it.
        {
            std::vector<int16_t> x = recording(70, 50.0);
            for (size_t i = size_t(5 * 8000); i < size_t(5 * 8000 + 800); ++i)
                x[2 * i] = 32000;
            QVERIFY(TestWav::Write(longFile, 8000, 2, x));
        }
        QVERIFY(w.OpenOscillogram(longFile));
        QTRY_VERIFY(w.Overview->Levels() && w.Overview->Progress() < 0 && cacheFiles().size() == 2);
        QCOMPARE(w.Overview->Levels()->Over(0, 5 * 8000, 5 * 8000 + 800).hi, int16_t(32000));

        // A minute: no strip, the screen as it was; chosen in the menu, the strip.
        QVERIFY(w.OpenOscillogram(shortFile));
        QTRY_VERIFY(!w.Overview->Strip->isVisible() && w.RisBox->geometry() == screenAlone);
        w.Overview->OverviewMenu->trigger();
        QTRY_VERIFY(w.Overview->Strip->isVisible() && w.RisBox->geometry().bottom() < screenAlone.bottom());
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Overview", "Shown"), QStringLiteral("1"));
        w.Overview->OverviewMenu->trigger();
        QTRY_VERIFY(!w.Overview->Strip->isVisible() && w.RisBox->geometry() == screenAlone);
        QVERIFY(box.Shown().empty());
    }
};

SIGM_TEST(OverviewWindow)
#include "tst_envelope.moc"
