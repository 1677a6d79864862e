// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One frequency-response measurement against the sound server: the
// generator plays each step's tone on both outputs, the input's two
// channels are handed to ResponseSweep as they arrive, and the next tone
// is set the moment a step is measured. Poll() is called every few
// milliseconds from the window's timer (or a test's loop); it never waits.
#include "analysis/responsesweep.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <memory>

class CaptureSource;
class SoundOutput;

class ResponseRun {
public:
    // `output`: the server's sink name, empty for the default output.
    ResponseRun(const ResponseSweep::Settings &settings, std::unique_ptr<CaptureSource> input, const QString &output);
    ~ResponseRun();

    // False, with *error, when the output or the input cannot be started.
    bool Start(QString *error);
    // Takes what the input has captured. True while the sweep goes on;
    // false once it is done, cancelled, or failed (see Failed()).
    bool Poll();
    void Cancel();

    const ResponseSweep &Sweep() const { return sweep_; }
    QString Failed() const { return failed_; }
    double ElapsedSeconds() const { return clock_.isValid() ? clock_.elapsed() / 1000.0 : 0; }

private:
    void stop();
    void play();

    ResponseSweep sweep_;
    std::unique_ptr<CaptureSource> input_;
    std::unique_ptr<SoundOutput> output_;
    QString outputName_;
    QByteArray pending_;
    QString failed_;
    bool running_ = false;
    QElapsedTimer clock_;
};
