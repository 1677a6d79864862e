// SPDX-License-Identifier: GPL-3.0-or-later
// Takes the pictures of README and the help page from the live test signal,
// as a user sees them: real windows with the window manager's frames, on the
// X display scripts/screenshots.sh starts. One framing rule for all: the
// picture is the smallest rectangle of the screen holding every window (and
// open menu) it shows, frames included, nothing else.
//   sigmalit_shots OUTDIR
#include "analysis/calibration.h"
#include "app/cursortool.h"
#include "app/eventtool.h"
#include "app/eventwindow.h"
#include "app/exporttool.h"
#include "app/inputtool.h"
#include "app/mathtool.h"
#include "app/persistencetool.h"
#include "app/overviewtool.h"
#include "app/pribor.h"
#include "app/referencetool.h"
#include "fourier/fourierwindow.h"
#include "generator/generatorwindow.h"
#include "generator/responsewindow.h"
#include "app/xytool.h"
#include "platform/language.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/wavfile.h"
#include "platform/vbcontrols.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProcess>
#include <QSpinBox>
#include <QScreen>
#include <QSvgRenderer>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

QString g_out;
int g_failures = 0;

void settle(int ms)
{
    QTest::qWait(ms);
}

QRect unite(const QList<QWidget *> &windows)
{
    QRect r;
    for (QWidget *w : windows)
        if (w && w->isVisible())
            r = r.united(w->frameGeometry());
    return r;
}

QImage grab(const QList<QWidget *> &windows)
{
    const QRect r = unite(windows);
    return QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
}

void save(const QImage &image, const QString &name)
{
    const QString path = g_out + QLatin1Char('/') + name;
    if (image.isNull() || !image.save(path)) {
        std::fprintf(stderr, "shots: could not write %s\n", qPrintable(path));
        ++g_failures;
        return;
    }
    std::printf("%s %dx%d\n", qPrintable(path), image.width(), image.height());
}

QAction *action(Pribor &w, const char *name)
{
    auto *a = w.findChild<QAction *>(QLatin1String(name));
    if (!a) {
        std::fprintf(stderr, "shots: no action %s\n", name);
        std::exit(1);
    }
    return a;
}

// Runs the window live at a sweep for a while, the test signal on screen.
void live(Pribor &w, int sweep, int ms)
{
    w.RasTime->SetListIndex(sweep);
    if (!w.st.CaptureRunning)
        w.zapis_Click();
    settle(ms);
}

void stop(Pribor &w)
{
    if (w.st.CaptureRunning)
        w.Stopbiton_Click();
    settle(300);
}

// The main window with a menu and its submenu open.
QImage withMenu(Pribor &w, QMenu *menu, QMenu *sub)
{
    QImage shot;
    QTimer::singleShot(0, menu, [&] {
        QTimer::singleShot(400, menu, [&] {
            if (sub) {
                menu->setActiveAction(sub->menuAction());
                QTimer::singleShot(400, menu, [&] {
                    shot = grab({&w, menu, sub});
                    menu->close();
                });
            } else {
                shot = grab({&w, menu});
                menu->close();
            }
        });
        const QRect title = w.menuBar()->actionGeometry(menu->menuAction());
        menu->exec(w.menuBar()->mapToGlobal(title.bottomLeft()));
    });
    QElapsedTimer t;
    t.start();
    while (shot.isNull() && t.elapsed() < 5000)
        settle(50);
    if (sub)
        sub->close();
    settle(200);
    return shot;
}

