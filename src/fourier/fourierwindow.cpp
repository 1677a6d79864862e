// SPDX-License-Identifier: GPL-3.0-or-later
#include "fourier/fourierwindow.h"

#include "analysis/calibration.h"
#include "app/windowbounds.h"
#include "platform/settings.h"
#include "platform/twips.h"
#include "platform/vbcolor.h"
#include "platform/vbrt.h"
#include "fourier/fourierplot.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QtEndian>
#include <cmath>
#include <utility>

namespace {

const QString kApp = QStringLiteral("Sigm");
const QString kSection = QStringLiteral("Spectrum");

// A stored value that does not read as a whole number in range counts as absent.
int readWhole(const QString &key, int fallback, int lowest, int highest)
{
    const QString text = SettingsStore::GetSetting(kApp, kSection, key, QString());
    if (auto v = vb::ParseNumber(text)) {
        const double r = vb::RoundHalfEven(*v);
        if (r >= lowest && r <= highest)
            return int(r);
    }
    return fallback;
}

void save(const QString &key, int value)
{
    SettingsStore::SaveSetting(kApp, kSection, key, QString::number(value));
}

// The user's decimal separator; no thousands separator ("1000,0 Гц").
QString number(double v, int decimals)
{
    QLocale l;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l.toString(v, 'f', decimals);
}

QComboBox *combo(QWidget *parent, const char *name, const QStringList &items)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    return c;
}

}  // namespace

double SpectrumWindow::VoltsPerFullScale(int channel)
{
    // dBV follows the channel's calibration, as the readouts and cursors do.
    return Calibration::kNominalFullScaleVolts * Calibration::StoredFactor(channel + 1);
}

