// SPDX-License-Identifier: GPL-3.0-or-later
// The display's arithmetic without widgets: decoding, interpolation, buffer
// modes, positioning, graticule and time labels.
#include "display/byte2.h"
#include "display/ris.h"
#include "display/screen.h"
#include "display/screenread.h"
#include "display/tracebuffers.h"
#include "platform/errors.h"
#include "platform/vbcontrols.h"
#include "testenv.h"
#include "testraise.h"
#include "testregistry.h"

#include <QFile>
#include <QLocale>
#include <QPainter>
#include <QTest>
#include <cmath>
#include <random>

namespace {

QByteArray monoBlock(const std::vector<int32_t> &samples)
{
    QByteArray b;
    for (int32_t s : samples) {
        b.append(char(s & 0xFF));
        b.append(char((s >> 8) & 0xFF));
    }
    return b;
}

// A quintic that stays well inside 16 bits over frames 0..30.
double quintic(double n)
{
    return 0.002 * std::pow(n - 3, 3) * (n - 12) * (n - 25) + 40 * n - 500;
}

QString dec(const char *text)
{
    return QString::fromLatin1(text).replace(QLatin1Char('.'), QLocale().decimalPoint());
}

}  // namespace

class SampleMathTest : public QObject {
    Q_OBJECT
private slots:
    void bytesDecodeAsSignedLittleEndian()
    {
        QCOMPARE(Byte2::BytesToSample(0xFF, 0x7F), 32767);
        QCOMPARE(Byte2::BytesToSample(0x00, 0x80), -32768);
        QCOMPARE(Byte2::BytesToSample(0xFF, 0xFF), -1);
        QCOMPARE(Byte2::BytesToSample(0x00, 0x00), 0);
        QCOMPARE(Byte2::BytesToSample(0x34, 0x12), 0x1234);
    }

    void interpolatorsPassThroughTheirNodes()
    {
        // Node s = 0 at x = x0; the others one step apart.
        QCOMPARE(Byte2::Interp4(3, 11, -22, 33, -44, 3, 0), 11);
        QCOMPARE(Byte2::Interp4(3, 11, -22, 33, -44, 3, 3), -22);
        QCOMPARE(Byte2::Interp4(3, 11, -22, 33, -44, 3, 6), 33);
        QCOMPARE(Byte2::Interp4(3, 11, -22, 33, -44, 3, 9), -44);
        const int32_t y[6] = {-32768, 1000, 32767, -5, 77, 12345};
        for (int n = 0; n < 6; ++n)
            QCOMPARE(Byte2::Interp6(9, y[0], y[1], y[2], y[3], y[4], y[5], 18, 9 * n), y[n]);
    }

    void cubicMidpointOfTheDescription()
    {
        QCOMPARE(Byte2::Interp4(2, 0, 0, 16, 16, 2, 3), 8);
        // A cubic is reproduced between its nodes: y = s³ at s = 0.5 → 0.125 × 64.
        QCOMPARE(Byte2::Interp4(2, -64, 0, 64, 512, 2, 3), 8);
    }

    void quinticIsReproducedBetweenNodes()
    {
        // p(s) = s⁵ through s = -2..3, scaled by 100.
        auto p = [](double s) { return 100 * std::pow(s, 5); };
        for (int x = 0; x <= 45; ++x) {
            const double s = (x - 18) / 9.0;
            const int32_t got = Byte2::Interp6(9, int32_t(p(-2)), int32_t(p(-1)), 0, int32_t(p(1)), int32_t(p(2)),
                                               int32_t(p(3)), 18, x);
            QVERIFY2(std::abs(got - p(s)) <= 1, qPrintable(QString("x=%1 got %2 want %3").arg(x).arg(got).arg(p(s))));
        }
    }