QImage tile(const QList<QImage> &images)
{
    int cellW = 0, cellH = 0;
    for (const QImage &i : images)
        cellW = std::max(cellW, i.width()), cellH = std::max(cellH, i.height());
    const int gap = 8;
    QImage out(2 * cellW + gap, 2 * cellH + gap, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    for (int k = 0; k < images.size() && k < 4; ++k)
        p.drawImage((k % 2) * (cellW + gap), (k / 2) * (cellH + gap), images[k]);
    return out;
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: sigmalit_shots OUTDIR\n");
        return 64;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir scratch;
    Paths::SetWorkingFolder(scratch.path() + "/work");
    Paths::SetMemFolder(scratch.path() + "/Mem");
    Paths::SetReferenceFolder(scratch.path() + "/references");
    Paths::SetCacheFolder(scratch.path() + "/cache");
    SettingsStore::SetFilePath(scratch.path() + "/settings.ini");
    SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");  // no first-start hint
    // In the language the locale asks for, as the program itself starts.
    Language::Apply(Language::Chosen());
    UiSeam::SetMessageHandler([](const MsgRequest &r) {
        std::fprintf(stderr, "shots: message box: %s\n", qPrintable(r.text));
        ++g_failures;
        return MsgAnswer::OK;
    });
    constexpr int kOneMs = 6;  // "1 мС"

    auto w = std::make_unique<Pribor>();
    w->Form_Load();
    w->move(40, 40);
    w->show();
    settle(800);

    // The classic window: the last pass after Стоп, also the help page's picture.
    live(*w, kOneMs, 2000);
    stop(*w);
    const QImage classic = grab({w.get()});
    save(classic, "screenshot.png");
    save(classic, "help-main.png");
    // The same screen exported as SVG, drawn at twice its size.
    {
        const QString svg = scratch.path() + "/screen.svg";
        QString error;
        if (!w->Exports->ExportSvg(svg, &error)) {
            std::fprintf(stderr, "shots: svg export: %s\n", qPrintable(error));
            ++g_failures;
        } else {
            QSvgRenderer r(svg);
            QImage image(r.defaultSize() * 2, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter p(&image);
            r.render(&p);
            p.end();
            save(image, "export-svg.png");
        }
    }

    // Trigger and readouts: automatic, channel 1, 50 mV, one division in.
    SettingsStore::SaveSetting("Sigm", "Trigger", "Level", "0.05");
    action(*w, "TrigAuto")->trigger();
    action(*w, "TrigCh1")->trigger();
    action(*w, "TrigRise")->trigger();
    action(*w, "TrigOneDiv")->trigger();
    action(*w, "MeasureMenu")->trigger();
    live(*w, kOneMs, 2000);
    save(grab({w.get()}), "trigger.png");
    action(*w, "MeasureMenu")->trigger();
    action(*w, "TrigOff")->trigger();

    // Cursors, X-Y, the input menu and the export menu, four in one.
    QList<QImage> four;
    w->CursorsTool->CursorsMenu->trigger();
    live(*w, 5, 1500);  // "2 мС"
    four << grab({w.get()});
    w->CursorsTool->CursorsMenu->trigger();
    w->XYView->XYMenu->trigger();
    live(*w, 7, 1500);  // "10 мС"
    four << grab({w.get()});
    four << withMenu(*w, w->Setup, w->Input->InputMenu);
    w->XYView->XYMenu->trigger();
    live(*w, 5, 1000);
    four << withMenu(*w, w->File, w->Exports->ExportMenu);
    save(tile(four), "features.png");

    // The spectrum window beside the live picture.
    w->Uroven_Click();
    settle(300);
    w->Spektr_Click();
    if (QWidget *spectrum = w->SpektrWindow)
        spectrum->move(w->frameGeometry().right() + 12, w->frameGeometry().top());
    live(*w, kOneMs, 2500);
    QList<QWidget *> windows{w.get()};
    for (QWidget *t : QApplication::topLevelWidgets())
        if (t->isVisible() && t != w.get())
            windows << t;
    save(grab(windows), "fourier.png");
    w->Spektr_Click();
    w->Uroven_Click();
    settle(300);

    // The parameters dialog over the live picture.
    live(*w, kOneMs, 1000);
    QImage dialog;
    QTimer::singleShot(800, w.get(), [&] {
        if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            dialog = grab({w.get(), d});
            d->reject();
        }
    });
    w->TimeMenu_Click();
    save(dialog, "display-rate-option.png");

    // The overview strip under ten minutes of the test signal's tones, the
    // first swelling and fading, the second with a burst now and then,
    // paged by the strip to one of the bursts.
    stop(*w);
    {
        const QString path = scratch.path() + "/long.wav";
        const int rate = 48000, seconds = 600;
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(Wav16Header(rate, 2, qint64(rate) * seconds * 4));
            std::vector<int16_t> second(size_t(rate) * 2);
            for (int s = 0; s < seconds; ++s) {
                const double swell = 0.2 + 0.7 * std::pow(std::sin(M_PI * s / 240.0), 2);
                const bool burst = s % 97 == 40;
                for (int i = 0; i < rate; ++i) {
                    const double t = double(i) / rate;
                    second[size_t(2 * i)] = int16_t(std::lround(swell * 30000 * std::sin(2 * M_PI * 1000 * t)));
                    const double b = burst && i > rate / 4 && i < rate / 2 ? 26000 : 6000;
                    second[size_t(2 * i + 1)] = int16_t(std::lround(b * std::sin(2 * M_PI * 250 * t)));
                }
                f.write(reinterpret_cast<const char *>(second.data()), qint64(second.size() * 2));
            }
            f.close();
        }
        w->RasTime->SetListIndex(3);  // "10 мС"
        if (!w->OpenOscillogram(path)) {
            std::fprintf(stderr, "shots: the long recording did not open\n");
            ++g_failures;
        }
        QElapsedTimer waited;
        waited.start();
        while ((!w->Overview->Levels() || w->Overview->Progress() >= 0) && waited.elapsed() < 20000)
            settle(50);
        w->Overview->JumpTo(int64_t(rate) * (97 * 3 + 40) + rate * 3 / 8);
        settle(500);
        save(grab({w.get()}), "overview.png");

        // The event index of the same recording, the trigger on channel B
        // above its steady tone: only the bursts, listed and ticked on the
        // strip, the screen on the third one.
        w->Trig.source = 2;
        w->Trig.slope = Trigger::Slope::Rising;
        w->Trig.levelVolts = Calibration::ToVolts(15000, w->CalFactor[1]);
        w->Events->SetOpen(true);
        waited.restart();
        while (w->Events->Running() && waited.elapsed() < 20000)
            settle(50);
        if (w->Events->Rows().size() > 2)
            w->Events->Jump(2);
        EventWindow *events = w->Events->Window();
        events->move(w->geometry().right() + 8, w->geometry().top());
        events->List->selectRow(2);
        settle(500);
        save(grab({w.get(), events}), "events.png");
        w->Events->SetOpen(false);
        w->Trig.source = 1;
        w->Trig.levelVolts = 0;
    }

    // The computed trace: a low-pass of channel B at 400 Hz with the
    // readings, then A × B; each at the scale fitted when it is chosen.
    stop(*w);
    MathTool &math = *w->MathView;
    action(*w, "MeasureMenu")->trigger();
    math.SetFilterSource(true);
    math.SetCorner(400);
    math.SetFunction(MathTrace::Function::LowPass);
    live(*w, kOneMs, 2500);
    save(grab({w.get()}), "math.png");
    math.SetFunction(MathTrace::Function::Product);
    live(*w, kOneMs, 2500);
    save(grab({w.get()}), "math-product.png");
    math.SetFunction(MathTrace::Function::Off);
    action(*w, "MeasureMenu")->trigger();

    // Persistence of the free-running signal at "500 мкС", 1 s, at display
    // rate (the classic refresh draws about one screen a second).
    constexpr int kHalfMs = 7;  // "500 мкС"
    stop(*w);
    Globals::DisplayRate = true;
    w->Persist->SetTime(1);
    live(*w, kHalfMs, 3000);
    save(grab({w.get()}), "persistence.png");
    w->Persist->SetTime(0);
    stop(*w);
    Globals::DisplayRate = false;

    // R1 and R2 kept from channels A and B at 100 mV a division, shown
    // over the live signal at 50 mV.
    live(*w, kOneMs, 1500);
    ReferenceTool &refs = *w->References;
    refs.Choose(ReferenceTool::Trace::A);
    refs.Store(0);
    refs.Choose(ReferenceTool::Trace::B);
    refs.Store(1);
    w->U2->SetListIndex(1);  // "50 мВ", channel 1
    w->U1->SetListIndex(1);  // channel 2
    live(*w, kOneMs, 2000);
    save(grab({w.get()}), "references.png");
    refs.SetShown(0, false);
    refs.SetShown(1, false);
    w->U2->SetListIndex(0);
    w->U1->SetListIndex(0);
    stop(*w);

    // The generator's window: a sine on output 1, a square on output 2.
    action(*w, "GeneratorMenu")->trigger();
    settle(300);
    if (auto *gen = w->findChild<GeneratorWindow *>()) {
        gen->channels[0].on->setChecked(true);
        gen->channels[1].shape->setCurrentIndex(int(SignalGen::Shape::Square));
        gen->channels[1].frequency->setValue(250);
        gen->channels[1].level->setValue(-12);
        gen->channels[1].on->setChecked(true);
        settle(1000);
        save(grab({gen}), "generator.png");
        gen->close();
    } else {
        std::fprintf(stderr, "shots: the generator did not open\n");
        ++g_failures;
    }

    // The frequency response of sox's low-pass at 1 kHz, put in the left
    // path between the generator's own sink and a second sink whose
    // monitor is the input (the way the sound-output test measures it).
    {
        auto pactl = [](const QStringList &args) {
            QProcess p;
            p.start(QStringLiteral("pactl"), args);
            p.waitForFinished(5000);
            return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        };
        QStringList modules;
        for (const char *name : {"sink_name=shotgen", "sink_name=shotcircuit"})
            modules << pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"), QString::fromLatin1(name),
                              QStringLiteral("rate=48000"), QStringLiteral("channels=2"), QStringLiteral("norewinds=1")});
        const QString raw = QStringLiteral("-t raw -r 48000 -b 16 -e signed");
        QProcess circuit;
        circuit.start(QStringLiteral("setsid"),
                      {QStringLiteral("bash"), QStringLiteral("-c"),
                       QStringLiteral("d=$(mktemp -d); mkfifo \"$d/a\" \"$d/b\"; trap 'trap - TERM; rm -rf \"$d\"; kill 0' TERM; "
                                      "parec -d shotgen.monitor --raw --format=s16le --rate=48000 --channels=2 --latency-msec=10 "
                                      "| tee \"$d/a\" > \"$d/b\" & "
                                      "sox --buffer 512 -M %1 -c 1 \"|sox --buffer 512 %1 -c 2 $d/a %1 -c 1 - remix 1 lowpass 1000\" "
                                      "%1 -c 1 \"|sox --buffer 512 %1 -c 2 $d/b %1 -c 1 - remix 2\" %1 -c 2 - "
                                      "| pacat -d shotcircuit --raw --format=s16le --rate=48000 --channels=2 --latency-msec=20 & wait")
                           .arg(raw)});
        circuit.waitForStarted(5000);
        settle(1000);
        auto *resp = new ResponseWindow(w.get(), QStringLiteral("shotcircuit.monitor"), QStringLiteral("shotgen"));
        resp->perOctave->setValue(6);
        resp->settle->setValue(0.4);
        resp->show();
        resp->resize(760, 560);
        settle(300);
        resp->Start();
        QElapsedTimer waited;
        waited.start();
        while (resp->Running() && waited.elapsed() < 90000)
            settle(100);
        if (resp->Points().size() < 50) {
            std::fprintf(stderr, "shots: the response has %zu points\n", resp->Points().size());
            ++g_failures;
        }
        // The cursor a step above the corner.
        const QRect plotArea = resp->plot->rect();
        QTest::mouseClick(resp->plot, Qt::LeftButton, {}, QPoint(plotArea.width() / 2 + 20, plotArea.height() / 2));
        settle(300);
        save(grab({resp}), "response.png");
        resp->close();
        circuit.terminate();
        circuit.waitForFinished(5000);
        for (const QString &m : modules)
            pactl({QStringLiteral("unload-module"), m});
    }

    w->close();
    w.reset();
    std::fflush(stdout);
    return g_failures == 0 ? 0 : 1;
}
