// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One input the sound device records from: a real sound input, the demo
// generator, or a test's scripted input. Sources deliver interleaved native
// 16-bit frames as they arrive; the device keeps time and cuts recordings.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

struct CaptureFormat {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 16;

    int BytesPerFrame() const { return channels * bitsPerSample / 8; }
    bool operator==(const CaptureFormat &) const = default;
};

// How much an input hands over at a time. A pass of the refresh timer or a
// memory recording ends with what has arrived by then, so its length is
// only as close as one fragment: 10 ms. The picture at display rate takes
// the newest samples once per refresh of the screen; fragments of a frame
// (20 ms at most, the 16 ms of a 60 Hz screen) wake the process less often
// than timed ones, and every frame still finds new samples.
constexpr int kTimedFragmentMs = 10;
constexpr int kDisplayFragmentMs = 20;

class CaptureSource {
public:
    virtual ~CaptureSource() = default;
    // What the input is called in the main window and in reports.
    virtual QString Description() const = 0;
    virtual bool IsDemo() const { return false; }
    // Starts delivering `format`. 0, or an MciErr number (NoSuitableInput
    // when the input cannot take the format).
    virtual int Start(const CaptureFormat &format) = 0;
    virtual void Stop() = 0;
    // The size of the fragments to deliver from now on (before or while
    // running). A running input changes over without losing or repeating
    // a frame. Inputs that are not handed data in fragments ignore it.
    virtual void SetFragmentMs(int ms) { (void)ms; }
    // Appends the whole frames available now. False when the input reports
    // that it has failed; silence is noticed by the device's own clock.
    virtual bool ReadAvailable(QByteArray &out) = 0;
};

// The demo generator: 1 kHz sine on the first channel, 250 Hz triangle on
// the second, at half full scale, paced by the wall clock.
std::unique_ptr<CaptureSource> MakeDemoSource();

// The sample the demo generator delivers at `frame` on `channel`, so tests
// can tell a gap or a repeat in a recording from a steady signal.
qint16 DemoSample(qint64 frame, int channel, int sampleRate);

// An input of the sound server: its name (what SIGM_INPUT may give) and
// what the server calls it for people.
struct SoundInputInfo {
    QString name;
    QString description;
    bool monitor = false;  // the monitor of an output: what the computer plays
    bool operator==(const SoundInputInfo &) const = default;
};

// The server's inputs, asked afresh on every call (so a restarted server
// is seen as it is now; an answer under 50 ms old counts as fresh), monitors of outputs only `withMonitors`. Empty
// when there is no server or it has no input; *defaultName is the
// server's default. Without `waitForAnswer`, a call made once the server
// has answered gets that answer at once and the fresh one is for the next
// call (a look that comes back every so often never waits).
QList<SoundInputInfo> ListSoundInputs(QString *defaultName = nullptr, bool withMonitors = false,
                                      bool waitForAnswer = true);

// The server's outputs (its sinks), for the generator's choice; asked as
// ListSoundInputs asks (`monitor` is always false).
QList<SoundInputInfo> ListSoundOutputs(bool waitForAnswer = true);

// A sound input of the system. `name` empty or "default" picks the sound
// server's default input; anything else is an input's name or description.
// nullptr when there is none: *error is 0 when the system has no input at
// all, MciErr::InputNotFound when the named one is missing.
std::unique_ptr<CaptureSource> MakeSoundInput(const QString &name, int *error);

// The sound server's default input as the server names it, or empty when
// it cannot be asked.
QString DefaultInputName();

// An input of a PipeWire daemon: `name` is a node's name (an output's
// "<name>.monitor" for what it plays), empty for the daemon's default. The
// stream is looked for when it starts: a daemon that is not there fails the
// start with MciErr::DeviceLost.
std::unique_ptr<CaptureSource> MakePipeWireInput(const QString &name);

// Whether the settings choose PipeWire for capture ([Input] Backend=pipewire);
// the sound server's PulseAudio service is the way in otherwise.
bool PipeWireChosen();