SpectrumWindow::SpectrumWindow(SpectrumHost host) : QWidget(host.window, Qt::Tool), host_(std::move(host))
{
    setObjectName(QStringLiteral("Spectrum"));
    setWindowTitle(tr("Спектр сигнала"));
    setAttribute(Qt::WA_ShowWithoutActivating);

    QStringList sizes;
    for (int n = Spectrum::kMinSize; n <= Spectrum::kMaxSize; n *= 2)
        sizes << QString::number(n);
    SizeBox = combo(this, "SizeBox", sizes);
    WindowBox = combo(this, "WindowBox",
                      {tr("Ханна"), tr("Блэкмана — Харриса"),
                       tr("С плоской вершиной")});
    UnitsBox = combo(this, "UnitsBox", {tr("дБFS"), tr("дБВ")});
    ScaleBox = combo(this, "ScaleBox", {tr("линейная"), tr("логарифмическая")});
    AveragingBox = combo(this, "AveragingBox",
                         {tr("нет"), tr("линейное"), tr("экспоненциальное")});
    AveragesBox = new QSpinBox(this);
    AveragesBox->setObjectName(QStringLiteral("AveragesBox"));
    AveragesBox->setRange(2, 64);
    AveragesBox->setPrefix(QStringLiteral("N = "));
    PeakHoldBox = new QCheckBox(tr("Удержание пиков"), this);
    PeakHoldBox->setObjectName(QStringLiteral("PeakHoldBox"));
    ResetButton = new QPushButton(tr("Сброс"), this);
    ResetButton->setObjectName(QStringLiteral("ResetButton"));
    ResetButton->setToolTip(tr("Начать усреднение и удержание пиков заново"));

    Plot = new SpectrumPlot(this);
    ReadoutLeft = new QLabel(this);
    ReadoutRight = new QLabel(this);
    Info = new QLabel(this);
    ReadoutLeft->setObjectName(QStringLiteral("ReadoutLeft"));
    ReadoutRight->setObjectName(QStringLiteral("ReadoutRight"));
    Info->setObjectName(QStringLiteral("Info"));
    auto colourLabel = [](QLabel *l, uint32_t bgr) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, VbColor(bgr));
        l->setPalette(pal);
    };
    colourLabel(ReadoutLeft, 0xFF0000);
    colourLabel(ReadoutRight, 0xFF);

    auto *controls = new QGridLayout;
    auto caption = [this](const char *text) { return new QLabel(tr(text), this); };
    controls->addWidget(caption(QT_TR_NOOP("БПФ")), 0, 0);
    controls->addWidget(SizeBox, 0, 1);
    controls->addWidget(caption(QT_TR_NOOP("Окно")), 0, 2);
    controls->addWidget(WindowBox, 0, 3);
    controls->addWidget(caption(QT_TR_NOOP("Уровень")), 0, 4);
    controls->addWidget(UnitsBox, 0, 5);
    controls->addWidget(caption(QT_TR_NOOP("Частоты")), 0, 6);
    controls->addWidget(ScaleBox, 0, 7);
    controls->addWidget(caption(QT_TR_NOOP("Усреднение")), 1, 0);
    controls->addWidget(AveragingBox, 1, 1, 1, 2);
    controls->addWidget(AveragesBox, 1, 3);
    controls->addWidget(PeakHoldBox, 1, 4, 1, 3);
    controls->addWidget(ResetButton, 1, 7);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(controls);
    layout->addWidget(Plot, 1);
    layout->addWidget(ReadoutLeft);
    layout->addWidget(ReadoutRight);
    layout->addWidget(Info);

    SizeBox->setCurrentIndex(readWhole(QStringLiteral("Size"), 2, 0, SizeBox->count() - 1));
    WindowBox->setCurrentIndex(readWhole(QStringLiteral("Window"), 0, 0, 2));
    UnitsBox->setCurrentIndex(readWhole(QStringLiteral("Units"), 0, 0, 1));
    ScaleBox->setCurrentIndex(readWhole(QStringLiteral("Scale"), 1, 0, 1));
    AveragingBox->setCurrentIndex(readWhole(QStringLiteral("Averaging"), 0, 0, 2));
    AveragesBox->setValue(readWhole(QStringLiteral("Averages"), 8, 2, 64));
    PeakHoldBox->setChecked(readWhole(QStringLiteral("PeakHold"), 0, 0, 1) == 1);
    resize(readWhole(QStringLiteral("Width"), 640, 320, 4000), readWhole(QStringLiteral("Height"), 460, 240, 3000));

    for (QComboBox *c : {SizeBox, WindowBox, AveragingBox})
        connect(c, &QComboBox::currentIndexChanged, this, [this] { applyChoices(); });
    connect(AveragesBox, &QSpinBox::valueChanged, this, [this] { applyChoices(); });
    for (QComboBox *c : {UnitsBox, ScaleBox})
        connect(c, &QComboBox::currentIndexChanged, this, [this] { showResult(); });
    connect(PeakHoldBox, &QCheckBox::toggled, this, [this] {
        Analyzer.Reset();
        showResult();
    });
    connect(ResetButton, &QPushButton::clicked, this, [this] {
        Analyzer.Reset();
        showResult();
    });
    loading_ = false;
    applyChoices();
}

SpectrumWindow::~SpectrumWindow() = default;

void SpectrumWindow::applyChoices()
{
    if (loading_)
        return;
    AveragesBox->setEnabled(AveragingBox->currentIndex() != 0);
    Analyzer.Configure(Spectrum::kMinSize << SizeBox->currentIndex(),
                       Spectrum::WindowKind(WindowBox->currentIndex()),
                       Spectrum::Averaging(AveragingBox->currentIndex()), AveragesBox->value());
    // A stretch waiting for the old size's plan is of no use now.
    pending_.clear();
    showResult();
}