    void screenSizesAndModesOfTheWorkedExamples()
    {
        // 100 мС per division, mono 44100.
        auto size = ScreenRead::SizeFor(44100, 1, 1);
        QCOMPARE(size.wordCount, 44104);
        auto plan = Traces::PlanFor(size.wordCount, 1, 44100, 1);
        QCOMPARE(plan.mode, Traces::Mode::Decimation);
        QCOMPARE(plan.groupFrames, int16_t(30));
        QCOMPARE(plan.pointCount, int16_t(2937));

        // 5 мС: the quotient is just above 1.5 and rounds to 2.
        size = ScreenRead::SizeFor(44100, 20, 1);
        plan = Traces::PlanFor(size.wordCount, 1, 44100, 20);
        QCOMPARE(plan.mode, Traces::Mode::Decimation);
        QCOMPARE(plan.groupFrames, int16_t(2));

        // 2 and 1 мС: one point per frame.
        size = ScreenRead::SizeFor(44100, 100, 1);
        QCOMPARE(size.framesPerScreen, 441);
        QCOMPARE(size.wordCount, 445);
        plan = Traces::PlanFor(size.wordCount, 1, 44100, 100);
        QCOMPARE(plan.mode, Traces::Mode::Direct);
        QCOMPARE(plan.pointCount, int16_t(444));
        QCOMPARE(Traces::PlanFor(ScreenRead::SizeFor(44100, 50, 2).wordCount, 2, 44100, 50).mode,
                 Traces::Mode::Direct);

        // 50 мкС: nine points per frame.
        size = ScreenRead::SizeFor(44100, 2000, 1);
        QCOMPARE(size.framesPerScreen, 22);
        QCOMPARE(size.wordCount, 26);
        plan = Traces::PlanFor(size.wordCount, 1, 44100, 2000);
        QCOMPARE(plan.mode, Traces::Mode::Upsample);
        QCOMPARE(plan.factor, 9);
        QCOMPARE(plan.pointCount, int16_t(225));

        const int factors[] = {2, 3, 5};
        const int sweeps[] = {200, 500, 1000};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(Traces::PlanFor(ScreenRead::SizeFor(48000, sweeps[i], 2).wordCount, 2, 48000, sweeps[i]).factor,
                     factors[i]);
    }

    void sizesTooBigForTheScreenRaiseOverflow()
    {
        // A rate no sound card has (from a broken header) must fail, not allocate.
        try {
            Traces::PlanFor(ScreenRead::SizeFor(2000000, 1, 2).wordCount, 2, 2000000, 1);
            QFAIL("no overflow");
        } catch (const VbError &e) {
            QCOMPARE(e.Number, Err::Overflow);
        }
    }

    void decimationKeepsASingleSampleSpike()
    {
        const auto size = ScreenRead::SizeFor(44100, 1, 1);
        const auto plan = Traces::PlanFor(size.wordCount, 1, 44100, 1);
        std::vector<int32_t> samples(size_t(size.wordCount), 0);
        samples[1000] = 20000;
        samples[30000] = -15000;
        ScopeState st;
        Traces::Build(plan, monoBlock(samples), 1, st);
        QVERIFY(st.Decimated);
        QCOMPARE(st.PointCount, int16_t(2937));
        QCOMPARE(*std::max_element(st.LeftBuffer.begin(), st.LeftBuffer.end()), 20000);
        QCOMPARE(*std::min_element(st.LeftBuffer.begin(), st.LeftBuffer.end()), -15000);
        // Pairs are max then min; the first pair covers frames 0..28 (D - 1 frames).
        // Frame 1000 lies in the pair stored at (1000 + 1) / 30 × 2.
        const size_t pair = size_t((1000 + 1) / 30) * 2;
        QCOMPARE(st.LeftBuffer[pair], 20000);
    }

    void decimationOfTwoChannelsFillsBothBuffers()
    {
        const auto size = ScreenRead::SizeFor(8000, 10, 2);
        const auto plan = Traces::PlanFor(size.wordCount, 2, 8000, 10);
        QCOMPARE(plan.mode, Traces::Mode::Decimation);
        std::vector<int32_t> frames;
        for (int i = 0; i < size.wordCount / 2; ++i) {
            frames.push_back(1000);
            frames.push_back(-3000);
        }
        ScopeState st;
        Traces::Build(plan, monoBlock(frames), 2, st);
        for (int i = 0; i <= st.PointCount; ++i) {
            QCOMPARE(st.LeftBuffer[size_t(i)], 1000);
            QCOMPARE(st.RightBuffer[size_t(i)], -3000);
        }
    }

