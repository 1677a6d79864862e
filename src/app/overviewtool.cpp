// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/overviewtool.h"

#include "app/overviewstrip.h"

#include "app/scopestate.h"
#include "display/ris.h"
#include "export/envelopecache.h"
#include "platform/paths.h"
#include "platform/settings.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTimer>

#include <atomic>
#include <sys/stat.h>
#include <thread>

namespace {

const QString kApp = QStringLiteral("Sigm");
const QString kSection = QStringLiteral("Overview");
const QString kKey = QStringLiteral("Shown");
// A memory recording of the classic minute may run a little over it; the
// strip is for what is clearly longer.
constexpr int64_t kClassicSeconds = 65;
constexpr int kCacheFiles = 64;

}  // namespace

struct OverviewTool::Job {
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    std::atomic<int64_t> done{0}, total{0};
    // Written by the reading thread before `finished`, read after it.
    std::optional<Envelope::Levels> result;
    QString error;
    std::thread thread;
    ~Job()
    {
        cancel = true;
        if (thread.joinable())
            thread.join();
    }
};

OverviewTool::OverviewTool(const ToolHost &host, QObject *parent) : QObject(parent), host_(host)
{
    OverviewMenu = host_.setupMenu->addAction(tr("Обзор записи"));
    OverviewMenu->setObjectName(QStringLiteral("OverviewMenu"));
    OverviewMenu->setCheckable(true);
    OverviewMenu->setStatusTip(
        tr("Полоса обзора всей записи и под записями не длиннее минуты (под длинными она есть всегда)"));
    connect(OverviewMenu, &QAction::triggered, this, [this](bool on) { SetForShortFiles(on); });
    Strip = new OverviewStrip(this, host_.surface->parentWidget());
    Strip->setObjectName(QStringLiteral("OverviewStrip"));
    Strip->hide();
    poll_ = new QTimer(this);
    // Soon enough that a cached envelope is there before the eye looks for it.
    poll_->setInterval(40);
    connect(poll_, &QTimer::timeout, this, [this] { poll(); });
    Load();
}

OverviewTool::~OverviewTool() = default;

void OverviewTool::Load()
{
    forShort_ = SettingsStore::GetSetting(kApp, kSection, kKey, QStringLiteral("0")) == QLatin1String("1");
    OverviewMenu->setChecked(forShort_);
}

void OverviewTool::SetForShortFiles(bool on)
{
    OverviewMenu->setChecked(on);
    SettingsStore::SaveSetting(kApp, kSection, kKey, on ? QStringLiteral("1") : QStringLiteral("0"));
    if (on == forShort_)
        return;
    forShort_ = on;
    // The screen read again tells whether the strip goes with it.
    host_.reread();
}

void OverviewTool::Place(const QRect &px)
{
    Strip->setGeometry(px);
    Strip->setVisible(shown_ && !px.isEmpty());
}

