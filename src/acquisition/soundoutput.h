// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The generator's two channels played through the sound server, computed
// as the server asks for them. The server pulls: each request is filled
// from the two oscillators at once, so a change of waveform, frequency or
// level is heard within one buffer (about 40 ms) and the phase runs on
// across it. Nothing here waits on the server: Start returns once the
// connection is asked for, and a failure arrives later through Failed().
#include "analysis/signalgen.h"

#include <QString>
#include <memory>

class SoundOutput {
public:
    explicit SoundOutput(int sampleRate = 48000);
    ~SoundOutput();
    SoundOutput(const SoundOutput &) = delete;
    SoundOutput &operator=(const SoundOutput &) = delete;

    // Plays to the output named (the server's sink name), or to the
    // default one when empty. False only when the connection cannot even
    // be asked for (no server library, no memory); see *error.
    bool Start(const QString &output, QString *error);
    void Stop();
    // Each channel's waveform, and whether it plays (off: silence).
    void Set(int channel, const SignalGen::Wave &wave, bool on);
    // The same waveform on both channels from the same sample on, so that
    // their phases stay equal through every change (the frequency
    // response's reference depends on it).
    void SetBoth(const SignalGen::Wave &wave);

    // The stream is up and being fed.
    bool Playing() const;
    // Why playing ended or never began (empty while all is well).
    QString Failed() const;
    // Frames handed to the server so far.
    int64_t FramesPlayed() const;

private:
    struct Link;
    std::unique_ptr<Link> link_;
    int rate_;
    // Kept here too, so that what was set before a start or a restart plays.
    SignalGen::Wave waves_[2];
    bool on_[2] = {false, false};
};
