// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/captureengine.h"
#include "acquisition/inputchoice.h"

#include "acquisition/mci.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <thread>

namespace {

// A recording that starts within this long after a save carries on from the
// save's cut: that is a refresh cycle turning over, not a new start.
constexpr int kContinueWithinMs = 500;
// How much of the recent stream is kept while nothing records.
constexpr int kBacklogMs = 1000;
// A save that finds the stream this far behind the clock first makes sure
// the input still lives.
constexpr int kStallMs = 100;
// Data read this soon after the read before is current, not a backlog
// (the drain timer reads every kDrainPeriodMs).
constexpr int kFreshReadMs = 50;
// An idle stream is released after this long without a recording.
constexpr int kIdleReleaseMs = 5000;
// A recording never grows beyond this.
constexpr qint64 kMaxRecordingSeconds = 15 * 60;
constexpr int kDrainPeriodMs = 40;
// Silence is counted in steps of at most this much: a longer gap between two
// looks at the input is the process not running, not the input being quiet.
constexpr int kQuietStepMs = 2 * kDrainPeriodMs;
// A save waits at most this long for a stream that lags behind the clock;
// then it takes what is there (the next pass goes on from its cut).
constexpr int kCatchUpMs = 250;
// A start that does not wait for its first pass looks this often whether
// the pass is complete.
constexpr int kLimitPollMs = 2;
// Display fragments never get shorter than this, however fast the screen:
// each wakes the process.
constexpr int kMinDisplayFragmentMs = 4;

qint64 msSince(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t).count();
}

void releaseAtExit()
{
    CaptureEngine::Instance().Shutdown();
}

}  // namespace

CaptureEngine &CaptureEngine::Instance()
{
    // Never destroyed: the input is released while the application object
    // still exists, not by a static destructor after it.
    static CaptureEngine *engine = new CaptureEngine;
    return *engine;
}

CaptureEngine::CaptureEngine()
{
    if (QCoreApplication::instance())
        qAddPostRoutine(releaseAtExit);
}

void CaptureEngine::SetSourceFactory(SourceFactory factory)
{
    Shutdown();
    factory_ = std::move(factory);
    realInputSeen_ = false;
}

void CaptureEngine::SetTimeouts(int firstDataMs, int silenceMs)
{
    firstDataMs_ = firstDataMs;
    silenceMs_ = silenceMs;
}

void CaptureEngine::SetInputListener(InputListener listener)
{
    listeners_.push_back(std::move(listener));
}

bool CaptureEngine::RaiseInputLost(int error)
{
    return error == MciErr::DeviceLost && inputLostHandler_ && inputLostHandler_(error);
}

void CaptureEngine::SetPreferredInput(const QString &choice)
{
    preferred_ = choice;
}

QString CaptureEngine::TakeInputNotice()
{
    return std::exchange(inputNotice_, QString());
}

bool CaptureEngine::InputIsDemo() const
{
    return running_ && demo_;
}

void CaptureEngine::SetLossListener(std::function<void()> listener)
{
    lossListener_ = std::move(listener);
}

std::unique_ptr<CaptureSource> CaptureEngine::makeSource(int *error)
{
    *error = 0;
    std::unique_ptr<CaptureSource> input;
    if (factory_) {
        input = factory_(error);
    } else {
        const QString wanted = QString::fromLocal8Bit(qgetenv("SIGM_INPUT")).trimmed();
        if (wanted.compare(QLatin1String("demo"), Qt::CaseInsensitive) == 0)
            return MakeDemoSource();
        // SIGM_INPUT wins over the input chosen in the window.
        input = wanted.isEmpty() ? InputChoice::Make(preferred_, error, &inputNotice_) : MakeSoundInput(wanted, error);
        // No sound input on this machine at all: the demo generator, but
        // only until a real input has been used in this run.
        if (!input && *error == 0 && !realInputSeen_)
            return MakeDemoSource();
    }
    if (!input && *error == 0)
        *error = MciErr::InputUnavailable;
    return input;
}

