// SPDX-License-Identifier: GPL-3.0-or-later
#include "generator/responsewindow.h"

#include "acquisition/inputchoice.h"
#include "acquisition/responserun.h"
#include "export/atomicfile.h"
#include "export/responsechart.h"
#include "export/scene.h"
#include "generator/outputbox.h"
#include "platform/language.h"
#include "platform/messagebox.h"
#include "platform/settings.h"

#include <QCloseEvent>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

// The curves, with a cursor moved by the mouse that reads out the nearest point.
class ResponsePlot : public QWidget {
public:
    ResponsePlot(const std::vector<ToneResponse::Point> &points, const double &from, const double &to)
        : points_(points), from_(from), to_(to)
    {
        setMinimumSize(520, 300);
        setMouseTracking(false);
    }
    int cursor = -1;

    ResponseChart::Frame FrameFor(QSize size) const { return ResponseChart::Fit(points_, from_, to_, size); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const ResponseChart::Frame f = FrameFor(size());
        const Scene s = ResponseChart::Draw(f, points_, cursor);
        QPainter p(this);
        p.fillRect(rect(), s.background);
        s.Paint(p);
    }
    void mousePressEvent(QMouseEvent *e) override { pointAt(e->position().x()); }
    void mouseMoveEvent(QMouseEvent *e) override { pointAt(e->position().x()); }

private:
    void pointAt(double x)
    {
        cursor = ResponseChart::Nearest(FrameFor(size()), points_, x);
        update();
    }
    const std::vector<ToneResponse::Point> &points_;
    const double &from_, &to_;
};

namespace {

// Section "Response" of the settings: what the last measurement was started
// with. A value missing, unreadable or out of its box's range gives the default.
QString stored(const char *key)
{
    return SettingsStore::GetSetting(QStringLiteral("Sigm"), QStringLiteral("Response"), QString::fromLatin1(key));
}

void restore(QDoubleSpinBox *box, const char *key)
{
    bool ok = false;
    const double v = stored(key).toDouble(&ok);  // written in the C locale
    if (ok && v >= box->minimum() && v <= box->maximum())
        box->setValue(v);
}

void restore(QSpinBox *box, const char *key)
{
    bool ok = false;
    const int v = stored(key).toInt(&ok);
    if (ok && v >= box->minimum() && v <= box->maximum())
        box->setValue(v);
}

QDoubleSpinBox *spin(double lo, double hi, double value, int decimals, const QString &suffix)
{
    auto *s = new QDoubleSpinBox;
    s->setRange(lo, hi);
    s->setDecimals(decimals);
    s->setValue(value);
    s->setSuffix(suffix);
    return s;
}

}  // namespace

