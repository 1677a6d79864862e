// SPDX-License-Identifier: GPL-3.0-or-later
// The event index window over a recording with events planted at known
// times, a lone short pulse among them: the list, the jump, the overview's
// ticks, the trigger paging that takes the index, and the CSV.
#include "../display/testwav.h"
#include "analysis/calibration.h"
#include "app/eventtool.h"
#include "app/eventwindow.h"
#include "app/overviewstrip.h"
#include "app/overviewtool.h"
#include "app/pribor.h"
#include "app/scopestate.h"
#include "app/trendwindow.h"
#include "analysis/measure.h"
#include "display/screenread.h"
#include "platform/vbcontrols.h"
#include "testenv.h"
#include "testregistry.h"

#include <QFile>
#include <QComboBox>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <cmath>
#include <vector>

namespace {

constexpr int kRate = 8000;
constexpr int kSeconds = 70;
constexpr int16_t kHigh = 12000;
struct Planted {
    double seconds;
    int width;  // samples
};
// The lone pulse is a millisecond long; the gaps run from 1.5 s to 14 s.
const Planted kPlanted[] = {{1.0, 400}, {2.5, 400}, {4.0, 400}, {20.0, 400}, {33.3, 400}, {47.3, 8}, {60.0, 400}};
constexpr size_t kLone = 5;

int64_t sampleOf(const Planted &p)
{
    return std::llround(p.seconds * kRate);
}

std::vector<int16_t> recording()
{
    std::vector<int16_t> x(size_t(kSeconds) * kRate * 2);
    for (size_t i = 0; i < x.size() / 2; ++i)
        x[2 * i + 1] = int16_t(3000 * std::sin(2 * M_PI * 50 * double(i) / kRate));
    for (const Planted &p : kPlanted)
        for (int k = 0; k < p.width; ++k)
            x[size_t(2 * (sampleOf(p) + k))] = kHigh;
    return x;
}

struct View {
    int64_t start;
    double shift;
    bool operator==(const View &) const = default;
};

}  // namespace

class EventIndexWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::Isolate(); }
    void init() { TestEnv::Reset(); }
    void cleanup() { Globals::CenterBeams = true; }

    void plantedEventsListedJumpedPagedAndSaved()
    {
        const QString file = TestEnv::Temp(QStringLiteral("planted.wav"));
        QVERIFY(TestWav::Write(file, kRate, 2, recording()));
        // The level moved by no stretch's mean: the paging's condition is the index's.
        Globals::CenterBeams = false;
        ScriptedMessages box;
        Pribor w;
        w.RasTime->SetListIndex(6);
        w.SetBoundsTw(0, 0, 9600, 7200);
        w.show();
        w.Form_Resize();
        QVERIFY(w.OpenOscillogram(file));
        w.Trig.source = 1;
        w.Trig.slope = Trigger::Slope::Rising;
        w.Trig.levelVolts = Calibration::ToVolts(kHigh / 2, w.CalFactor[0]);
        QVERIFY(!w.Events->IsOpen());

        // The paging by reading the file, before there is an index.
        const View opened{w.st.ViewStart, w.st.TriggerViewShift};
        auto page = [&](std::vector<View> *views) {
            for (;;) {
                const View before{w.st.ViewStart, w.st.TriggerViewShift};
                w.TrigNext_Click();
                const View after{w.st.ViewStart, w.st.TriggerViewShift};
                if (after == before)
                    return;
                views->push_back(after);
            }
        };
        std::vector<View> scanned;
        int reads = ScreenRead::ReadCount();
        page(&scanned);
        const int scanReads = ScreenRead::ReadCount() - reads;
        QVERIFY2(scanned.size() >= std::size(kPlanted) - 1, qPrintable(QString::number(scanned.size())));

        // The window, off until asked for, finds every planted event.
        w.Events->EventMenu->trigger();
        QVERIFY(w.Events->IsOpen());
        EventWindow *window = w.Events->Window();
        QVERIFY(window->isVisible());
        QTRY_VERIFY2(w.Events->Complete(), qPrintable(w.Events->Problem()));
        const std::vector<EventList::Row> &rows = w.Events->Rows();
        QCOMPARE(rows.size(), std::size(kPlanted));
        const double v = Calibration::VoltsPerUnit(w.CalFactor[0]);
        // Positions count from the first frame the screen reads, times from the data's first.
        const int64_t lead = (w.st.DataStart - w.st.SampleOrigin) / 4;
        for (size_t k = 0; k < rows.size(); ++k) {
            // A step from 0 to full height crosses half-way between its samples.
            QVERIFY2(std::fabs(rows[k].position + double(lead) - (double(sampleOf(kPlanted[k])) - 0.5)) < 0.01,
                     qPrintable(QString::number(rows[k].position)));
            QCOMPARE(rows[k].maximum - rows[k].minimum, int(kHigh));
            // The stretch runs to the sample before the next event's (the last one's to the end).
            const int64_t to = k + 1 < rows.size() ? sampleOf(kPlanted[k + 1]) : int64_t(kSeconds) * kRate;
            const double rms = kHigh * std::sqrt(double(kPlanted[k].width) / double(to - sampleOf(kPlanted[k])));
            QVERIFY2(std::fabs(rows[k].rms - rms) < 1e-3 * rms, qPrintable(QString::number(rows[k].rms)));
        }
        QVERIFY(std::isnan(rows.back().interval));
        QVERIFY(std::fabs(rows[kLone].interval - (60.0 - 47.3) * kRate) < 0.01);
        // As the list shows it, in the UI's numbers.
        QAbstractItemModel *model = window->List->model();
        QCOMPARE(model->rowCount(), int(rows.size()));
        const QLocale locale;
        QCOMPARE(model->index(int(kLone), 1).data().toString(), locale.toString((47.3 * kRate - 0.5) / kRate, 'f', 6));
        QCOMPARE(model->index(int(kLone), 2).data().toString(), locale.toString(1 / (60.0 - 47.3), 'g', 6));
        QCOMPARE(model->index(int(kLone), 4).data().toString(), locale.toString(kHigh * v, 'g', 4));
        QVERIFY(window->Export->isEnabled());

        // A double-click puts the screen where the paging puts it for that event.
        std::vector<View> jumped;
        for (size_t k = 0; k < rows.size(); ++k) {
            w.Events->Jump(k);
            jumped.push_back({w.st.ViewStart, w.st.TriggerViewShift});
        }
        QVERIFY(std::equal(scanned.begin(), scanned.end(), jumped.end() - ptrdiff_t(scanned.size())));
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->List->scrollTo(model->index(int(kLone), 0));
        QCoreApplication::processEvents();
        const QRect cell = window->List->visualRect(model->index(int(kLone), 0));
        QVERIFY2(window->List->viewport()->rect().contains(cell.center()), qPrintable(QStringLiteral("%1,%2").arg(cell.x()).arg(cell.y())));
        QTest::mouseClick(window->List->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(window->List->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(View({w.st.ViewStart, w.st.TriggerViewShift}), jumped[kLone]);
        const int64_t first = w.Overview->ScreenFirst() - w.Overview->Lead();
        QVERIFY(first < rows[kLone].position && rows[kLone].position < double(first + w.Overview->ScreenFrames()));

        // The overview marks the lone pulse, and nothing where there is no event.
        QTRY_VERIFY(w.Overview->Strip->isVisible() && w.Overview->Levels());
        const QImage strip = w.Overview->Strip->grab().toImage();
        const int width = w.Overview->Strip->width() - 16;
        auto ticked = [&](double seconds) {
            const int x = int(seconds / kSeconds * width);
            for (int dx = -1; dx <= 1; ++dx)
                if ((strip.pixel(std::clamp(x + dx, 0, width - 1), 0) & 0xFFFFFF) == 0xFFFF00)
                    return true;
            return false;
        };
        QVERIFY(ticked(47.3));
        QVERIFY(ticked(20.0));
        QVERIFY(!ticked(10.0));

        // The paging takes the index: the same screens, without reading the file for them.
        w.PageViewTo(opened.start);
        w.st.TriggerViewAt = -1;
        std::vector<View> indexed;
        reads = ScreenRead::ReadCount();
        page(&indexed);
        QVERIFY(indexed == scanned);
        QVERIFY2(ScreenRead::ReadCount() - reads < scanReads,
                 qPrintable(QStringLiteral("%1 / %2").arg(ScreenRead::ReadCount() - reads).arg(scanReads)));
        std::vector<View> back;
        for (size_t k = 0; k < scanned.size(); ++k) {
            const View here{w.st.ViewStart, w.st.TriggerViewShift};
            w.TrigPrev_Click();
            if (View({w.st.ViewStart, w.st.TriggerViewShift}) == here)
                break;
            back.push_back({w.st.ViewStart, w.st.TriggerViewShift});
        }
        QVERIFY(std::equal(back.begin(), back.end(), scanned.rbegin() + 1));
        QCOMPARE(back.size(), scanned.size() - 1);

        // The CSV: a row an event, the lone pulse at its time; a file that
        // cannot be written leaves the old one as it was.
        const QString csv = TestEnv::Temp(QStringLiteral("events.csv"));
        QString error;
        QVERIFY2(w.Events->SaveCsv(csv, &error), qPrintable(error));
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().trimmed().split('\n');
        f.close();
        QCOMPARE(lines.size(), qsizetype(rows.size() + 1));
        QVERIFY(lines[0].startsWith("event,time_s,interval_s,frequency_Hz,peak_to_peak_V"));
        const QList<QByteArray> lone = lines[qsizetype(kLone) + 1].split(',');
        QCOMPARE(lone[0], QByteArray("6"));
        QVERIFY(std::fabs(lone[1].toDouble() - (47.3 - 0.5 / kRate)) < 1e-9);
        QVERIFY(std::fabs(lone[4].toDouble() - kHigh * v) < 1e-6);
        QVERIFY(lines.last().split(',')[2].isEmpty());
        QVERIFY(!w.Events->SaveCsv(TestEnv::Temp(QStringLiteral("missing/events.csv")), &error));
        QVERIFY(!error.isEmpty());

        // Closed: the index goes with its window, and the paging reads the file again.
        window->close();
        QTRY_VERIFY(!w.Events->IsOpen() && !w.Events->EventMenu->isChecked());
        QVERIFY(w.Events->Rows().empty());
        QVERIFY(box.Shown().empty());
    }

    // A value a second, each second measured as the readings strip measures
    // a screen, the last short one too when it is half a second or more;
    // through the window the same values, its CSV a row a second.
    void trendAgainstDirectMeasurement()
    {
        constexpr double kLength = 10.7;
        const size_t frames = size_t(kLength * kRate);
        std::vector<int16_t> x(2 * frames);
        for (size_t i = 0; i < frames; ++i) {
            const double t = double(i) / kRate;
            const int s = int(t);
            x[2 * i] = int16_t(std::lround(500 * s - 2000 + (3000 + 700 * s) * std::sin(2 * M_PI * (100 + 10 * s) * t)));
            x[2 * i + 1] = int16_t(i % 97);
        }
        const QString file = TestEnv::Temp(QStringLiteral("trend.wav"));
        QVERIFY(TestWav::Write(file, kRate, 2, x));
        std::vector<int16_t> one(frames);
        for (size_t i = 0; i < frames; ++i)
            one[i] = x[2 * i];
        auto direct = [&](Trend::Quantity q, size_t second) {
            const size_t from = second * kRate, n = std::min<size_t>(kRate, frames - from);
            const Measure::Readings r = Measure::Of(std::span<const int16_t>(one).subspan(from, n), kRate);
            return q == Trend::Quantity::Frequency ? r.frequency
                   : q == Trend::Quantity::Rms     ? r.rms
                   : q == Trend::Quantity::Mean    ? r.mean
                                                   : r.peakToPeak;
        };
        EventList::Source src;
        src.path = file;
        src.dataOffset = 44;
        src.frames = int64_t(frames);
        src.channels = 2;
        for (Trend::Quantity q : {Trend::Quantity::Frequency, Trend::Quantity::Rms, Trend::Quantity::PeakToPeak,
                                  Trend::Quantity::Mean}) {
            std::vector<double> values;
            QString error;
            QVERIFY2(EventList::TrendScan(src, q, kRate, {}, [&](const std::vector<double> &v) {
                         values.insert(values.end(), v.begin(), v.end());
                     }, &error), qPrintable(error));
            QCOMPARE(values.size(), size_t(11));
            for (size_t k = 0; k < values.size(); ++k)
                QVERIFY2(std::fabs(values[k] - direct(q, k)) <= 1e-9 * std::max(1.0, std::fabs(direct(q, k))),
                         qPrintable(QStringLiteral("%1 s: %2 / %3").arg(k).arg(values[k]).arg(direct(q, k))));
        }
        // The frequencies planted, to the readings' accuracy.
        QVERIFY(std::fabs(direct(Trend::Quantity::Frequency, 3) - 130) < 0.5);

        ScriptedMessages box;
        Pribor w;
        w.show();
        QVERIFY(w.OpenOscillogram(file));
        w.Trig.source = 1;
        w.Events->TrendMenu->trigger();
        TrendWindow *trend = w.Events->Trend();
        QVERIFY(trend && trend->isVisible());
        trend->Quantity->setCurrentIndex(1);  // RMS
        QTRY_VERIFY(!trend->Running() && trend->Values().size() == 11);
        const double v = Calibration::VoltsPerUnit(w.CalFactor[0]);
        QCOMPARE(trend->Scale(), v);
        // The screen reads from a frame or two in: the first second is a little short.
        const int64_t lead = (w.st.DataStart - w.st.SampleOrigin) / 4;
        for (size_t k = 1; k < 11; ++k) {
            const size_t from = k * kRate + size_t(lead), n = std::min<size_t>(kRate, frames - from);
            const double rms = Measure::Of(std::span<const int16_t>(one).subspan(from, n), kRate).rms;
            QVERIFY2(std::fabs(trend->Values()[k] - rms) < 1e-9 * rms, qPrintable(QString::number(k)));
        }
        const QString csv = TestEnv::Temp(QStringLiteral("trend.csv"));
        QString error;
        QVERIFY2(trend->SaveCsv(csv, &error), qPrintable(error));
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), qsizetype(12));
        QCOMPARE(lines[0], QByteArray("time_s,rms_V"));
        QVERIFY(std::fabs(lines[4].split(',')[1].toDouble() - trend->Values()[3] * v) < 1e-8);
        trend->close();
        QTRY_VERIFY(!w.Events->Trend() && !w.Events->TrendMenu->isChecked());
        QVERIFY(box.Shown().empty());
    }
};

SIGM_TEST(EventIndexWindow)
#include "tst_events.moc"
