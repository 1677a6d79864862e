// SPDX-License-Identifier: GPL-3.0-or-later
// Cursors, exports and the X-Y picture, on real files shown in a real main
// window; the CSV writer and the X-Y geometry also on their own.
#include "../display/testwav.h"
#include "analysis/calibration.h"
#include "analysis/cursors.h"
#include "analysis/xyplot.h"
#include "app/pribor.h"
#include "app/cursortool.h"
#include "app/exporttool.h"
#include "app/mathtool.h"
#include "app/referencetool.h"
#include "app/xytool.h"
#include "display/ris.h"
#include "export/csvexport.h"
#include "export/scene.h"
#include "platform/paths.h"
#include "platform/vbcontrols.h"
#include "testenv.h"
#include "testregistry.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTest>
#include <QToolButton>
#include <atomic>
#include <clocale>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace {

// The samples of a 16-bit PCM file, found by its "data" tag.
std::vector<int16_t> samplesOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    const int tag = all.indexOf("data");
    std::vector<int16_t> s;
    if (tag < 0)
        return s;
    for (qsizetype i = tag + 8; i + 1 < all.size(); i += 2)
        s.push_back(int16_t(quint8(all[i]) | (quint8(all[i + 1]) << 8)));
    return s;
}

std::unique_ptr<Pribor> shown(const QString &file, int sweepIndex)
{
    auto w = std::make_unique<Pribor>();
    {
        const QSignalBlocker a(w->U1), b(w->U2), c(w->RasTime);
        w->U1->SetListIndex(0);
        w->U2->SetListIndex(0);
        w->RasTime->SetListIndex(sweepIndex);
    }
    w->show();
    QFile::remove(Paths::WorkingFile());
    QFile::copy(file, Paths::WorkingFile());
    w->st.FlName = QStringLiteral("c:\\tmp.wav");
    w->st.ForceReposition = true;
    w->OpenWorkingFile();
    return w;
}