int CaptureEngine::ensureRunning(const CaptureFormat &format)
{
    if (running_ && format == format_)
        return 0;
    pendingError_ = 0;
    if (source_)
        source_->Stop();
    running_ = false;
    int error = 0;
    // A source that ran in another format starts again in this one; a
    // lost one has been dropped and is looked up afresh.
    if (!source_)
        source_ = makeSource(&error);
    if (!source_)
        return error ? error : MciErr::NoSuitableInput;
    source_->SetFragmentMs(fragmentMs_);
    // One beam is the first channel: ask for two and keep the left one;
    // an input that has only one channel gives that one.
    CaptureFormat sourceFormat = format;
    if (format.channels == 1) {
        sourceFormat.channels = 2;
        if (source_->Start(sourceFormat) != 0)
            sourceFormat.channels = 1;
    }
    if (sourceFormat.channels == format.channels) {
        if (const int rc = source_->Start(format)) {
            // An input that cannot even be reached at a start is not there.
            if (rc == MciErr::DeviceLost) {
                source_.reset();
                return MciErr::InputUnavailable;
            }
            return rc;
        }
    }
    sourceChannels_ = sourceFormat.channels;
    if (!source_->IsDemo())
        realInputSeen_ = true;
    format_ = format;
    running_ = true;
    buf_.clear();
    bufStart_ = end_ = 0;
    cut_ = -1;
    started_ = Clock::now();
    anchorTime_ = lastRead_ = started_;
    anchorFrame_ = 0;
    gotData_ = false;
    quietMs_ = 0;
    demo_ = source_->IsDemo();
    description_ = source_->Description();
    for (const InputListener &listener : listeners_)
        listener(demo_, description_);
    armTimer();
    return 0;
}

void CaptureEngine::askFragments(int ms)
{
    if (ms == fragmentMs_)
        return;
    fragmentMs_ = ms;
    if (source_)
        source_->SetFragmentMs(ms);
}

void CaptureEngine::SetFramePeriodMs(double ms)
{
    displayFragmentMs_ = std::clamp(int(std::floor(ms)), kMinDisplayFragmentMs, kDisplayFragmentMs);
}

void CaptureEngine::armTimer()
{
    if (!QCoreApplication::instance())
        return;
    if (!timer_) {
        timer_ = new QTimer;
        timer_->setInterval(kDrainPeriodMs);
        QObject::connect(timer_, &QTimer::timeout, timer_, [this] { onTimer(); });
    }
    if (!timer_->isActive())
        timer_->start();
}

void CaptureEngine::onTimer()
{
    if (!running_) {
        timer_->stop();
        return;
    }
    if (rec_ == Rec::None && msSince(lastRecordingEnd_) > kIdleReleaseMs) {
        // Nobody records: let the sound input go until the next start.
        source_->Stop();
        running_ = false;
        timer_->stop();
        return;
    }
    if (pendingError_ == 0) {
        pendingError_ = pump();
        if (pendingError_ == MciErr::DeviceLost && rec_ == Rec::Live && lossListener_) {
            // Told from the event loop, never from inside a device command.
            QTimer::singleShot(0, timer_, [this] {
                if (lossListener_)
                    lossListener_();
            });
        }
    }
}

void CaptureEngine::lose()
{
    if (source_)
        source_->Stop();
    source_.reset();
    running_ = false;
}

int CaptureEngine::takePending()
{
    const int rc = pendingError_;
    pendingError_ = 0;
    return rc;
}

void CaptureEngine::finish()
{
    const int bpf = format_.BytesPerFrame();
    done_ = buf_.mid(qsizetype((recStart_ - bufStart_) * bpf), qsizetype((recLimit_ - recStart_) * bpf));
    rec_ = Rec::Done;
}

int CaptureEngine::pump()
{
    // A failure the drain timer found is told to the next command.
    if (pendingError_)
        return takePending();
    if (!running_)
        return 0;
    const qsizetype before = buf_.size();
    scratch_.clear();
    QByteArray &into = sourceChannels_ == format_.channels ? buf_ : scratch_;
    if (!source_->ReadAvailable(into)) {
        buf_.resize(before);
        lose();
        return MciErr::DeviceLost;
    }
    if (&into == &scratch_) {
        // Keep the first channel of each two-channel frame.
        const qsizetype frames = scratch_.size() / 4;
        buf_.resize(before + frames * 2);
        char *to = buf_.data() + before;
        const char *from = scratch_.constData();
        for (qsizetype i = 0; i < frames; ++i) {
            to[2 * i] = from[4 * i];
            to[2 * i + 1] = from[4 * i + 1];
        }
    }
    const Clock::time_point now = Clock::now();
    const double sinceLastMs = std::chrono::duration<double, std::milli>(now - lastRead_).count();
    const bool fresh = now - lastRead_ <= std::chrono::milliseconds(kFreshReadMs);
    lastRead_ = now;
    const qint64 frames = (buf_.size() - before) / format_.BytesPerFrame();
    if (frames > 0) {
        end_ += frames;
        gotData_ = true;
        quietMs_ = 0;
        if (fresh || lagMs(now) < 0) {
            anchorTime_ = now;
            anchorFrame_ = end_;
        }
    } else {
        // Quiet counts only the time spent looking: the gap since the last
        // look, capped, so a process that was not given the processor for a
        // while (a busy machine, a long wait elsewhere) does not take its own
        // absence for a dead input.
        quietMs_ += std::min(sinceLastMs, double(kQuietStepMs));
        const auto sinceStartMs = std::chrono::duration_cast<std::chrono::milliseconds>(now - started_).count();
        if (gotData_ ? quietMs_ > silenceMs_ : sinceStartMs > firstDataMs_) {
            lose();
            return MciErr::DeviceLost;
        }
    }
    int rc = 0;
    if (rec_ == Rec::Live && recLimit_ < 0 && end_ - recStart_ > kMaxRecordingSeconds * format_.sampleRate) {
        recLimit_ = recStart_ + kMaxRecordingSeconds * format_.sampleRate;
        rc = MciErr::OutOfMemory;
    }
    if (rec_ == Rec::Live && recLimit_ >= 0 && end_ >= recLimit_)
        finish();
    trim();
    return rc;
}

