// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/responserun.h"

#include "acquisition/capturesource.h"
#include "acquisition/mci.h"
#include "acquisition/soundoutput.h"

#include <QCoreApplication>

ResponseRun::ResponseRun(const ResponseSweep::Settings &settings, std::unique_ptr<CaptureSource> input,
                         const QString &output)
    : sweep_(settings), input_(std::move(input)), output_(std::make_unique<SoundOutput>(int(settings.rate))),
      outputName_(output)
{
}

ResponseRun::~ResponseRun()
{
    stop();
}

void ResponseRun::play()
{
    SignalGen::Wave w;
    w.frequency = sweep_.Frequency();
    w.amplitude = SignalGen::AmplitudeOfDbfs(sweep_.Config().levelDbfs);
    output_->SetBoth(w);
}

bool ResponseRun::Start(QString *error)
{
    if (!input_) {
        *error = QCoreApplication::translate("Response", "нет звукового входа");
        return false;
    }
    play();
    if (!output_->Start(outputName_, error))
        return false;
    input_->SetFragmentMs(kTimedFragmentMs);
    const int rc = input_->Start(CaptureFormat{int(sweep_.Config().rate), 2, 16});
    if (rc != 0) {
        output_->Stop();
        *error = mciGetErrorString(rc);
        return false;
    }
    running_ = true;
    clock_.start();
    return true;
}

bool ResponseRun::Poll()
{
    if (!running_)
        return false;
    if (const QString f = output_->Failed(); !f.isEmpty()) {
        failed_ = f;
        stop();
        return false;
    }
    pending_.clear();
    if (!input_->ReadAvailable(pending_)) {
        failed_ = QCoreApplication::translate("Response", "звуковой вход перестал отвечать");
        stop();
        return false;
    }
    // Until the tone is being played, what comes in is not its answer.
    if (!output_->Playing())
        return true;
    const auto *frames = reinterpret_cast<const int16_t *>(pending_.constData());
    size_t count = size_t(pending_.size()) / 4;
    // One step at most per call: the rest of a block that finished a step
    // was captured before the next tone was set.
    if (sweep_.Feed(frames, count) && !sweep_.Done())
        play();
    if (sweep_.Done()) {
        stop();
        return false;
    }
    return true;
}

void ResponseRun::Cancel()
{
    sweep_.Cancel();
    stop();
}

void ResponseRun::stop()
{
    if (!running_)
        return;
    running_ = false;
    input_->Stop();
    output_->Stop();
}