    void upsamplingLiesOnTheQuintic()
    {
        const auto size = ScreenRead::SizeFor(44100, 2000, 1);
        const auto plan = Traces::PlanFor(size.wordCount, 1, 44100, 2000);
        std::vector<int32_t> samples;
        for (int n = 0; n < size.wordCount; ++n)
            samples.push_back(int32_t(std::lround(quintic(n))));
        ScopeState st;
        Traces::Build(plan, monoBlock(samples), 1, st);
        QCOMPARE(st.PointCount, int16_t(225));
        for (int slot = 0; slot <= 225; ++slot) {
            if (slot % 9 == 0) {
                QCOMPARE(st.LeftBuffer[size_t(slot)], samples[size_t(slot / 9)]);
                continue;
            }
            // The window's samples are rounded values of the quintic, so the
            // interpolant is within a few units of it.
            const double want = quintic(slot / 9.0);
            QVERIFY2(std::abs(st.LeftBuffer[size_t(slot)] - want) <= 3,
                     qPrintable(QString("slot %1: %2 vs %3").arg(slot).arg(st.LeftBuffer[size_t(slot)]).arg(want)));
        }
    }

    void upsamplingWindowsMatchTheDescribedSlots()
    {
        // ×2: slot 1 from slots 0, 2, 4, 6 at s = -0.5; slot H - 1 from the last window at s = 1.5.
        std::vector<int32_t> buf(21, 0);
        const int32_t known[] = {100, -200, 300, 50, 0, -7000, 12, 8000, 9, -1, 4};
        for (int n = 0; n <= 10; ++n)
            buf[size_t(2 * n)] = known[n];
        Traces::Interpolate(buf, 2, 20, 11);
        QCOMPARE(buf[1], Byte2::Interp4(2, known[0], known[1], known[2], known[3], 2, 1));
        QCOMPARE(buf[7], Byte2::Interp4(2, known[2], known[3], known[4], known[5], 2, 3));
        QCOMPARE(buf[19], Byte2::Interp4(2, known[7], known[8], known[9], known[10], 2, 5));
        // ×5: slots 6..9 from the first window, the last gap from the last window.
        std::vector<int32_t> b5(51, 0);
        for (int n = 0; n <= 10; ++n)
            b5[size_t(5 * n)] = known[n];
        Traces::Interpolate(b5, 5, 50, 11);
        QCOMPARE(b5[7], Byte2::Interp6(5, known[0], known[1], known[2], known[3], known[4], known[5], 10, 7));
        QCOMPARE(b5[23], Byte2::Interp6(5, known[2], known[3], known[4], known[5], known[6], known[7], 10, 13));
        QCOMPARE(b5[48], Byte2::Interp6(5, known[5], known[6], known[7], known[8], known[9], known[10], 10, 23));
    }

    void blocksTooShortForAWindowKeepZeros()
    {
        const auto size = ScreenRead::SizeFor(44100, 1000, 1);
        const auto plan = Traces::PlanFor(size.wordCount, 1, 44100, 1000);
        ScopeState st;
        Traces::Build(plan, monoBlock({500, 600, 700}), 1, st);
        QCOMPARE(st.LeftBuffer[0], 500);
        QCOMPARE(st.LeftBuffer[5], 600);
        QCOMPARE(st.LeftBuffer[10], 700);
        for (int slot : {1, 4, 6, 9, 11, 20})
            QCOMPARE(st.LeftBuffer[size_t(slot)], 0);
        // Three bytes: one whole sample.
        Traces::Build(plan, monoBlock({-9, 5}).left(3), 1, st);
        QCOMPARE(st.LeftBuffer[0], -9);
    }