bool CaptureEngine::behind()
{
    const bool late = running_ && rec_ == Rec::Live && recLimit_ < 0 && lagMs(Clock::now()) > kStallMs;
    if (!late) {
        behindSince_ = {};
        return false;
    }
    const Clock::time_point now = Clock::now();
    if (behindSince_ == Clock::time_point{})
        behindSince_ = now;
    return now - behindSince_ < std::chrono::milliseconds(kCatchUpMs);
}

int CaptureEngine::pumpExpectingData()
{
    // The save of a live recording: if the stream has fallen behind the
    // clock, wait for it to catch up or be declared lost, rather than save a
    // stretch that silently stopped. The wait counts from when the lag was
    // first seen, so a refresh that already came back for it (CatchingUp)
    // does not wait again.
    if (const int rc = pump())
        return rc;
    while (behind()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (const int rc = pump())
            return rc;
    }
    return 0;
}

bool CaptureEngine::CatchingUp()
{
    if (pendingError_ == 0)
        pendingError_ = pump();
    return pendingError_ == 0 && behind();
}

double CaptureEngine::lagMs(Clock::time_point now) const
{
    const double elapsed = std::chrono::duration<double, std::milli>(now - anchorTime_).count();
    return elapsed - double(end_ - anchorFrame_) * 1000.0 / format_.sampleRate;
}

void CaptureEngine::trim()
{
    qint64 keep = end_ - qint64(kBacklogMs) * format_.sampleRate / 1000;
    if (rec_ == Rec::Live)
        keep = std::min(keep, recStart_);
    if (keep <= bufStart_)
        return;
    buf_.remove(0, qsizetype((keep - bufStart_) * format_.BytesPerFrame()));
    bufStart_ = keep;
    if (cut_ < bufStart_)
        cut_ = -1;
}

int CaptureEngine::StartRecording(const CaptureFormat &format, qint64 limitFrames, bool continuePass)
{
    dropLimitWait();
    rec_ = Rec::None;
    done_.clear();
    // Asked before the recording's first frame is known; the stream runs
    // on through the change.
    askFragments(kTimedFragmentMs);
    if (const int rc = ensureRunning(format))
        return rc;
    if (const int rc = pump())
        return rc;
    if (!running_)
        return MciErr::DeviceLost;
    recStart_ = end_;
    if (continuePass && cut_ >= bufStart_ && msSince(cutTime_) <= kContinueWithinMs)
        recStart_ = cut_;
    recLimit_ = limitFrames < 0 ? -1 : recStart_ + limitFrames;
    rec_ = Rec::Live;
    if (recLimit_ >= 0 && end_ >= recLimit_)
        finish();
    return 0;
}