std::optional<OverviewTool::Source> OverviewTool::currentSource() const
{
    const ScopeState &st = *host_.st;
    if (st.FlName.isEmpty() || st.SampleRate <= 0 || st.DataStart < 1)
        return std::nullopt;
    Source s;
    s.path = Paths::MapPathForReading(st.FlName);
    struct stat info {};
    if (::stat(QFile::encodeName(s.path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    s.size = info.st_size;
    s.modifiedNs = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    s.inode = int64_t(info.st_ino);
    s.channels = st.TwoBeam ? 2 : 1;
    s.rate = st.SampleRate;
    const int frameBytes = 2 * s.channels;
    // The envelope is of the samples from the data chunk's first (as a
    // recording builds it of itself); the screen is read from DataStart, a
    // frame or two further in, and its frames are counted on by as many.
    const bool aligned = st.SampleOrigin >= 1 && st.SampleOrigin <= st.DataStart
                         && (st.DataStart - st.SampleOrigin) % frameBytes == 0;
    const int64_t origin = aligned ? st.SampleOrigin : st.DataStart;
    s.dataOffset = origin - 1;
    s.lead = (st.DataStart - origin) / frameBytes;
    const int64_t end = st.SampleEnd > 0 ? std::min(st.SampleEnd, st.FileLength) : st.FileLength;
    s.dataBytes = std::max<int64_t>(0, end - s.dataOffset) / frameBytes * frameBytes;
    if (s.dataBytes <= 0)
        return std::nullopt;
    return s;
}

void OverviewTool::SamplesRead(const ScreenFrame &f)
{
    if (f.live || host_.st->CaptureRunning) {
        // Capture writes the working file anew: what was read of it is gone.
        stopReading();
        source_ = Source();
        levels_.reset();
        setShown(false);
        return;
    }
    const std::optional<Source> s = currentSource();
    const bool wanted = s && (forShort_ || s->dataBytes / (2 * s->channels) > kClassicSeconds * s->rate);
    if (!wanted) {
        recorded_.reset();
        if (job_) {
            // Another file now: its reading is not worth the disk's time.
            stopReading();
            source_ = Source();
        }
        setShown(false);
        return;
    }
    if (!(*s == source_)) {
        source_ = *s;
        levels_.reset();
        problem_.clear();
        frames_ = s->dataBytes / (2 * s->channels);
        zoom_ = 0;
        viewFrom_ = 0;
        Strip->Invalidate();
        std::optional<Envelope::Levels> given;
        if (recorded_ && recorded_->path == s->path && recorded_->levels.Frames() == frames_
            && recorded_->levels.Channels() == s->channels)
            given = std::move(recorded_->levels);
        recorded_.reset();
        startReading(*s, std::move(given));
    }
    screenFirst_ = f.firstFrame + source_.lead;
    screenFrames_ = std::max<int64_t>(1, f.frameCount);
    keepScreenInView();
    setShown(true);
    Strip->update();
}

void OverviewTool::setShown(bool on)
{
    if (on == shown_)
        return;
    shown_ = on;
    if (!on)
        Strip->hide();
    // The window lays itself out again (the screen gives the strip its
    // room, or takes it back) once the redraw under way has ended.
    if (relayoutQueued_)
        return;
    relayoutQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        relayoutQueued_ = false;
        host_.relayout();
    });
}

void OverviewTool::TakeRecorded(const QString &path, Envelope::Levels levels)
{
    recorded_ = Recorded{path, std::move(levels)};
}

void OverviewTool::startReading(const Source &s, std::optional<Envelope::Levels> given)
{
    stopReading();
    job_ = std::make_unique<Job>();
    Job *job = job_.get();
    job->total = s.dataBytes;
    const QString folder = Paths::CacheFolder() + QStringLiteral("/overview");
    job->thread = std::thread([job, s, folder, given = std::move(given)]() mutable {
        EnvelopeCache::Identity id;
        QString error;
        const bool known = EnvelopeCache::Identify(s.path, s.dataOffset, s.dataBytes, s.rate, s.channels, &id, &error);
        if (given) {
            // Built while recording: only kept for the next open.
            QString unsaved;
            if (known && EnvelopeCache::Save(folder + QLatin1Char('/') + EnvelopeCache::FileName(id), id, *given,
                                             &unsaved))
                EnvelopeCache::Prune(folder, kCacheFiles);
            job->result = std::move(given);
        } else if (!known) {
            job->error = error;
        } else {
            const QString file = folder + QLatin1Char('/') + EnvelopeCache::FileName(id);
            job->result = EnvelopeCache::Load(file, id);
            if (!job->result) {
                job->result = EnvelopeCache::Build(
                    s.path, id,
                    [job](int64_t done, int64_t) {
                        job->done = done;
                        return !job->cancel;
                    },
                    &error);
                QString unsaved;
                // A cache that cannot be written costs only the next open's wait.
                if (job->result && EnvelopeCache::Save(file, id, *job->result, &unsaved))
                    EnvelopeCache::Prune(folder, kCacheFiles);
                if (!job->result && !job->cancel)
                    job->error = error;
            }
        }
        job->finished = true;
    });
    poll_->start();
}

void OverviewTool::stopReading()
{
    job_.reset();  // asks the thread to end and waits for it
    poll_->stop();
}

void OverviewTool::poll()
{
    if (!job_) {
        poll_->stop();
        return;
    }
    if (job_->finished) {
        job_->thread.join();
        levels_ = std::move(job_->result);
        problem_ = job_->error;
        job_.reset();
        poll_->stop();
        keepScreenInView();
        Strip->Invalidate();
    }
    Strip->update();
}

void OverviewTool::MarksChanged()
{
    if (shown_)
        Strip->update();
}

double OverviewTool::Progress() const
{
    if (!job_)
        return -1;
    const int64_t total = job_->total;
    return total > 0 ? double(job_->done) / double(total) : 0;
}

int64_t OverviewTool::ViewSpan() const
{
    int64_t span = frames_;
    for (int z = 0; z < zoom_; ++z)
        span /= 10;
    return std::max<int64_t>(span, 1);
}

int OverviewTool::MaxZoom() const
{
    // Down to where a few screens fill the strip.
    int z = 0;
    for (int64_t span = frames_ / 10; span >= 4 * screenFrames_ && z < 6; span /= 10)
        ++z;
    return z;
}

void OverviewTool::SetZoom(int zoom)
{
    zoom = std::clamp(zoom, 0, MaxZoom());
    if (zoom == zoom_)
        return;
    zoom_ = zoom;
    viewFrom_ = screenFirst_ + screenFrames_ / 2 - ViewSpan() / 2;
    keepScreenInView();
    Strip->Invalidate();
    Strip->update();
}

void OverviewTool::keepScreenInView()
{
    const int64_t span = ViewSpan();
    // The view follows a screen paged out of it, and otherwise stands
    // still (a drag on it must not move what it is dragged over).
    if (screenFirst_ < viewFrom_ || screenFirst_ + screenFrames_ > viewFrom_ + span)
        viewFrom_ = screenFirst_ + screenFrames_ / 2 - span / 2;
    viewFrom_ = std::clamp<int64_t>(viewFrom_, 0, std::max<int64_t>(0, frames_ - span));
}

void OverviewTool::JumpTo(int64_t frame)
{
    const ScopeState &st = *host_.st;
    if (st.CaptureRunning || frames_ <= 0 || !host_.pageTo)
        return;
    const int64_t lead = source_.lead;
    const int64_t first =
        std::clamp<int64_t>(frame - screenFrames_ / 2, lead, std::max<int64_t>(lead, frames_ - screenFrames_));
    host_.pageTo(st.DataStart + (first - lead) * 2 * (st.TwoBeam ? 2 : 1));
}
