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
#include "display/screenread.h"
#include "platform/vbcontrols.h"
#include "testenv.h"
#include "testregistry.h"

#include <QFile>
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
};

SIGM_TEST(EventIndexWindow)
#include "tst_events.moc"