    void anEmptyBlockGivesAnEmptyScreen()
    {
        for (int sweep : {1, 100, 2000}) {
            const auto size = ScreenRead::SizeFor(48000, sweep, 2);
            const auto plan = Traces::PlanFor(size.wordCount, 2, 48000, sweep);
            ScopeState st;
            st.PointCount = 77;
            Traces::Build(plan, QByteArray(), 2, st);
            QCOMPARE(st.PointCount, int16_t(0));
            QCOMPARE(st.LeftBuffer.size(), size_t(1));
            QCOMPARE(st.RightBuffer.size(), size_t(1));
        }
    }

    void meanRemovalCentresAConstant()
    {
        std::vector<int32_t> buf(101, 1234);
        Traces::RemoveMean(buf, 100);
        QVERIFY(std::all_of(buf.begin(), buf.end(), [](int32_t v) { return v == 0; }));
        std::vector<int32_t> ramp{0, 1, 2, 3, 4, 5};  // mean 2.5 rounds to 2
        Traces::RemoveMean(ramp, 5);
        QCOMPARE(ramp, (std::vector<int32_t>{-2, -1, 0, 1, 2, 3}));
        // The mean is that of the single-precision running sum, which past
        // 2^24 rounds at every sample: here it drifts up by 487, enough to
        // take the mean of 32734.233 to 32735.
        std::vector<int32_t> loud(1000, 32767);
        loud[0] = 0;
        Traces::RemoveMean(loud, 999);
        QCOMPARE(loud[0], -32735);
        QCOMPARE(loud[999], 32);
    }

    void graticuleVerticalLines()
    {
        auto lines = Screen::VerticalLines(444, 100, 44100);
        QCOMPARE(int(lines.size()), 10);
        for (int k = 1; k <= 10; ++k)
            QVERIFY(std::abs(lines[size_t(k - 1)] - 44.4 * k) < 1e-3);
        lines = Screen::VerticalLines(2937, 1, 44100);
        QCOMPARE(int(lines.size()), 9);
        QVERIFY(std::abs(lines.front() - 293.7) < 1e-3);
        QVERIFY(std::abs(lines.back() - 2643.3) < 1e-2);
        // 50 мкС at a low rate draws past the right edge, as it always has.
        QCOMPARE(int(Screen::VerticalLines(63, 2000, 8000).size()), 12);
        QCOMPARE(int(Screen::VerticalLines(63, 2000, 16000).size()), 11);
        for (int points = 0; points < 5; ++points) {
            lines = Screen::VerticalLines(points, 1000, 44100);
            QCOMPARE(int(lines.size()), 10);
            QVERIFY(std::all_of(lines.begin(), lines.end(), [](double x) { return std::isfinite(x) && x > 0; }));
        }
    }

    void timeLabels()
    {
        // From DataStart at 10 мС per division: 0 and the screen's 0.1 s.
        auto t = Screen::TimesFor(49, 49, 44100, 1, 10);
        QCOMPARE(t.start, QStringLiteral("0"));
        QCOMPARE(t.end, dec("0.1"));
        // One second into a mono 44100 file.
        t = Screen::TimesFor(49 + 88200, 49, 44100, 1, 100);
        QCOMPARE(t.start, QStringLiteral("1"));
        QCOMPARE(t.end, dec("1.01"));
        // Two channels halve the time of a byte position.
        t = Screen::TimesFor(49 + 88200, 49, 44100, 2, 100);
        QCOMPARE(t.start, dec("0.5"));
        // 30 s into a long stereo file: the same true time at 100 мС and 50 мкС.
        const int64_t at30 = 49 + int64_t(30) * 44100 * 4;
        t = Screen::TimesFor(at30, 49, 44100, 2, 1);
        QCOMPARE(t.start, QStringLiteral("30"));
        QCOMPARE(t.end, QStringLiteral("31"));
        t = Screen::TimesFor(at30, 49, 44100, 2, 2000);
        QCOMPARE(t.start, QStringLiteral("30"));
        QCOMPARE(t.end, dec("30.0005"));
        // Past 2 GB: positions are 64-bit.
        t = Screen::TimesFor(49 + int64_t(3000) * 1000 * 1000, 49, 48000, 2, 1);
        QCOMPARE(t.start, dec("15625"));
        // A 0.5 ms screen shows its span, not "0".
        t = Screen::TimesFor(49, 49, 48000, 1, 2000);
        QCOMPARE(t.end, dec("0.0005"));
        t = Screen::TimesFor(49, 49, 48000, 1, 1000);
        QCOMPARE(t.end, dec("0.001"));
    }