ResponseWindow::ResponseWindow(QWidget *owner, const QString &input, const QString &output)
    : QWidget(owner, Qt::Tool), input_(input)
{
    setObjectName(QStringLiteral("Response"));
    setWindowTitle(tr("АЧХ и ФЧХ"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *form = new QFormLayout;
    from = spin(1, 24000, 20, 1, tr(" Гц"));
    to = spin(1, 24000, 20000, 1, tr(" Гц"));
    perOctave = new QSpinBox;
    perOctave->setRange(1, 48);
    perOctave->setValue(12);
    level = spin(-60, 0, -6, 1, tr(" дБFS"));
    settle = spin(0.02, 10, 0.15, 2, tr(" с"));
    settle->setToolTip(tr("Сколько ждать после смены частоты, прежде чем измерять"));
    restore(from, "From");
    restore(to, "To");
    restore(perOctave, "PerOctave");
    restore(level, "Level");
    restore(settle, "Settle");
    this->output = new OutputBox(output.isEmpty() ? stored("Output") : output);
    form->addRow(tr("От:"), from);
    form->addRow(tr("До:"), to);
    form->addRow(tr("Точек на октаву:"), perOctave);
    form->addRow(tr("Уровень:"), level);
    form->addRow(tr("Установление:"), settle);
    form->addRow(tr("Выход:"), this->output);
    top->addLayout(form);
    auto *buttons = new QVBoxLayout;
    measure = new QPushButton(tr("Измерить"));
    cancel = new QPushButton(tr("Отмена"));
    cancel->setEnabled(false);
    saveCsv = new QPushButton(tr("Таблица CSV…"));
    savePng = new QPushButton(tr("Рисунок PNG…"));
    saveSvg = new QPushButton(tr("Рисунок SVG…"));
    for (QPushButton *b : {measure, cancel, saveCsv, savePng, saveSvg})
        buttons->addWidget(b);
    buttons->addStretch();
    top->addLayout(buttons);
    auto *note = new QLabel(tr("Выход 1 (левый) — на вход цепи, её выход — на вход 1.\n"
                               "Выход 2 (правый) — прямо на вход 2: это опорный сигнал."));
    note->setWordWrap(true);
    top->addWidget(note, 1);
    layout->addLayout(top);
    plot = curves_ = new ResponsePlot(points_, shownFrom_, shownTo_);
    layout->addWidget(plot, 1);
    progress = new QProgressBar;
    layout->addWidget(progress);
    state = new QLabel;
    warning = new QLabel;
    for (QLabel *l : {state, warning}) {
        l->setTextFormat(Qt::PlainText);  // the server's own words may follow
        l->setWordWrap(true);
        layout->addWidget(l);
    }
    warning->setStyleSheet(QStringLiteral("color: #c00000"));
    timer_ = new QTimer(this);
    timer_->setInterval(5);
    connect(timer_, &QTimer::timeout, this, [this] { poll(); });
    connect(measure, &QPushButton::clicked, this, [this] { Start(); });
    connect(cancel, &QPushButton::clicked, this, [this] { Cancel(); });
    connect(saveCsv, &QPushButton::clicked, this, [this] { save(0); });
    connect(savePng, &QPushButton::clicked, this, [this] { save(1); });
    connect(saveSvg, &QPushButton::clicked, this, [this] { save(2); });
    state->setText(tr("Соедините цепь и нажмите «Измерить»."));
}

ResponseWindow::~ResponseWindow() = default;

bool ResponseWindow::Running() const
{
    return run_ && timer_->isActive();
}

void ResponseWindow::Start()
{
    if (Running())
        return;
    ResponseSweep::Settings s;
    s.from = std::min(from->value(), to->value());
    s.to = std::max(from->value(), to->value());
    s.perOctave = perOctave->value();
    s.levelDbfs = level->value();
    s.settleSeconds = settle->value();
    {
        SettingsStore::Batch batch;
        const auto put = [](const char *key, const QString &v) {
            SettingsStore::SaveSetting(QStringLiteral("Sigm"), QStringLiteral("Response"), QString::fromLatin1(key), v);
        };
        put("From", QString::number(from->value()));
        put("To", QString::number(to->value()));
        put("PerOctave", QString::number(perOctave->value()));
        put("Level", QString::number(level->value()));
        put("Settle", QString::number(settle->value()));
        put("Output", output->Chosen());
    }
    int err = 0;
    QString notice;
    const QString wanted = QString::fromLocal8Bit(qgetenv("SIGM_INPUT")).trimmed();
    auto input = wanted.isEmpty() ? InputChoice::Make(input_, &err, &notice) : MakeSoundInput(wanted, &err);
    run_ = std::make_unique<ResponseRun>(s, std::move(input), output->Chosen());
    QString error;
    if (!run_->Start(&error)) {
        run_.reset();
        state->setText(tr("Измерение не началось: ") + error + QLatin1Char('.'));
        return;
    }
    points_.clear();
    curves_->cursor = -1;
    shownFrom_ = s.from;
    shownTo_ = s.to;
    progress->setRange(0, int(run_->Sweep().StepCount()));
    progress->setValue(0);
    warning->clear();
    state->setText(notice.isEmpty() ? tr("Идёт измерение…") : notice);
    measure->setEnabled(false);
    cancel->setEnabled(true);
    timer_->start();
    plot->update();
}

void ResponseWindow::poll()
{
    if (!run_)
        return;
    const bool going = run_->Poll();
    if (run_->Sweep().Points().size() != points_.size()) {
        points_ = run_->Sweep().Points();
        progress->setValue(int(points_.size()));
        showWarnings();
        plot->update();
    }
    if (!going)
        finish();
}

void ResponseWindow::showWarnings()
{
    QStringList w;
    if (run_->Sweep().AnyClipped())
        w << tr("Вход 2 перегружен: уменьшите уровень, точки с перегрузкой недостоверны.");
    if (run_->Sweep().AnySilent())
        w << tr("На входе 2 нет сигнала (тише −60 дБFS): проверьте, что выход 2 соединён со входом 2.");
    if (run_->Sweep().AnyUnsteady())
        w << tr("Некоторые точки неустойчивы: сигнал прерывался или тонул в шуме и после повторных попыток.");
    warning->setText(w.join(QLatin1Char('\n')));
}

void ResponseWindow::finish()
{
    timer_->stop();
    measure->setEnabled(true);
    cancel->setEnabled(false);
    const QLocale l;
    if (!run_->Failed().isEmpty())
        state->setText(tr("Измерение прервано: ") + run_->Failed() + QLatin1Char('.'));
    else if (run_->Sweep().Cancelled())
        state->setText(tr("Измерение отменено: %1 точек из %2.")
                           .arg(points_.size())
                           .arg(run_->Sweep().StepCount()));
    else
        state->setText(tr("Готово: %1 точек за %2 с.").arg(points_.size()).arg(l.toString(run_->ElapsedSeconds(), 'f', 1)));
}

void ResponseWindow::Cancel()
{
    if (!Running())
        return;
    run_->Cancel();
    finish();
}

QStringList ResponseWindow::caption() const
{
    const QLocale l;
    return {tr("АЧХ и ФЧХ: %1–%2 Гц, %3 точек на октаву, уровень %4 дБFS")
                .arg(l.toString(shownFrom_, 'g', 6), l.toString(shownTo_, 'g', 6))
                .arg(perOctave->value())
                .arg(l.toString(level->value(), 'f', 1))};
}

bool ResponseWindow::WriteCsv(const QString &path, QString *error) const
{
    return AtomicFile::Write(path, ResponseChart::Csv(points_), error);
}

bool ResponseWindow::WritePicture(const QString &path, bool svg, QString *error) const
{
    const QSize size(800, 480);
    Scene s = ResponseChart::Draw(ResponseChart::Fit(points_, shownFrom_, shownTo_, size), points_, curves_->cursor);
    s.caption = caption();
    if (svg)
        return PictureExport::SaveSvg(path, PictureExport::SvgOf(s), error);
    QImage image(size, QImage::Format_RGB32);
    image.fill(s.background);
    {
        QPainter p(&image);
        s.Paint(p);
    }
    return PictureExport::SavePng(path, PictureExport::Compose(image, s.caption), error);
}

void ResponseWindow::save(int what)
{
    if (points_.empty()) {
        MsgBox(tr("Сначала измерьте: сохранять пока нечего."), MsgButtons::OK, MsgIcon::Information, Language::AppTitle());
        return;
    }
    static const char *const names[] = {"response.csv", "response.png", "response.svg"};
    const QString filter = what == 0 ? tr("Таблица CSV (*.csv)") : what == 1 ? tr("Рисунок PNG (*.png)") : tr("Рисунок SVG (*.svg)");
    const QString path = QFileDialog::getSaveFileName(this, tr("Сохранить АЧХ и ФЧХ"),
                                                      QDir::home().filePath(QString::fromLatin1(names[what])), filter);
    if (path.isEmpty())
        return;
    QString error;
    if (!(what == 0 ? WriteCsv(path, &error) : WritePicture(path, what == 2, &error)))
        MsgBox(error, MsgButtons::OK, MsgIcon::Critical, Language::AppTitle());
}

void ResponseWindow::closeEvent(QCloseEvent *event)
{
    if (run_)
        run_->Cancel();
    timer_->stop();
    emit closed();
    event->accept();
}