void mouse(QWidget *target, QEvent::Type type, QPoint at, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(at), target->mapToGlobal(QPointF(at)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

void drag(QWidget *target, QPoint from, QPoint to)
{
    mouse(target, QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(target, QEvent::MouseMove, to, Qt::LeftButton);
    mouse(target, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kCursor = qRgb(0, 140, 0);

// Rows (or columns) of the picture holding a pixel of `colour`.
std::vector<int> columnsWith(const QImage &img, QRgb colour, int row)
{
    std::vector<int> v;
    for (int x = 0; x < img.width(); ++x)
        if ((img.pixel(x, row) | 0xFF000000u) == colour)
            v.push_back(x);
    return v;
}

}  // namespace

class ToolsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // 1000 Hz on the first channel, 250 Hz on the second, like the test signal.
        QVERIFY(TestWav::Sox({"-n", "-r", "48000", "-c", "2", "-b", "16", TestEnv::Temp("lissajous.wav"), "synth",
                              "0.5", "sine", "1000", "sine", "250", "vol", "0.5"}));
        QVERIFY(TestWav::Sox({"-n", "-r", "44100", "-c", "2", "-b", "16", TestEnv::Temp("stereo.wav"), "synth", "0.7",
                              "sine", "1000", "square", "130", "vol", "0.9"}));
    }
    void init() { TestEnv::Reset(); }
    void cleanup()
    {
        QLocale::setDefault(QLocale::c());
        Globals::CenterBeams = true;
    }

    // Whatever the locale, every sample comes back from the CSV in volts,
    // the times are the frames' times, and a cancelled export leaves nothing.
    void csvGivesBackTheSamplesInEveryLocale()
    {
        const std::vector<int16_t> raw = samplesOf(TestEnv::Temp("stereo.wav"));
        QCOMPARE(int(raw.size()), 2 * 30870);
        const double vpu[2] = {Cursors::kNominalVoltsPerUnit, 2.5 * Cursors::kNominalVoltsPerUnit};
        for (const char *name : {"ru_RU", "de_DE", "C"}) {
            QLocale::setDefault(QLocale(QString::fromLatin1(name)));
            std::setlocale(LC_ALL, (QByteArray(name) + ".UTF-8").constData());  // where the system has it
            for (const CsvExport::Span span : {CsvExport::Span{0, -1}, CsvExport::Span{1000, 2205}}) {
                const QString csv = TestEnv::Temp("out.csv");
                QString error;
                QCOMPARE(CsvExport::Write(TestEnv::Temp("stereo.wav"), csv, span, vpu, {}, &error),
                         CsvExport::Result::Done);
                QFile f(csv);
                QVERIFY(f.open(QIODevice::ReadOnly));
                QCOMPARE(f.readLine().trimmed(), QByteArray("время_с,канал1_В,канал2_В"));
                const int64_t count = span.frameCount < 0 ? 30870 : span.frameCount;
                int64_t n = 0;
                while (!f.atEnd()) {
                    const QList<QByteArray> cells = f.readLine().trimmed().split(',');
                    QCOMPARE(cells.size(), 3);
                    bool ok[3];
                    const double t = cells[0].toDouble(&ok[0]);
                    const double a = cells[1].toDouble(&ok[1]), b = cells[2].toDouble(&ok[2]);
                    QVERIFY(ok[0] && ok[1] && ok[2]);
                    const int64_t frame = span.firstFrame + n;
                    QVERIFY(std::fabs(t - frame / 44100.0) < 1e-9);
                    QCOMPARE(std::lround(a / vpu[0]), long(raw[size_t(2 * frame)]));
                    QCOMPARE(std::lround(b / vpu[1]), long(raw[size_t(2 * frame + 1)]));
                    ++n;
                }
                QCOMPARE(n, count);
            }
        }
        std::setlocale(LC_ALL, "C");
        // Cancel after the first block: no file, not even a partial one.
        QFile::remove(TestEnv::Temp("cancel.csv"));
        int calls = 0;
        QString error;
        QCOMPARE(CsvExport::Write(TestEnv::Temp("stereo.wav"), TestEnv::Temp("cancel.csv"), {}, vpu,
                                  [&](int64_t, int64_t) { return ++calls < 2; }, &error),
                 CsvExport::Result::Cancelled);
        QVERIFY(!QFile::exists(TestEnv::Temp("cancel.csv")));
        QCOMPARE(CsvExport::Write(TestEnv::Temp("missing.wav"), TestEnv::Temp("x.csv"), {}, vpu, {}, &error),
                 CsvExport::Result::Failed);
        QVERIFY(!error.isEmpty());
    }

    // Cursors measure a known sine, stay at their signal time and volts when
    // the view moves or the scale changes, and nudge by one pixel.
    void cursorsMeasureAndKeepTheirPlace()
    {
        auto w = shown(TestEnv::Temp("stereo.wav"), 6);  // 1 мС/дел.: ten periods of 1000 Hz
        CursorTool &t = *w->CursorsTool;
        t.SetCursorsShown(true);
        const QImage &img = w->RisBox->Image();
        const Cursors::ScreenMap &m = t.Map();
        QVERIFY(!columnsWith(img, kCursor, img.height() / 2).empty());

        // The first trace's highest and lowest rows, and the columns of its crests.
        int top = img.height(), bottom = -1;
        for (int y = 0; y < img.height(); ++y)
            if (!columnsWith(img, kBlue, y).empty()) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        std::vector<int> crests;
        for (int x : columnsWith(img, kBlue, top + 1))
            if (crests.empty() || x - crests.back() > 10)
                crests.push_back(x);
        QVERIFY(crests.size() >= 3);

        // Drag each cursor onto the trace: the nearest cursor follows the mouse.
        const int mid = img.height() / 2;
        drag(w->RisBox, QPoint(int(m.PixelAtSeconds(t.CursorValue(CursorTool::Time1))), mid), QPoint(crests[0], mid));
        drag(w->RisBox, QPoint(int(m.PixelAtSeconds(t.CursorValue(CursorTool::Time2))), mid), QPoint(crests[1], mid));
        drag(w->RisBox, QPoint(5, int(m.PixelAtVolts(0, t.CursorValue(CursorTool::Volt1)))), QPoint(5, top + 1));
        drag(w->RisBox, QPoint(5, int(m.PixelAtVolts(0, t.CursorValue(CursorTool::Volt2)))), QPoint(5, bottom - 1));
        const Cursors::Readout r = t.Readout();
        const double periodPx = 1e-3 / m.SecondsPerPixel();
        QVERIFY2(std::fabs(r.frequency - 1000) < 1000 * 2 / periodPx, qPrintable(QString::number(r.frequency)));
        // 0.9 of full scale (±0.4 V) from crest to trough, within the trace's width.
        QVERIFY2(std::fabs(std::fabs(r.dv) - 0.72) < 3 * m.VoltsPerPixel(0), qPrintable(QString::number(r.dv)));
        QVERIFY(t.ReadoutLines().join(' ').contains(QStringLiteral("1/Δt")));

        // Paging one division right: same seconds, drawn one division further left.
        const double t1 = t.CursorValue(CursorTool::Time1);
        const double before = m.PixelAtSeconds(t1);
        w->HScroll1->SetValue(w->HScroll1->Value() + 1);
        QCOMPARE(t.CursorValue(CursorTool::Time1), t1);
        QVERIFY(m.PixelAtSeconds(t1) < before - 20);
        const int x = int(std::floor(m.PixelAtSeconds(t1)));
        int drawn = 0;
        for (int y = 0; y < img.height(); ++y)
            drawn += (img.pixel(x, y) | 0xFF000000u) == kCursor;
        QVERIFY(drawn > img.height() / 3);
        // A finer volts/div: same volts, twice as far from the centre line.
        const double v1 = t.CursorValue(CursorTool::Volt1);
        const double row = m.PixelAtVolts(0, v1) - img.height() / 2.0;
        w->U2->SetListIndex(1);
        QCOMPARE(t.CursorValue(CursorTool::Volt1), v1);
        QVERIFY(std::fabs((m.PixelAtVolts(0, v1) - img.height() / 2.0) - 2 * row) < 1.5);

        // Keyboard: one pixel per arrow key on the selected cursor.
        const double p2 = m.PixelAtSeconds(t.CursorValue(CursorTool::Time2));
        QTest::keyClick(w->RisBox, Qt::Key_2);
        QTest::keyClick(w->RisBox, Qt::Key_Right);
        QVERIFY(std::fabs(m.PixelAtSeconds(t.CursorValue(CursorTool::Time2)) - (p2 + 1)) < 1e-6);
        QTest::keyClick(w->RisBox, Qt::Key_3);
        const double pv = m.PixelAtVolts(0, t.CursorValue(CursorTool::Volt1));
        QTest::keyClick(w->RisBox, Qt::Key_Up);
        QVERIFY(std::fabs(m.PixelAtVolts(0, t.CursorValue(CursorTool::Volt1)) - (pv - 1)) < 1e-6);

        // The CSV between the time cursors covers their span.
        const CsvExport::Span span = w->Exports->CsvSpan(ExportTool::CsvWhat::BetweenCursors);
        const Cursors::Readout after = t.Readout();
        QCOMPARE(span.firstFrame, int64_t(std::llround(std::min(after.t1, after.t2) * 44100)));
        QVERIFY(std::abs(span.frameCount - std::llround(std::fabs(after.dt) * 44100)) <= 1);

        // With the measurements' strip beneath, the traces take fewer rows:
        // crest to trough still reads the same volts.
        w->U2->SetListIndex(0);
        w->MeasureMenu_Click();
        w->PageViewTo(w->st.ViewStart);
        QVERIFY(w->RisBox->StripHeight > 0);
        const QImage &squeezed = w->RisBox->Image();
        top = squeezed.height(), bottom = -1;
        // (The strip writes channel 1's line in the trace's colour.)
        for (int y = 0; y < squeezed.height() - w->RisBox->StripHeight; ++y)
            if (!columnsWith(squeezed, kBlue, y).empty()) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        drag(w->RisBox, QPoint(5, int(m.PixelAtVolts(0, t.CursorValue(CursorTool::Volt1)))), QPoint(5, top + 1));
        drag(w->RisBox, QPoint(5, int(m.PixelAtVolts(0, t.CursorValue(CursorTool::Volt2)))), QPoint(5, bottom - 1));
        const double dv = t.Readout().dv;
        QVERIFY2(std::fabs(std::fabs(dv) - 0.72) < 3 * m.VoltsPerPixel(0), qPrintable(QString::number(dv)));

        // One time base: a cursor at the screen's left edge, the first row
        // of the screen's CSV and the first point drawn are one sample, at
        // the time the file gives it (its first sample at 0); the caption
        // says so to its tenth of a millisecond.
        Globals::CenterBeams = false;
        w->PageViewTo(w->st.ViewStart);
        const std::vector<int16_t> raw = samplesOf(TestEnv::Temp("stereo.wav"));
        const double t0 = m.SecondsAt(0);
        const CsvExport::Span screen = w->Exports->CsvSpan(ExportTool::CsvWhat::Screen);
        QVERIFY2(std::fabs(t0 * 44100 - double(screen.firstFrame)) < 1e-6,
                 qPrintable(QStringLiteral("%1 s, frame %2").arg(t0).arg(screen.firstFrame)));
        QCOMPARE(w->st.LeftBuffer[0], int32_t(raw[size_t(2 * screen.firstFrame)]));
        QCOMPARE(w->st.RightBuffer[0], int32_t(raw[size_t(2 * screen.firstFrame + 1)]));
        const double vpu[2] = {Calibration::VoltsPerUnit(Calibration::StoredFactor(1)),
                               Calibration::VoltsPerUnit(Calibration::StoredFactor(2))};
        QString error;
        QCOMPARE(CsvExport::Write(Paths::MapPath(w->st.FlName), TestEnv::Temp("screen.csv"), screen, vpu, {}, &error),
                 CsvExport::Result::Done);
        QFile csv(TestEnv::Temp("screen.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        csv.readLine();
        const QList<QByteArray> first = csv.readLine().trimmed().split(',');
        QVERIFY(std::fabs(first[0].toDouble() - t0) < 1e-9);
        QCOMPARE(std::lround(first[1].toDouble() / vpu[0]), long(w->st.LeftBuffer[0]));
        const double caption = QLocale().toDouble(w->nachalo->text());
        QVERIFY2(std::fabs(caption - t0) <= 0.5e-4 + 1 / 44100.0, qPrintable(w->nachalo->text()));

        // With the mean taken out of the picture (setting F0) a cursor on
        // the trace reads the signal's true volts, as the readings beneath
        // it do: on the crest the strip's maximum, in the trough its minimum.
        Globals::CenterBeams = true;
        std::vector<int16_t> lifted;
        for (int n = 0; n < 22050; ++n) {
            lifted.push_back(int16_t(std::lround(7000 + 9000 * std::sin(2 * M_PI * 1000 * n / 44100.0))));
            lifted.push_back(0);
        }
        QVERIFY(TestWav::Write(TestEnv::Temp("lifted.wav"), 44100, 2, lifted));
        auto v = shown(TestEnv::Temp("lifted.wav"), 6);
        QVERIFY(v->MeasureShown);  // (stored by the window above)
        v->CursorsTool->SetCursorsShown(true);
        const QImage &centred = v->RisBox->Image();
        top = centred.height(), bottom = -1;
        for (int y = 0; y < centred.height() - v->RisBox->StripHeight; ++y)
            if (!columnsWith(centred, kBlue, y).empty()) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        const Cursors::ScreenMap &cm = v->CursorsTool->Map();
        drag(v->RisBox, QPoint(5, int(cm.PixelAtVolts(0, v->CursorsTool->CursorValue(CursorTool::Volt1)))), QPoint(5, top + 1));
        drag(v->RisBox, QPoint(5, int(cm.PixelAtVolts(0, v->CursorsTool->CursorValue(CursorTool::Volt2)))),
             QPoint(5, bottom - 1));
        const Cursors::Readout lr = v->CursorsTool->Readout();
        const double perUnit = Calibration::VoltsPerUnit(v->CalFactor[0]);
        QVERIFY(v->ReadingsShown[0]);
        QVERIFY2(std::fabs(lr.v1 - v->Readings[0].maximum * perUnit) < 3 * cm.VoltsPerPixel(0),
                 qPrintable(QStringLiteral("%1 V, strip %2 V").arg(lr.v1).arg(v->Readings[0].maximum * perUnit)));
        QVERIFY2(std::fabs(lr.v2 - v->Readings[0].minimum * perUnit) < 3 * cm.VoltsPerPixel(0),
                 qPrintable(QStringLiteral("%1 V, strip %2 V").arg(lr.v2).arg(v->Readings[0].minimum * perUnit)));
    }

    // The PNG is the screen pixel for pixel with the settings beneath; the
    // SVG is a valid picture holding the traces and cursors as paths.
    void screenExportsShowWhatIsShown()
    {
        auto w = shown(TestEnv::Temp("stereo.wav"), 5);
        w->CursorsTool->SetCursorsShown(true);
        const QImage screen = w->RisBox->Image().convertToFormat(QImage::Format_RGB32);
        QString error;
        QVERIFY(w->Exports->ExportPng(TestEnv::Temp("screen.png"), &error));
        const QImage png = QImage(TestEnv::Temp("screen.png")).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(png.width(), screen.width());
        QVERIFY(png.height() > screen.height());
        QCOMPARE(png.copy(0, 0, screen.width(), screen.height()), screen);
        QVERIFY(w->Exports->Caption().join(' ').contains(QStringLiteral("Время/Дел. = 2 мС")));

        QVERIFY(w->Exports->ExportSvg(TestEnv::Temp("screen.svg"), &error));
        QSvgRenderer svg(TestEnv::Temp("screen.svg"));
        QVERIFY(svg.isValid());
        QFile f(TestEnv::Temp("screen.svg"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        // Each trace is one path with a vertex per point drawn.
        for (const char *colour : {"#0000ff", "#ff0000"}) {
            const QRegularExpression re(QStringLiteral("stroke=\"%1\"[^>]*>\\s*<path[^>]* d=\"([^\"]*)\"")
                                            .arg(QLatin1String(colour)));
            const QRegularExpressionMatch mt = re.match(text);
            QVERIFY2(mt.hasMatch(), colour);
            QVERIFY(mt.captured(1).count(QLatin1Char('L')) >= w->st.PointCount);
        }
        QVERIFY(text.contains(QStringLiteral("stroke=\"#008c00\"")));  // cursors
        QVERIFY(text.contains(QStringLiteral(">t1 = ")));  // the readout, as text
    }

    // PNG, SVG and CSV exports are all or nothing: a FIFO, a folder or a
    // device as the target is refused at once without being opened; on a
    // full disk the export fails with the reason, leaves no partial file and
    // keeps the file it was to replace; with room again it succeeds.
    void exportsFailWholeAndSayWhy()
    {
        auto w = shown(TestEnv::Temp("stereo.wav"), 5);
        const double vpu[2] = {Cursors::kNominalVoltsPerUnit, Cursors::kNominalVoltsPerUnit};
        enum Kind { Png, Svg, Csv };
        auto exportTo = [&](Kind kind, const QString &path, QString *error) {
            switch (kind) {
            case Png: return w->Exports->ExportPng(path, error);
            case Svg: return w->Exports->ExportSvg(path, error);
            case Csv:
                return CsvExport::Write(TestEnv::Temp("stereo.wav"), path, {}, vpu, {}, error)
                       == CsvExport::Result::Done;
            }
            return false;
        };
        const QString odd = TestEnv::Temp("odd");
        QDir(odd).removeRecursively();
        QVERIFY(QDir().mkpath(odd + "/folder"));
        QCOMPARE(::mkfifo(QFile::encodeName(odd + "/pipe").constData(), 0644), 0);
        QStringList targets = {odd + "/pipe", odd + "/folder"};
        if (::mknod(QFile::encodeName(odd + "/null").constData(), S_IFCHR | 0666, makedev(1, 3)) == 0)
            targets << odd + "/null";  // only as root
        // Should an export open the FIFO, this reader lets it go on, so a
        // fault fails the test rather than hanging it.
        const QByteArray pipe = QFile::encodeName(odd + "/pipe");
        struct Unblock {
            std::atomic<bool> done{false};
            std::thread reader;
            ~Unblock()
            {
                done = true;
                reader.join();
            }
        } unblock;
        unblock.reader = std::thread([&] {
            for (int i = 0; i < 300 && !unblock.done; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const int fd = unblock.done ? -1 : ::open(pipe.constData(), O_RDONLY | O_NONBLOCK);
            char sink[4096];
            while (fd >= 0 && !unblock.done)
                if (::read(fd, sink, sizeof sink) <= 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (fd >= 0)
                ::close(fd);
        });
        QElapsedTimer clock;
        clock.start();
        for (const Kind kind : {Png, Svg, Csv}) {
            for (const QString &target : targets) {
                QString error;
                QVERIFY2(!exportTo(kind, target, &error), qPrintable(target));
                QVERIFY2(error.contains(target) && error.contains(QStringLiteral("это ")), qPrintable(error));
            }
        }
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed < 2000, qPrintable(QString::number(elapsed)));
        QVERIFY(QFileInfo(odd + "/folder").isDir());
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(odd + "/pipe").constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        QCOMPARE(QDir(odd).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(),
                 int(targets.size()));

        // A small disk of its own, filled to the last block.
        const QString disk = TestEnv::Temp("full");
        QVERIFY(QDir().mkpath(disk));
        if (::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=4m") != 0)
            QSKIP(qPrintable(QStringLiteral("a small tmpfs cannot be mounted here (%1), so the full-disk cases "
                                            "are not run")
                                 .arg(QString::fromLocal8Bit(std::strerror(errno)))));
        struct Unmount {
            QByteArray at;
            ~Unmount() { ::umount2(at.constData(), MNT_DETACH); }
        } unmount{QFile::encodeName(disk)};
        const QByteArray old = QByteArrayLiteral("the picture and table from before");
        const QStringList names = {"old.png", "old.svg", "old.csv"};
        for (const QString &name : names) {
            QFile f(disk + "/" + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(old), old.size());
        }
        const QByteArray fillerName = QFile::encodeName(disk + "/filler");
        {
            const int fd = ::open(fillerName.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            QVERIFY(fd >= 0);
            const QByteArray block(4096, 'x');
            while (::write(fd, block.constData(), size_t(block.size())) > 0) {
            }
            QCOMPARE(errno, ENOSPC);
            QCOMPARE(::close(fd), 0);
        }
        const QStringList before = QDir(disk).entryList(QDir::Files | QDir::Hidden);
        for (const Kind kind : {Png, Svg, Csv}) {
            for (const QString &name : {names[kind], QStringLiteral("new%1").arg(int(kind))}) {
                const QString target = disk + "/" + name;
                QString error;
                QVERIFY2(!exportTo(kind, target, &error), qPrintable(target));
                QVERIFY2(error.contains(target) && error.contains(QStringLiteral("нет места")), qPrintable(error));
            }
            QFile f(disk + "/" + names[kind]);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), old);
        }
        QCOMPARE(QDir(disk).entryList(QDir::Files | QDir::Hidden), before);  // nothing left half-written

        // Room again: each export replaces its old file with a whole one.
        QCOMPARE(::unlink(fillerName.constData()), 0);
        for (const Kind kind : {Png, Svg, Csv}) {
            QString error;
            QVERIFY2(exportTo(kind, disk + "/" + names[kind], &error), qPrintable(error));
        }
        const QImage picture = PictureExport::Compose(w->RisBox->Image(), w->Exports->Caption());
        QCOMPARE(QImage(disk + "/old.png").convertToFormat(QImage::Format_RGB32), picture);
        QVERIFY(QSvgRenderer(disk + "/old.svg").isValid());
        QFile csv(disk + "/old.csv");
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().count('\n'), 30870 + 1);
        QCOMPARE(QDir(disk).entryList(QDir::Files | QDir::Hidden), QStringList({"old.csv", "old.png", "old.svg"}));
    }

    // The X-Y figure of 1000 Hz against 250 Hz has four lobes across for one
    // up; the window draws it inside a square, and the subtraction button
    // keeps its meaning.
    // M = −A at A's scale is A's trace mirrored about the centre line, point
    // for point, at every sweep (min/max pairs, one point a frame, points
    // between frames) and on a view paged to a trigger (moved by a fraction
    // of a frame); its readings, the captions and the pictures have it, with
    // the label of its scale where the window shows it.
    void mathTraceFollowsTheChannels()
    {
        auto w = shown(TestEnv::Temp("stereo.wav"), 0);
        w->PrintBiton->setEnabled(true);  // as an opened file has it
        w->MathView->SetFunction(MathTrace::Function::NegateA);
        w->MathView->SetScale(-3);  // 100 mV, as channel 1 at "100 мВ"
        w->MathView->SetPosition(0);
        auto mirrored = [&](const QString &where) {
            QVERIFY2(w->MathView->Drawn(), qPrintable(where));
            const QPolygonF m = w->MathView->Polyline();
            QCOMPARE(m.size(), qsizetype(w->st.PointCount) + 1);
            const double centre = w->RisBox->ToPixel(0, 0).y();
            const auto &a = w->st.LeftBuffer;
            for (int i = 0; i <= w->st.PointCount; ++i) {
                const double ya = w->RisBox->ToPixel(i, -double(a[size_t(i)])).y();
                // A min/max pair of −A is A's pair the other way round.
                const double other = w->st.Decimated ? w->RisBox->ToPixel(i, -double(a[size_t(i ^ 1)])).y() : ya;
                const double ym = m[i].y();
                QVERIFY2(std::abs(ya + ym - 2 * centre) < 0.1 || std::abs(other + ym - 2 * centre) < 0.1,
                         qPrintable(QStringLiteral("%1, point %2: %3 %4").arg(where).arg(i).arg(ya).arg(ym)));
            }
        };
        for (int sweep = 0; sweep < w->RasTime->ListCount(); ++sweep) {
            w->RasTime->SetListIndex(sweep);
            mirrored(QStringLiteral("sweep %1").arg(sweep));
        }
        w->RasTime->SetListIndex(9);
        w->TrigAuto->trigger();
        w->TrigNext_Click();
        QVERIFY(w->st.BufferShiftFrames != 0);
        mirrored(QStringLiteral("on the trigger"));
        w->TrigOff->trigger();

        // A × B in the strip, the captions and the vector picture.
        w->MathView->SetFunction(MathTrace::Function::Product);
        if (!w->MeasureShown)
            w->MeasureMenu_Click();
        QVERIFY(w->MathView->Drawn());
        QStringList lines;
        std::vector<QColor> colours;
        w->Readers.StripLines(lines, colours);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].startsWith(QStringLiteral("M = A × B:  f ")) && lines[0].contains(QStringLiteral("В²")),
                 qPrintable(lines[0]));
        QVERIFY2(w->Exports->Caption().join(' ').contains(QStringLiteral("M = A × B: ")),
                 qPrintable(w->Exports->Caption().join(' ')));
        // The voltage cursors on M read its values where it is drawn, in its unit.
        w->CursorsTool->SetCursorsShown(true);
        w->CursorsTool->CursorsOnMath->setChecked(true);
        QCOMPARE(w->CursorsTool->VoltChannel(), 2);
        const QPolygonF m = w->MathView->Polyline();
        const std::vector<float> values = w->MathView->DrawnValues();
        const Cursors::ScreenMap &map = w->CursorsTool->Map();
        const double removed = w->MathView->RemovedUnits() * w->MathView->ValuePerUnit();  // as drawn, centred
        for (int i = 0; i < m.size(); i += 37)
            QVERIFY(std::abs(map.VoltsAt(2, m[i].y()) - (values[size_t(i)] + removed)) <= map.VoltsPerPixel(2) * 1e-3);
        QVERIFY(w->CursorsTool->ReadoutLines().last().startsWith(QStringLiteral("M:  U1 = ")));
        QVERIFY(w->CursorsTool->ReadoutLines().last().contains(QStringLiteral("В²")));
        w->CursorsTool->SetCursorsShown(false);

        // The CSV has M as a column: here the product of the two before it.
        QString error;
        QCOMPARE(w->Exports->ExportCsv(TestEnv::Temp("math.csv"), ExportTool::CsvWhat::Screen, &error),
                 CsvExport::Result::Done);
        QFile csv(TestEnv::Temp("math.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readLine().trimmed(), QByteArray("время_с,канал1_В,канал2_В,M_В²"));
        int rows = 0;
        while (!csv.atEnd()) {
            const QList<QByteArray> f = csv.readLine().trimmed().split(',');
            QCOMPARE(f.size(), qsizetype(4));
            const double product = f[1].toDouble() * f[2].toDouble();
            QVERIFY(std::abs(f[3].toDouble() - product) <= 1e-6 * std::abs(product) + 1e-12);
            ++rows;
        }
        QVERIFY(rows >= 44);  // a screen of 1 ms at 44.1 kHz

        QVERIFY(w->Exports->ExportSvg(TestEnv::Temp("math.svg"), &error));
        QFile f(TestEnv::Temp("math.svg"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString svgText = QString::fromUtf8(f.readAll());
        QVERIFY(svgText.contains(QStringLiteral("stroke=\"%1\"").arg(MathTool::Colour().name())));
        // M's name and scale lie over the pictures where the window's label
        // lies over the screen: in the SVG its box and its lettering, and in
        // the PNG in the label's box, which alone differs from the surface.
        const std::vector<Scene::Label> label = w->MathView->ScaleLabel();
        QCOMPARE(label.size(), size_t(1));
        QCOMPARE(label[0].text, w->MathView->CaptionNote());
        const QRect box = label[0].box.toAlignedRect();
        QVERIFY(svgText.contains(QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"/>")
                                     .arg(box.x())
                                     .arg(box.y())
                                     .arg(box.width())
                                     .arg(box.height())));
        QVERIFY(svgText.contains(QStringLiteral("<text fill=\"%1\"").arg(label[0].color.name())));
        QVERIFY(box.left() < 10 && box.bottom() < w->RisBox->Image().height() - w->RisBox->StripHeight);
        QVERIFY(w->Exports->ExportPng(TestEnv::Temp("math.png"), &error));
        const QImage screen = w->RisBox->Image().convertToFormat(QImage::Format_RGB32);
        const QImage png = QImage(TestEnv::Temp("math.png")).convertToFormat(QImage::Format_RGB32);
        int lettering = 0, elsewhere = 0;
        for (int y = 0; y < screen.height(); ++y)
            for (int x = 0; x < screen.width(); ++x) {
                const QColor c = png.pixelColor(x, y);
                if (!box.contains(x, y))
                    elsewhere += c != screen.pixelColor(x, y);
                else  // the label's darker purple, not M's own over the box
                    lettering += c.green() < 60 && c.red() > 90 && c.red() < 160 && std::abs(c.red() - c.blue()) < 12;
            }
        QCOMPARE(elsewhere, 0);
        QVERIFY2(lettering > 5, qPrintable(QString::number(lettering)));
        w->MeasureMenu_Click();
        w->MathView->SetFunction(MathTrace::Function::Off);
        QVERIFY(!w->MathView->Drawn());
    }

    // References: a trace kept as R1 and M as R2 come back after a restart
    // exactly as they were drawn, shown or hidden as they were left, named
    // in the captions, drawn into the pictures and written to the CSV; a
    // damaged or cut file is refused with its reason and costs nothing else.
    void referencesComeBackAfterARestart()
    {
        QPolygonF r1;
        QString note;
        {
            auto w = shown(TestEnv::Temp("stereo.wav"), 6);
            w->PrintBiton->setEnabled(true);  // as an opened file has it
            w->References->Choose(ReferenceTool::Trace::A);
            QVERIFY(w->References->Store(0));
            w->MathView->SetFunction(MathTrace::Function::Sum);
            w->References->Choose(ReferenceTool::Trace::M);
            QVERIFY(w->References->Store(1));
            w->References->SetShown(1, false);
            // R1 lies on channel 1's trace as drawn.
            const QImage &img = w->RisBox->Image();
            const int rows = img.height() - std::max(0, w->RisBox->StripHeight);
            const Scene o = w->References->Overlay(img.width(), rows);
            QCOMPARE(o.strokes.size(), size_t(1));
            r1 = o.strokes[0].points;
            QCOMPARE(r1.size(), qsizetype(w->st.PointCount) + 1);
            for (int i = 0; i <= w->st.PointCount; i += 7) {
                const QPointF a = w->RisBox->ToPixel(i, -double(w->st.LeftBuffer[size_t(i)]));
                QVERIFY(std::abs(a.x() - r1[i].x()) < 1e-6 && std::abs(a.y() - r1[i].y()) < 0.01);
            }
            int grey = 0;
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < img.width(); ++x)
                    grey += (img.pixel(x, y) | 0xFF000000u) == ReferenceTool::Colour().rgb();
            QVERIFY(grey > 100);
            note = w->References->CaptionNote();
            QVERIFY2(note.startsWith(QStringLiteral("R1: A, 100 мВ/дел., 1 мс/дел.")), qPrintable(note));
        }
        QFile garbage(ReferenceTool::FileOf(2));
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write("\x01\x02 not a trace\n") > 0);
        garbage.close();
        QFile r2(ReferenceTool::FileOf(1));
        QVERIFY(r2.open(QIODevice::ReadOnly));
        const QByteArray whole = r2.readAll();
        QFile cut(ReferenceTool::FileOf(3));
        QVERIFY(cut.open(QIODevice::WriteOnly) && cut.write(whole.left(whole.size() - 40)) > 0);
        cut.close();

        auto w = shown(TestEnv::Temp("stereo.wav"), 6);
        QVERIFY(w->References->Shown(0) && !w->References->Shown(1));
        QVERIFY(w->References->Slot(1).has_value());
        QCOMPARE(w->References->Slot(1)->trace, QStringLiteral("M = A + B"));
        QVERIFY(!w->References->Slot(2) && !w->References->Problem(2).isEmpty());
        QVERIFY(!w->References->Slot(3) && w->References->Problem(3).contains(QStringLiteral("обрывается")));
        QVERIFY(w->References->ShowAct[3]->text().contains(QStringLiteral("не читается")));
        const QImage &img = w->RisBox->Image();
        const Scene o = w->References->Overlay(img.width(), img.height() - std::max(0, w->RisBox->StripHeight));
        QCOMPARE(o.strokes.size(), size_t(1));
        QCOMPARE(o.strokes[0].points.size(), r1.size());
        for (qsizetype i = 0; i < r1.size(); ++i)
            QVERIFY(std::abs(o.strokes[0].points[i].y() - r1[i].y()) < 0.01);
        QCOMPARE(w->References->CaptionNote(), note);
        QVERIFY(w->Exports->Caption().join(' ').contains(note));
        QString error;
        QVERIFY(w->Exports->ExportSvg(TestEnv::Temp("refs.svg"), &error));
        QFile svg(TestEnv::Temp("refs.svg"));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(svg.readAll()).contains(QStringLiteral("stroke=\"%1\"").arg(ReferenceTool::Colour().name())));

        // The CSV has each reference shown as a column after M (still on
        // from before the restart), at its own points' times from the left
        // edge of the screen shown: R1, kept from this very screen, gives
        // channel 1 back row for row as it was drawn (its mean taken out),
        // and nothing outside the points it has.
        QCOMPARE(w->Exports->ExportCsv(TestEnv::Temp("refs.csv"), ExportTool::CsvWhat::WholeFile, &error),
                 CsvExport::Result::Done);
        QFile csv(TestEnv::Temp("refs.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readLine().trimmed(), QByteArray("время_с,канал1_В,канал2_В,M_В,R1_A_В"));
        const Cursors::ScreenMap &map = w->CursorsTool->Map();
        const double removed = map.removed[0] * map.voltsPerUnit[0];
        int inside = 0, rows = 0;
        while (!csv.atEnd()) {
            const QList<QByteArray> cells = csv.readLine().trimmed().split(',');
            QCOMPARE(cells.size(), qsizetype(5));
            const double frames = (cells[0].toDouble() - map.startSeconds) * 44100;
            const bool within = frames > -1e-3 && frames < w->st.PointCount + 1e-3;
            QVERIFY2(cells[4].isEmpty() != within, qPrintable(QStringLiteral("row %1").arg(rows)));
            if (within) {
                const double drawn = cells[1].toDouble() - removed;
                QVERIFY2(std::abs(cells[4].toDouble() - drawn) < 1e-6,
                         qPrintable(QStringLiteral("row %1: %2, drawn %3").arg(rows).arg(cells[4]).arg(drawn)));
                ++inside;
            }
            ++rows;
        }
        QCOMPARE(rows, 30870);
        QCOMPARE(inside, w->st.PointCount + 1);
        // Between two points, the line joining them; outside them, nothing.
        const CsvExport::Drawn d{"R", {0.0f, 2.0f, -1.0f}, 1.0, 0.5};
        QCOMPARE(CsvExport::DrawnAt(d, 1.25), 1.0);
        QCOMPARE(CsvExport::DrawnAt(d, 1.875), -0.25);
        QCOMPARE(CsvExport::DrawnAt(d, 2.0), -1.0);
        QVERIFY(std::isnan(CsvExport::DrawnAt(d, 0.99)) && std::isnan(CsvExport::DrawnAt(d, 2.01)));
    }

    void xyFigureOfTheTestSignal()
    {
        const std::vector<int16_t> raw = samplesOf(TestEnv::Temp("lissajous.wav"));
        const QRectF sq = XY::SquareIn(400, 300);
        QCOMPARE(sq.width(), sq.height());
        // Four periods of 250 Hz at 48 kHz.
        const QByteArray frames(reinterpret_cast<const char *>(raw.data()) + 4 * 96, 4 * 768);
        const std::vector<QPointF> pts = XY::Figure(frames.constData(), 768, sq, {1, 0}, {1, 0});
        auto peaks = [&](auto coord) {
            int n = 0;
            for (size_t i = 1; i + 1 < pts.size(); ++i)
                n += coord(pts[i]) > coord(pts[i - 1]) && coord(pts[i]) >= coord(pts[i + 1])
                     && coord(pts[i]) > sq.center().x() - sq.center().x() + coord(sq.center()) + 10;
            return n;
        };
        const int across = peaks([](QPointF p) { return p.x(); });
        const int up = peaks([](QPointF p) { return -p.y(); });
        QCOMPARE(up, 4);
        QCOMPARE(across, 16);

        auto w = shown(TestEnv::Temp("lissajous.wav"), 3);
        w->XYView->XYMenu->setChecked(true);
        const QImage &img = w->RisBox->Image();
        const QRectF area = XY::SquareIn(img.width(), img.height());
        int inside = 0, outside = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if ((img.pixel(x, y) | 0xFF000000u) == kBlue)
                    (area.adjusted(-1, -1, 1, 1).contains(x, y) ? inside : outside)++;
        QVERIFY(inside > 500);
        QCOMPARE(outside, 0);
        QCOMPARE(w->XminY->text(), QStringLiteral("X-Y"));
        QVERIFY(w->U1->isEnabled() && w->VScroll1->isEnabled());  // the vertical axis's controls
        // The exports' caption names the stretch of signal, not a time per division across.
        const QString caption = w->Exports->Caption().join(' ');
        QVERIFY2(caption.contains(QRegularExpression(QStringLiteral("фигура за 0[,.]1 с \\(развёртка 10 мС/дел\\.\\)"))),
                 qPrintable(caption));
    }
};

SIGM_TEST(ToolsTest)
#include "tst_tools.moc"