int CaptureEngine::WaitForLimit()
{
    while (rec_ == Rec::Live && recLimit_ >= 0) {
        if (const int rc = pump())
            return rc;
        if (!running_)
            return MciErr::DeviceLost;
        if (rec_ != Rec::Live)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return 0;
}

void CaptureEngine::WhenLimitReached(std::function<void(int error)> done)
{
    limitDone_ = std::move(done);
    if (!limitTimer_) {
        limitTimer_ = new QTimer;
        limitTimer_->setInterval(kLimitPollMs);
        QObject::connect(limitTimer_, &QTimer::timeout, limitTimer_, [this] { onLimitWait(); });
    }
    limitTimer_->start();
}

void CaptureEngine::onLimitWait()
{
    int rc = 0;
    if (rec_ == Rec::Live && recLimit_ >= 0) {
        rc = pump();
        if (rc == 0 && !running_)
            rc = MciErr::DeviceLost;
        if (rc == 0 && rec_ == Rec::Live)
            return;  // not complete yet
    }
    limitTimer_->stop();
    // Told last: the listener may start the next recording at once.
    std::function<void(int)> done = std::exchange(limitDone_, nullptr);
    if (done)
        done(rc);
}

void CaptureEngine::dropLimitWait()
{
    limitDone_ = nullptr;
    if (limitTimer_)
        limitTimer_->stop();
}

int CaptureEngine::StopRecording()
{
    const int rc = pump();
    if (rec_ == Rec::Live) {
        recLimit_ = std::max(recStart_, recLimit_ < 0 ? end_ : std::min(end_, recLimit_));
        finish();
    }
    return rc;
}

qint64 CaptureEngine::RecordedFrames() const
{
    switch (rec_) {
    case Rec::Live:
        return std::max<qint64>(0, (recLimit_ < 0 ? end_ : std::min(end_, recLimit_)) - recStart_);
    case Rec::Done:
        return done_.size() / std::max(1, format_.BytesPerFrame());
    case Rec::None:
        break;
    }
    return 0;
}

int CaptureEngine::Recorded(const char **data, qint64 *bytes, CaptureFormat *format)
{
    const int rc = pumpExpectingData();
    *format = format_;
    *data = nullptr;
    *bytes = 0;
    if (rec_ == Rec::Done) {
        *data = done_.constData();
        *bytes = done_.size();
    } else if (rec_ == Rec::Live && recStart_ >= bufStart_) {
        *data = buf_.constData() + (recStart_ - bufStart_) * format_.BytesPerFrame();
        *bytes = RecordedFrames() * format_.BytesPerFrame();
    }
    return rc;
}

int CaptureEngine::TakeRecorded(QByteArray *out)
{
    const int rc = pump();
    if (rec_ == Rec::Live && recLimit_ < 0 && recStart_ >= bufStart_ && end_ > recStart_) {
        const int bpf = format_.BytesPerFrame();
        out->append(buf_.constData() + (recStart_ - bufStart_) * bpf, qsizetype((end_ - recStart_) * bpf));
        recStart_ = end_;
        trim();
    }
    return rc;
}

void CaptureEngine::MarkCut()
{
    cut_ = end_;
    cutTime_ = Clock::now();
}

int CaptureEngine::DiscardRecorded()
{
    const int rc = pump();
    if (rec_ == Rec::Live) {
        // What the last save took is gone; what came after it stays in the
        // recording, so a pass that goes on loses nothing.
        recStart_ = cut_ >= recStart_ ? cut_ : end_;
        if (recLimit_ >= 0 && recLimit_ < recStart_)
            recLimit_ = recStart_;
    } else if (rec_ == Rec::Done) {
        done_.clear();
    }
    return rc;
}

void CaptureEngine::EndRecording()
{
    dropLimitWait();
    rec_ = Rec::None;
    recLimit_ = -1;
    done_.clear();
    lastRecordingEnd_ = Clock::now();
    if (running_)
        trim();
}

void CaptureEngine::Shutdown()
{
    dropLimitWait();
    rec_ = Rec::None;
    done_.clear();
    if (timer_)
        timer_->stop();
    if (source_)
        source_->Stop();
    source_.reset();
    running_ = false;
    pendingError_ = 0;
    buf_.clear();
    bufStart_ = end_ = 0;
    cut_ = -1;
}

int CaptureEngine::Newest(qint64 frames, qint64 keepFrames, const char **data, qint64 *got, CaptureFormat *format,
                          qint64 *intoRecording)
{
    *data = nullptr;
    *got = 0;
    *format = format_;
    if (intoRecording)
        *intoRecording = 0;
    if (rec_ == Rec::Live && recLimit_ < 0) {
        recStart_ = std::max(recStart_, end_ - std::max<qint64>(keepFrames, 0));
        askFragments(displayFragmentMs_);
    }
    const int rc = pump();
    if (!running_)
        return rc ? rc : MciErr::DeviceLost;
    const qint64 from = std::max(bufStart_, end_ - std::max<qint64>(frames, 0));
    const int bpf = format_.BytesPerFrame();
    *data = buf_.constData() + (from - bufStart_) * bpf;
    *got = (end_ - from) * bpf;
    if (intoRecording)
        *intoRecording = from - recStart_;
    return rc;
}
