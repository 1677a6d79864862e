// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/trendwindow.h"

#include "platform/language.h"
#include "platform/messagebox.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

// The values as a line, each column the lowest and highest of its seconds.
class TrendPlot : public QWidget {
public:
    TrendPlot(const std::vector<double> &values, QWidget *parent) : QWidget(parent), values_(values)
    {
        setMinimumSize(320, 160);
    }
    double scale = 1;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        double lo = INFINITY, hi = -INFINITY;
        for (double v : values_)
            if (std::isfinite(v)) {
                lo = std::min(lo, v * scale);
                hi = std::max(hi, v * scale);
            }
        if (!(lo <= hi))
            return;
        if (hi - lo < 1e-12 * std::max(1.0, std::fabs(hi)))
            hi = lo + 1;
        const int w = width(), h = height(), margin = fontMetrics().height() + 2;
        auto yOf = [&](double v) { return margin + (h - 2 * margin) * (hi - v) / (hi - lo); };
        p.setPen(QColor(0, 255, 0));
        const size_t n = values_.size();
        for (int x = 0; x < w; ++x) {
            const size_t from = size_t(double(x) / w * double(n)), to = std::max(from + 1, size_t(double(x + 1) / w * double(n)));
            double a = INFINITY, b = -INFINITY;
            for (size_t i = from; i < std::min(to, n); ++i)
                if (std::isfinite(values_[i])) {
                    a = std::min(a, values_[i] * scale);
                    b = std::max(b, values_[i] * scale);
                }
            if (a <= b)
                p.drawLine(QPointF(x, yOf(b)), QPointF(x, yOf(a) + 0.5));
        }
        const QLocale locale;
        p.setPen(QColor(200, 200, 200));
        p.drawText(QRect(4, 0, w - 8, margin), Qt::AlignLeft | Qt::AlignTop, locale.toString(hi, 'g', 5));
        p.drawText(QRect(4, h - margin, w - 8, margin), Qt::AlignLeft | Qt::AlignBottom, locale.toString(lo, 'g', 5));
    }

private:
    const std::vector<double> &values_;
};

struct TrendWindow::Job {
    std::atomic<bool> cancel{false}, finished{false};
    std::atomic<int64_t> done{0}, total{0};
    std::mutex lock;
    std::vector<double> fresh;  // under `lock`
    bool ok = false;
    QString error;
    std::thread thread;
    ~Job()
    {
        cancel = true;
        if (thread.joinable())
            thread.join();
    }
};

TrendWindow::TrendWindow(std::function<std::optional<Input>()> input, QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Tool), input_(std::move(input))
{
    setObjectName(QStringLiteral("TrendWindow"));
    setWindowTitle(tr("Тренд измерений"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    Quantity = new QComboBox(this);
    Quantity->addItem(tr("Частота, Гц"), int(Trend::Quantity::Frequency));
    Quantity->addItem(tr("СКЗ, В"), int(Trend::Quantity::Rms));
    Quantity->addItem(tr("Размах, В"), int(Trend::Quantity::PeakToPeak));
    Quantity->addItem(tr("Среднее, В"), int(Trend::Quantity::Mean));
    Quantity->setToolTip(tr("Что измерять каждую секунду записи в канале синхронизации"));
    connect(Quantity, &QComboBox::currentIndexChanged, this, [this] { Start(); });
    Plot = new TrendPlot(values_, this);
    Bar = new QProgressBar(this);
    Bar->setRange(0, 1000);
    Bar->setTextVisible(false);
    Status = new QLabel(this);
    Status->setTextFormat(Qt::PlainText);
    Status->setWordWrap(true);
    Stop = new QPushButton(tr("Прервать"), this);
    Export = new QPushButton(tr("Сохранить CSV…"), this);
    connect(Stop, &QPushButton::clicked, this, [this] {
        job_.reset();
        poll_->stop();
        problem_ = tr("Прервано: показаны секунды до места остановки.");
        poll();
    });
    connect(Export, &QPushButton::clicked, this, &TrendWindow::exportCsv);
    auto *top = new QHBoxLayout;
    top->addWidget(Quantity);
    top->addStretch(1);
    top->addWidget(Export);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(Bar, 1);
    bottom->addWidget(Stop);
    auto *box = new QVBoxLayout(this);
    box->addLayout(top);
    box->addWidget(Plot, 1);
    box->addWidget(Status);
    box->addLayout(bottom);
    resize(560, 320);
    poll_ = new QTimer(this);
    poll_->setInterval(50);
    connect(poll_, &QTimer::timeout, this, [this] { poll(); });
}

TrendWindow::~TrendWindow() = default;

Trend::Quantity TrendWindow::Chosen() const
{
    return Trend::Quantity(Quantity->currentData().toInt());
}

double TrendWindow::Scale() const
{
    return Chosen() == Trend::Quantity::Frequency ? 1.0 : used_.voltsPerUnit;
}

void TrendWindow::Start()
{
    job_.reset();
    values_.clear();
    problem_.clear();
    const std::optional<Input> in = input_();
    if (!in) {
        problem_ = tr("Нет записи: откройте осциллограмму или остановите запись.");
        poll();
        return;
    }
    used_ = *in;
    job_ = std::make_unique<Job>();
    Job *job = job_.get();
    job->total = in->source.frames;
    job->thread = std::thread([job, in = *in, q = Chosen()] {
        QString error;
        job->ok = EventList::TrendScan(
            in.source, q, in.sampleRate,
            [job](int64_t done, int64_t) {
                job->done = done;
                return !job->cancel;
            },
            [job](const std::vector<double> &v) {
                std::lock_guard<std::mutex> hold(job->lock);
                job->fresh.insert(job->fresh.end(), v.begin(), v.end());
            },
            &error);
        job->error = error;
        job->finished = true;
    });
    poll_->start();
    poll();
}

void TrendWindow::poll()
{
    if (job_) {
        const bool finished = job_->finished;
        {
            std::lock_guard<std::mutex> hold(job_->lock);
            values_.insert(values_.end(), job_->fresh.begin(), job_->fresh.end());
            job_->fresh.clear();
        }
        if (finished) {
            job_->thread.join();
            if (!job_->ok && !job_->error.isEmpty())
                problem_ = tr("Запись не прочитана: %1").arg(job_->error);
            job_.reset();
            poll_->stop();
        }
    }
    const bool running = job_ != nullptr;
    Bar->setVisible(running);
    Stop->setVisible(running);
    if (running && job_->total > 0)
        Bar->setValue(int(1000 * double(job_->done) / double(job_->total)));
    Export->setEnabled(!running && !values_.empty());
    Plot->scale = Scale();
    Status->setText(!problem_.isEmpty() ? problem_ : tr("Секунд: %1").arg(QLocale().toString(qlonglong(values_.size()))));
    Plot->update();
}

bool TrendWindow::SaveCsv(const QString &path, QString *error) const
{
    static const char *const kColumns[] = {"frequency_Hz", "rms_V", "peak_to_peak_V", "mean_V"};
    return EventList::WriteTrendCsv(path, values_, kColumns[int(Chosen())], Scale(), error);
}

void TrendWindow::exportCsv()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Сохранить тренд"), QDir::home().filePath(QStringLiteral("trend.csv")),
                                                      tr("Таблица CSV (*.csv)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!SaveCsv(path, &error))
        MsgBox(tr("Тренд не сохранён: %1").arg(error), MsgButtons::OK, MsgIcon::Critical, Language::AppTitle());
}

void TrendWindow::closeEvent(QCloseEvent *event)
{
    job_.reset();
    event->accept();
    emit Closed();
}