    void ordinatesOfFullScale()
    {
        QCOMPARE(Screen::Ordinate(32767, 1, 0), -32767);
        QCOMPARE(Screen::Ordinate(-32768, 1, 0), 32768);
        QCOMPARE(Screen::Ordinate(100, 20, 8192), -10192);
        try {
            Screen::Ordinate(1 << 20, 5000, 0);
            QFAIL("no overflow");
        } catch (const VbError &e) {
            QCOMPARE(e.Number, Err::Overflow);
        }
    }

    void readPlanAlignsAndStopsAtTheEnd()
    {
        ScopeState st;
        st.DataStart = 49;
        st.FileLength = 100000;
        auto plan = ScreenRead::PlanRead(st, 55, 445);
        QCOMPARE(plan.position, 57);
        QCOMPARE(plan.length, 890);
        QCOMPARE(ScreenRead::PlanRead(st, 49, 445).position, 49);
        QCOMPARE(ScreenRead::PlanRead(st, 30, 445).position, 49);
        // An odd DataStart is still read in 4-byte steps from it.
        st.DataStart = 50;
        QCOMPARE(ScreenRead::PlanRead(st, 55, 445).position, 58);
        // Near the end the read is cut to what is left; at the end, nothing.
        plan = ScreenRead::PlanRead(st, 99600, 445);
        QCOMPARE(plan.length, 400);
        QCOMPARE(ScreenRead::PlanRead(st, 100000, 445).length, 0);
    }

    // One screen's bytes, read straight from the system: the edges of the
    // file and each way a read can fail give the number the program reports.
    void screenReadsStopAtTheFileAndNameTheirFailure()
    {
        const QString path = TestEnv::Temp("bytes.bin");
        QByteArray bytes;
        for (int i = 0; i < 1000; ++i)
            bytes.append(char(i % 251));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
        f.close();
        QCOMPARE(ScreenRead::ReadBlock(path, 1, 10), bytes.left(10));
        QCOMPARE(ScreenRead::ReadBlock(path, 995, 100), bytes.mid(994));  // cut at the end
        QCOMPARE(ScreenRead::ReadBlock(path, 1001, 100), QByteArray());
        QCOMPARE(ScreenRead::ReadBlock(path, 5, 0), QByteArray());
        QCOMPARE(RaisedNumber([&] { ScreenRead::ReadBlock(path, 0, 10); }), Err::BadRecordNumber);
        QCOMPARE(RaisedNumber([&] { ScreenRead::ReadBlock(path + QStringLiteral(".gone"), 1, 10); }), Err::FileNotFound);
        QCOMPARE(RaisedNumber([&] { ScreenRead::ReadBlock(TestEnv::Temp(QString()), 1, 10); }), Err::FileNotFound);
    }

