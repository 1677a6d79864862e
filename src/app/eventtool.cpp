// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/eventtool.h"

#include "app/eventwindow.h"
#include "app/trendwindow.h"
#include "app/scopestate.h"
#include "platform/paths.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTimer>

#include <atomic>
#include <mutex>
#include <sys/stat.h>
#include <thread>

struct EventTool::Job {
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    std::atomic<int64_t> done{0}, total{0};
    std::mutex lock;
    std::vector<EventList::Row> fresh;  // under `lock`
    // Written by the reading thread before `finished`, read after it.
    bool ok = false, full = false;
    QString error;
    std::thread thread;
    ~Job()
    {
        cancel = true;
        if (thread.joinable())
            thread.join();
    }
};

EventTool::EventTool(const ToolHost &host, EventHooks hooks, QObject *parent)
    : QObject(parent), host_(host), hooks_(std::move(hooks))
{
    EventMenu = host_.setupMenu->addAction(tr("Указатель запусков"));
    EventMenu->setObjectName(QStringLiteral("EventMenu"));
    EventMenu->setCheckable(true);
    EventMenu->setStatusTip(tr("Список всех запусков синхронизации в записи, с измерениями после каждого"));
    connect(EventMenu, &QAction::triggered, this, [this](bool on) { SetOpen(on); });
    TrendMenu = host_.setupMenu->addAction(tr("Тренд измерений"));
    TrendMenu->setObjectName(QStringLiteral("TrendMenu"));
    TrendMenu->setCheckable(true);
    TrendMenu->setStatusTip(tr("Частота, СКЗ, размах или среднее каждую секунду всей записи"));
    connect(TrendMenu, &QAction::triggered, this, [this](bool on) { SetTrendOpen(on); });
    poll_ = new QTimer(this);
    // Often enough for the progress to move smoothly, seldom enough that
    // taking the rows found costs the window nothing.
    poll_->setInterval(50);
    connect(poll_, &QTimer::timeout, this, [this] { poll(); });
}

EventTool::~EventTool()
{
    job_.reset();
    delete window_;
    delete trend_;
}

bool EventTool::IsOpen() const
{
    return !window_.isNull();
}

EventWindow *EventTool::Window() const
{
    return window_.data();
}

TrendWindow *EventTool::Trend() const
{
    return trend_.data();
}

void EventTool::SetTrendOpen(bool on)
{
    TrendMenu->setChecked(on);
    if (on == !trend_.isNull())
        return;
    if (!on) {
        trend_->close();
        return;
    }
    trend_ = new TrendWindow(
        [this]() -> std::optional<TrendWindow::Input> {
            const std::optional<Source> s = currentSource();
            if (!s)
                return std::nullopt;
            const EventHooks::Setup setup = hooks_.setup();
            TrendWindow::Input in;
            in.source.path = s->path;
            in.source.dataOffset = s->dataOffset;
            in.source.frames = s->frames;
            in.source.channels = s->channels;
            in.source.channel = std::min(setup.channel, s->channels - 1);
            in.sampleRate = s->rate;
            in.voltsPerUnit = setup.voltsPerUnit;
            return in;
        },
        host_.window);
    connect(trend_, &TrendWindow::Closed, this, [this] {
        trend_->deleteLater();
        trend_ = nullptr;
        TrendMenu->setChecked(false);
    });
    if (host_.window)
        trend_->move(host_.window->geometry().bottomLeft() + QPoint(0, 8));
    trend_->show();
    trend_->Start();
}

void EventTool::SetOpen(bool on)
{
    EventMenu->setChecked(on);
    if (on == IsOpen())
        return;
    if (on) {
        window_ = new EventWindow(this, host_.window);
        connect(window_, &EventWindow::Closed, this, [this] {
            // The window goes: so do the index and its reading.
            window_->deleteLater();
            window_ = nullptr;
            EventMenu->setChecked(false);
            clear();
        });
        window_->Place();
        Start();
    } else {
        window_->close();
    }
}