void SpectrumWindow::Analyse(const QString &path, int64_t screenStart, int32_t screenBytes, int64_t dataStart,
                             int channels, int32_t sampleRate)
{
    if (channels < 1 || channels > 2 || sampleRate <= 0)
        return;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const qint64 frameBytes = 2 * channels;
    const qint64 want = qint64(Analyzer.Size()) * frameBytes;
    const qint64 end = f.size() + 1;  // 1-based position just past the file
    // Whole frames in step with the screen, centred on it, within the samples.
    const qint64 lowest = screenStart - std::max<qint64>(screenStart - dataStart, 0) / frameBytes * frameBytes;
    qint64 start = screenStart + (qint64(screenBytes) / 2 - want / 2) / frameBytes * frameBytes;
    if (start + want > end)
        start -= (start + want - end + frameBytes - 1) / frameBytes * frameBytes;
    start = std::max(start, lowest);
    if (start < 1 || !f.seek(start - 1))
        return;
    const QByteArray bytes = f.read(std::min(want, std::max<qint64>(end - start, 0)));
    analyse(bytes.constData(), bytes.size(), channels, sampleRate);
}

void SpectrumWindow::AnalyseNewest(const char *data, qint64 bytes, int channels, int32_t sampleRate)
{
    if (channels < 1 || channels > 2 || sampleRate <= 0 || !data)
        return;
    const qint64 frameBytes = 2 * channels;
    const qint64 take = std::min(bytes / frameBytes, qint64(Analyzer.Size())) * frameBytes;
    analyse(data + (bytes / frameBytes * frameBytes - take), take, channels, sampleRate);
}

void SpectrumWindow::analyse(const char *data, qint64 bytes, int channels, int32_t sampleRate)
{
    const int frames = int(bytes / (2 * channels));
    if (frames < 2)
        return;
    if (!Analyzer.Ready()) {
        // The transform of a new size is still being planned: the picture
        // stays as it is, and the newest stretch is analysed once the plan
        // is made.
        pending_ = QByteArray(data, qsizetype(frames) * 2 * channels);
        pendingChannels_ = channels;
        pendingRate_ = sampleRate;
        if (!planWait_) {
            planWait_ = new QTimer(this);
            planWait_->setInterval(kPlanPollMs);
            connect(planWait_, &QTimer::timeout, this, [this] {
                if (!Analyzer.Ready())
                    return;
                planWait_->stop();
                const QByteArray stretch = std::exchange(pending_, QByteArray());
                if (!stretch.isEmpty())
                    analyse(stretch.constData(), stretch.size(), pendingChannels_, pendingRate_);
            });
        }
        planWait_->start();
        return;
    }
    pending_.clear();
    std::vector<int16_t> samples(size_t(frames) * size_t(channels));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = qFromLittleEndian<qint16>(data + 2 * i);
    Analyzer.AddInterleaved16(samples.data(), frames, channels, sampleRate);
    showResult();
}