    void positioningMovesByDivisionScreenOrDrag()
    {
        VbScrollBar bar(Qt::Horizontal);
        bar.SetRange(1, 16038);  // as opening sets it for this file
        ScopeState st;
        st.DataStart = 49;
        st.FileLength = 882044;  // 10 s mono 44100
        st.ScrollUnit = 55;
        st.SampleRate = 44100;
        st.ViewStart = 100049;
        st.LastScrollValue = 1819;
        st.LastSweepIndex = 6;
        {
            const QSignalBlocker quiet(bar);
            bar.SetValue(1819);
        }

        // Nothing moved and the sweep is the same: repaint only.
        auto pos = ScreenRead::PositionView(st, 445, 100, 6, bar);
        QCOMPARE(pos.outcome, ScreenRead::Outcome::RepaintOnly);
        // Same position, new sweep: read at the same place.
        pos = ScreenRead::PositionView(st, 445, 100, 5, bar);
        QCOMPARE(pos.outcome, ScreenRead::Outcome::Read);
        QCOMPARE(pos.start, 100049);

        // One step right: a tenth of a screen (445 / 5 = 89 bytes).
        bar.SetValue(1820);
        pos = ScreenRead::PositionView(st, 445, 100, 6, bar);
        QCOMPARE(pos.start, 100138);
        QCOMPARE(st.ViewStart, 100138);
        // The bar is put back where the new position lies (100138 / 55 → 1821);
        // the change that raises is the program's own.
        QCOMPARE(bar.Value(), 1821);
        QVERIFY(st.SuppressScroll);
        QCOMPARE(st.LastScrollValue, int16_t(1821));
        QCOMPARE(ScreenRead::PositionView(st, 445, 100, 6, bar).outcome, ScreenRead::Outcome::Swallowed);
        QVERIFY(!st.SuppressScroll);

        // Ten steps left: one screen back.
        bar.SetValue(1811);
        pos = ScreenRead::PositionView(st, 445, 100, 6, bar);
        QCOMPARE(pos.start, 100138 - 890);
        st.SuppressScroll = false;

        // 50 мкС below 20 kHz: a step left goes 2 bytes further.
        st.SampleRate = 8000;
        bar.SetValue(bar.Value() - 1);
        const int32_t before = 100138 - 890;
        pos = ScreenRead::PositionView(st, 8, 2000, 10, bar);
        QCOMPARE(pos.start, before - 2 - 2);  // 8 / 5 = 1.6 → 2, then 2 more
        st.SuppressScroll = false;

        // Drag: ScrollUnit × value, clamped to the file.
        bar.SetValue(5000);
        pos = ScreenRead::PositionView(st, 445, 100, 6, bar);
        QCOMPARE(pos.start, 55 * 5000);
        QVERIFY(!st.SuppressScroll);
        bar.SetValue(bar.Max());
        pos = ScreenRead::PositionView(st, 445, 100, 6, bar);
        QCOMPARE(pos.start, st.FileLength);
        st.SuppressScroll = false;
        bar.SetValue(1);
        pos = ScreenRead::PositionView(st, 445, 100, 6, bar);
        QCOMPARE(pos.start, 49);  // the first step is the file's first screen
        QCOMPARE(bar.Value(), 1);
        // With DataStart beyond one ScrollUnit, dragging to 1 shows DataStart.
        st.DataStart = 60;
        bar.SetValue(3);
        pos = ScreenRead::PositionView(st, 445, 100, 6, bar);
        QCOMPARE(pos.start, 165);
        st.SuppressScroll = false;
        bar.SetValue(1);
        pos = ScreenRead::PositionView(st, 445, 100, 6, bar);
        QCOMPARE(pos.start, 60);
        QCOMPARE(bar.Value(), 1);
    }

    void forcedRepositionReadsEvenWithoutAMove()
    {
        VbScrollBar bar(Qt::Horizontal);
        bar.SetRange(1, 16001);
        ScopeState st;
        st.DataStart = 49;
        st.FileLength = 882044;
        st.ScrollUnit = 55;
        st.ViewStart = 49;
        st.LastScrollValue = 1;
        st.ForceReposition = true;
        const auto pos = ScreenRead::PositionView(st, 445, 100, 6, bar);
        QCOMPARE(pos.outcome, ScreenRead::Outcome::Read);
        QVERIFY(!st.ForceReposition);
        // Moved by 0, so "dragged" to 1: the first screen, from DataStart.
        QCOMPARE(pos.start, 49);
    }