std::optional<EventTool::Source> EventTool::currentSource() const
{
    const ScopeState &st = *host_.st;
    if (st.CaptureRunning || st.FlName.isEmpty() || st.SampleRate <= 0 || st.DataStart < 1)
        return std::nullopt;
    Source s;
    s.path = Paths::MapPathForReading(st.FlName);
    struct stat info {};
    if (::stat(QFile::encodeName(s.path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    s.size = info.st_size;
    s.modifiedNs = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    s.channels = st.TwoBeam ? 2 : 1;
    s.rate = st.SampleRate;
    // Frames counted as the paging counts them: from DataStart.
    s.dataOffset = st.DataStart - 1;
    // Times count from the data chunk's first frame, as `sigmalit events`
    // and the overview count them; DataStart lies a frame or two further in.
    const int frameBytes = 2 * s.channels;
    if (st.SampleOrigin >= 1 && st.SampleOrigin <= st.DataStart && (st.DataStart - st.SampleOrigin) % frameBytes == 0)
        s.lead = (st.DataStart - st.SampleOrigin) / frameBytes;
    const int64_t end = st.SampleEnd > 0 ? std::min(st.SampleEnd, st.FileLength) : st.FileLength;
    s.frames = std::max<int64_t>(0, end - s.dataOffset) / (2 * s.channels);
    if (s.frames <= 0)
        return std::nullopt;
    return s;
}

void EventTool::SamplesRead(const ScreenFrame &f)
{
    if (f.live || host_.st->CaptureRunning) {
        // Capture writes the working file anew: the index is of what was there.
        if (job_ || !rows_.empty() || shown_) {
            shown_.reset();
            clear();
        }
        return;
    }
    const std::optional<Source> s = currentSource();
    if (s == shown_)
        return;
    shown_ = s;
    // Another recording: its own index, when the window is there to show it.
    clear();
    if (IsOpen() && s)
        Start();
}

void EventTool::clear()
{
    job_.reset();
    poll_->stop();
    rows_.clear();
    rows_.shrink_to_fit();
    complete_ = full_ = false;
    problem_.clear();
    channel_ = -1;
    source_ = Source();
    emit Changed();
}

void EventTool::Start()
{
    clear();
    const std::optional<Source> s = currentSource();
    if (!s) {
        problem_ = tr("Нет записи: откройте осциллограмму или остановите запись.");
        emit Changed();
        return;
    }
    const EventHooks::Setup setup = hooks_.setup();
    source_ = *s;
    condition_ = setup.condition;
    channel_ = std::min(setup.channel, s->channels - 1);
    rate_ = s->rate;
    voltsPerUnit_ = setup.voltsPerUnit;
    holdoffFrames_ = std::max(0.0, setup.holdoffSeconds) * s->rate;
    job_ = std::make_unique<Job>();
    Job *job = job_.get();
    job->total = s->frames;
    EventList::Source from;
    from.path = s->path;
    from.dataOffset = s->dataOffset;
    from.frames = s->frames;
    from.channels = s->channels;
    from.channel = channel_;
    job->thread = std::thread([job, from, c = condition_, holdoff = holdoffFrames_] {
        QString error;
        bool full = false;
        job->ok = EventList::Scan(
            from, c, holdoff,
            [job](int64_t done, int64_t) {
                job->done = done;
                return !job->cancel;
            },
            [job](const std::vector<EventList::Row> &rows) {
                std::lock_guard<std::mutex> hold(job->lock);
                job->fresh.insert(job->fresh.end(), rows.begin(), rows.end());
            },
            &full, &error);
        job->full = full;
        job->error = error;
        job->finished = true;
    });
    poll_->start();
    emit Changed();
}

void EventTool::Cancel()
{
    if (!job_)
        return;
    job_.reset();  // asks the thread to end and waits for it (a block at most)
    poll_->stop();
    problem_ = tr("Поиск прерван: показаны запуски до места, где он остановился.");
    emit Changed();
}

void EventTool::poll()
{
    if (!job_) {
        poll_->stop();
        return;
    }
    const bool finished = job_->finished;
    {
        std::lock_guard<std::mutex> hold(job_->lock);
        rows_.insert(rows_.end(), job_->fresh.begin(), job_->fresh.end());
        job_->fresh.clear();
    }
    if (finished) {
        job_->thread.join();
        complete_ = job_->ok && !job_->full;
        full_ = job_->full;
        if (!job_->ok && !job_->error.isEmpty())
            problem_ = tr("Запись не прочитана: %1").arg(job_->error);
        job_.reset();
        poll_->stop();
    }
    emit Changed();
}

double EventTool::Progress() const
{
    if (!job_)
        return -1;
    const int64_t total = job_->total;
    return total > 0 ? double(job_->done) / double(total) : 0;
}

void EventTool::Jump(size_t row)
{
    if (row < rows_.size() && hooks_.showEvent && !host_.st->CaptureRunning)
        hooks_.showEvent(rows_[row].position);
}

bool EventTool::SaveCsv(const QString &path, QString *error) const
{
    return EventList::WriteCsv(path, rows_, rate_, voltsPerUnit_, double(source_.lead), error);
}

std::optional<std::optional<double>> EventTool::Find(bool forward, double here, const Trigger::Condition &c,
                                                     int channel) const
{
    // Paging steps the holdoff from the event shown, the list chains it
    // from the first: only a list without one pages the same.
    if (holdoffFrames_ > 0 || channel != channel_ || c.level != condition_.level || c.hysteresis != condition_.hysteresis
        || c.slope != condition_.slope || !shown_ || !(*shown_ == source_) || (rows_.empty() && !complete_))
        return std::nullopt;
    if (forward) {
        const ptrdiff_t i = EventList::After(rows_, here + 2);
        if (i >= 0)
            return std::optional<double>(rows_[size_t(i)].position);
        // Past the last event found: only a whole index knows there is none.
        return complete_ ? std::optional<std::optional<double>>(std::optional<double>()) : std::nullopt;
    }
    // Backwards only over what the index has covered: up to its last event.
    if (!complete_ && (rows_.empty() || here - 2 > rows_.back().position))
        return std::nullopt;
    const ptrdiff_t i = EventList::Before(rows_, here - 2);
    return i >= 0 ? std::optional<double>(rows_[size_t(i)].position) : std::optional<double>();
}

bool EventTool::Any(double from, double to) const
{
    const ptrdiff_t i = EventList::After(rows_, std::nextafter(from, -1e300));
    return i >= 0 && rows_[size_t(i)].position < to;
}