void SpectrumWindow::showResult()
{
    const bool dbv = UnitsBox->currentIndex() == 1;
    const QString unit = dbv ? tr("дБВ") : tr("дБFS");
    static const uint32_t colours[] = {0xFF0000, 0xFF};
    QLabel *readouts[] = {ReadoutLeft, ReadoutRight};
    static const char *names[] = {QT_TR_NOOP("ЛК"), QT_TR_NOOP("ПК")};
    std::vector<SpectrumPlot::Curve> curves;
    double top = 0;
    for (int ch = 0; ch < 2; ++ch) {
        if (ch >= Analyzer.Channels()) {
            readouts[ch]->setText(QString());
            continue;
        }
        const double offset = dbv ? Spectrum::ToDbv(1.0, VoltsPerFullScale(ch)) : 0.0;
        top = std::max(top, std::ceil(offset / 10) * 10);
        SpectrumPlot::Curve c;
        c.colour = VbColor(colours[ch]);
        for (double p : Analyzer.Power(ch))
            c.level.push_back(10 * std::log10(std::max(p, 1e-30)) + offset);
        if (PeakHoldBox->isChecked())
            for (double p : Analyzer.Held(ch))
                c.held.push_back(10 * std::log10(std::max(p, 1e-30)) + offset);
        curves.push_back(std::move(c));

        QString text = tr(names[ch]) + QStringLiteral(": ");
        const Spectrum::Peak peak = Analyzer.StrongestPeak(ch);
        if (!peak.found) {
            readouts[ch]->setText(text + tr("нет сигнала"));
            continue;
        }
        const double level = dbv ? Spectrum::ToDbv(peak.amplitude, VoltsPerFullScale(ch))
                                 : Spectrum::ToDbfs(peak.amplitude);
        text += tr("пик %1 Гц, %2 %3").arg(number(peak.frequency, 1), number(level, 1), unit);
        const Spectrum::Distortion d = Analyzer.DistortionOf(ch);
        if (d.valid && d.harmonics > 0)
            text += tr("; КНИ %1 дБ (%2 %)").arg(number(Spectrum::ToDbfs(d.thd), 1),
                                                             number(100 * d.thd, 3));
        if (d.valid)
            text += tr("; КНИ+Ш %1 дБ").arg(number(Spectrum::ToDbfs(d.thdPlusNoise), 1));
        readouts[ch]->setText(text);
    }
    Plot->SetData(std::move(curves), Analyzer.BinWidth(), Analyzer.SampleRate() / 2, top, top - 140, unit,
                  ScaleBox->currentIndex() == 1);
    if (Analyzer.Channels() == 0) {
        Info->setText(tr("Нет данных: спектр строится при каждой перерисовке экрана"));
        return;
    }
    Info->setText(tr("Отсчётов %1 из %2, шаг %3 Гц, спектров %4")
                      .arg(Analyzer.FramesUsed())
                      .arg(Analyzer.Size())
                      .arg(number(Analyzer.BinWidth(), 2))
                      .arg(Analyzer.SpectraAveraged()));
}

void SpectrumWindow::PlaceAndShow()
{
    const QString x = SettingsStore::GetSetting(kApp, kSection, QStringLiteral("XPosition"), QString());
    const QString y = SettingsStore::GetSetting(kApp, kSection, QStringLiteral("YPosition"), QString());
    // A place that does not read as a number, or lies beyond any screen
    // (100 000 pixels), counts as absent.
    auto stored = [](const QString &text, double fallback) {
        const auto v = vb::ParseNumber(text);
        return v && std::fabs(*v) <= 1.5e6 ? *v : fallback;
    };
    const double left = stored(x, host_.leftTw() + 600), top = stored(y, host_.topTw() + 2400);
    // Kept where its title bar can be reached, whatever the stored place.
    std::vector<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.push_back(screen->availableGeometry());
    const QRect wanted(Twips::ToPixels(left), Twips::ToPixels(top), width(), height());
    const QRect fitted = WindowBounds::Fit(wanted, screens);
    if (fitted.size() != wanted.size())
        resize(fitted.size());
    move(fitted.topLeft());
    show();
}

void SpectrumWindow::storeSettings()
{
    SettingsStore::Batch batch;
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("XPosition"),
                               vb::FormatGeneral(double(float(Twips::FromPixels(x())))));
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("YPosition"),
                               vb::FormatGeneral(double(float(Twips::FromPixels(y())))));
    save(QStringLiteral("Width"), width());
    save(QStringLiteral("Height"), height());
    save(QStringLiteral("Size"), SizeBox->currentIndex());
    save(QStringLiteral("Window"), WindowBox->currentIndex());
    save(QStringLiteral("Units"), UnitsBox->currentIndex());
    save(QStringLiteral("Scale"), ScaleBox->currentIndex());
    save(QStringLiteral("Averaging"), AveragingBox->currentIndex());
    save(QStringLiteral("Averages"), AveragesBox->value());
    save(QStringLiteral("PeakHold"), PeakHoldBox->isChecked() ? 1 : 0);
}

void SpectrumWindow::Form_Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    storeSettings();
    host_.menuItem->setChecked(false);
    host_.released(this);
    hide();
    deleteLater();
}

void SpectrumWindow::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}