    // The sample trace takes its points a pixel column at a time; it must
    // cover exactly the pixels its segments cover, drawn one by one, for
    // screens with fewer, about as many and many more points than columns,
    // every pen width, and traces running off the top and bottom.
    void traceCoversWhatItsSegmentsCover()
    {
        std::mt19937 random(11);
        for (int points : {40, 600, 601, 3197, 20000})
            for (int pen : {1, 2, 3}) {
                std::vector<int32_t> ys(size_t(points) + 1);
                std::vector<QPointF> xy;
                for (int i = 0; i <= points; ++i) {
                    ys[size_t(i)] = int32_t(40000 * std::sin(i * 0.05)) + int32_t(random() % 9000) - 4500;
                    xy.emplace_back(i, ys[size_t(i)]);
                }
                QImage drawn[2], blank;
                for (int way = 0; way < 2; ++way) {
                    Ris ris;
                    ris.resize(601, 385);
                    ris.ScaleLeft = 0;
                    ris.ScaleWidth = points;
                    ris.ScaleTop = -32768;
                    ris.ScaleHeight = 65536;
                    ris.Cls();
                    ris.DrawWidth = pen;
                    blank = ris.Image();
                    if (way == 0)
                        ris.Trace(ys, Qt::red);
                    else
                        ris.Trace(xy, Qt::red);
                    drawn[way] = ris.Image();
                }
                QVERIFY(drawn[0] != blank);
                QCOMPARE(drawn[0], drawn[1]);
            }
    }

    // The graticule layer is put back only where the last screen's traces
    // were; whatever was drawn, the next screen must look as if drawn on a
    // fresh graticule: after sparse and dense traces, two traces and more
    // than a column keeps runs for, a thick pen, a painter's drawing and a
    // change of size.
    void nextScreenStartsFromACleanGraticule()
    {
        const std::vector<QLineF> graticule{{0, 0, 600, 0}, {300, -32768, 300, 32767}};
        auto trace = [](int points, double frequency, int32_t offset) {
            std::vector<int32_t> ys(size_t(points) + 1);
            for (int i = 0; i <= points; ++i)
                ys[size_t(i)] = offset + int32_t(20000 * std::sin(i * frequency));
            return ys;
        };
        Ris ris, fresh;
        auto screen = [&](Ris &r, int points, double frequency, int traces, int pen, bool paint) {
            r.ScaleLeft = 0;
            r.ScaleWidth = points;
            r.DrawWidth = 1;
            r.ClsWithLines(graticule, Qt::black);
            r.DrawWidth = pen;
            // Several traces are squeezed apart so a column crosses each.
            for (int k = 0; k < traces; ++k)
                r.Trace(trace(points, frequency, traces == 1 ? 0 : -30000 + 60000 * k / (traces - 1)),
                        k % 2 ? Qt::blue : Qt::red);
            if (paint)
                r.Paint([](QPainter &p) { p.fillRect(10, 10, 50, 50, Qt::green); });
        };
        const struct {
            int points;
            double frequency;
            int traces, pen;
            bool paint;
            QSize size;
        } screens[] = {{481, 0.01, 1, 2, false, {601, 385}},  {481, 0.02, 1, 2, false, {601, 385}},
                       {3197, 0.3, 1, 2, false, {601, 385}}, {225, 0.05, 1, 5, false, {601, 385}},
                       {481, 0.001, 2, 2, false, {601, 385}}, {481, 0.002, 6, 1, false, {601, 385}},
                       {481, 0.001, 3, 2, false, {601, 385}}, {481, 0.03, 1, 2, true, {601, 385}},
                       {481, 0.01, 1, 2, false, {601, 385}},  {481, 0.04, 1, 2, false, {640, 400}},
                       {481, 0.01, 1, 1, false, {640, 400}}};
        for (const auto &s : screens) {
            ris.resize(s.size);
            fresh.resize(s.size);
            fresh.ClsWithLines({}, Qt::black);  // forget the layer
            screen(ris, s.points, s.frequency, s.traces, s.pen, s.paint);
            screen(fresh, s.points, s.frequency, s.traces, s.pen, s.paint);
            QCOMPARE(ris.Image(), fresh.Image());
        }
    }
};

SIGM_TEST(SampleMathTest)
#include "tst_samples.moc"
