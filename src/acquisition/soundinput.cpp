// SPDX-License-Identifier: GPL-3.0-or-later
// Real capture straight from the sound server (PulseAudio, or PipeWire's
// PulseAudio service). Every start and every look at the inputs opens a
// connection of its own, so a server that was restarted is simply found
// again; a connection cached for the life of the program stays dead after
// the server went away (the input watch, which keeps one, looks for the
// server again itself).
#include "acquisition/capturesource.h"
#include "acquisition/pulseclose.h"

#include "acquisition/mci.h"
#include "platform/language.h"
#include "platform/settings.h"


#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// How long a look at the server's inputs may take before it counts as no answer.
constexpr int kAskServerMs = 2000;
// How long the window waits for the server once it has heard from it: a
// server that answers at all does so within a few milliseconds. One that
// takes longer is frozen or swamped, and the window goes on with what it
// said last while the look goes on in the background.
constexpr int kServerWaitMs = 100;
// How long a start waits for its stream before letting it come up on its
// own: within it, a stream the server refuses is told by the start.
constexpr int kStartWaitMs = 250;
// An answer this fresh is the server as it is now: the looks of one start
// (the chosen input listed, then looked up) share it.
constexpr int kFreshAnswerMs = 50;

// How the sound server's mixers name the program's stream: as its windows
// name it.
QByteArray clientName()
{
    return Language::AppTitle().toUtf8();
}

struct Listing {
    bool answered = false;
    QString defaultName;
    QList<SoundInputInfo> inputs;
    QList<SoundInputInfo> outputs;  // the generator's choice
};

// Asks the server for its inputs over a connection of its own; takes up to
// kAskServerMs when the server does not answer.
Listing askServer(const QByteArray &client)
{
    Listing result;
    pa_mainloop *loop = pa_mainloop_new();
    if (!loop)
        return result;
    pa_context *context = pa_context_new(pa_mainloop_get_api(loop), client.constData());
    if (!context) {
        pa_mainloop_free(loop);
        return result;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(kAskServerMs);
    auto iterateUntil = [&](const std::function<bool()> &done) {
        while (!done()) {
            if (Clock::now() > deadline || pa_mainloop_iterate(loop, 0, nullptr) < 0)
                return false;
            if (!done())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    };
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        const bool ready = iterateUntil([&] {
            const pa_context_state_t s = pa_context_get_state(context);
            return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
        }) && pa_context_get_state(context) == PA_CONTEXT_READY;
        if (ready) {
            pa_operation *server = pa_context_get_server_info(
                context,
                [](pa_context *, const pa_server_info *i, void *data) {
                    if (i && i->default_source_name)
                        static_cast<Listing *>(data)->defaultName = QString::fromUtf8(i->default_source_name);
                },
                &result);
            pa_operation *sources = pa_context_get_source_info_list(
                context,
                [](pa_context *, const pa_source_info *i, int eol, void *data) {
                    // Monitors of outputs are listed too, marked: the default
                    // input is never one, but a user may choose one to see
                    // what the computer itself plays.
                    if (eol == 0 && i)
                        static_cast<Listing *>(data)->inputs.push_back(
                            {QString::fromUtf8(i->name), QString::fromUtf8(i->description ? i->description : i->name),
                             i->monitor_of_sink != PA_INVALID_INDEX});
                },
                &result);
            pa_operation *sinks = pa_context_get_sink_info_list(
                context,
                [](pa_context *, const pa_sink_info *i, int eol, void *data) {
                    if (eol == 0 && i)
                        static_cast<Listing *>(data)->outputs.push_back(
                            {QString::fromUtf8(i->name), QString::fromUtf8(i->description ? i->description : i->name), false});
                },
                &result);
            result.answered = server && sources && sinks && iterateUntil([&] {
                return pa_operation_get_state(server) != PA_OPERATION_RUNNING
                       && pa_operation_get_state(sources) != PA_OPERATION_RUNNING
                       && pa_operation_get_state(sinks) != PA_OPERATION_RUNNING;
            });
            if (sinks)
                pa_operation_unref(sinks);
            if (server)
                pa_operation_unref(server);
            if (sources)
                pa_operation_unref(sources);
        }
        pa_context_disconnect(context);
    }
    pa_context_unref(context);
    pa_mainloop_free(loop);
    if (!result.answered) {
        result.inputs.clear();
        result.outputs.clear();
        result.defaultName.clear();
    }
    return result;
}

// The looks at the server's inputs run on threads of their own, so a server
// that is frozen holds up only them. A caller waits for the answer to its
// own look: in full while nothing good has been heard from the server in
// this run (or since it went away), so a server slow to answer the first
// time is never taken for none; else for kServerWaitMs at most, and then
// takes the last good answer. A server that let a look wait out its time
// is not waited for again until it answers. One that is not there refuses
// at once, and that is the answer.
class ServerLooks {
public:
    static ServerLooks &Instance()
    {
        // Never destroyed: a look at a frozen server may outlast the program.
        static ServerLooks *looks = new ServerLooks;
        return *looks;
    }

    Listing Ask(bool wait = true)
    {
        const std::shared_ptr<State> state = state_;
        std::unique_lock<std::mutex> g(state->lock);
        if (state->client.isEmpty())
            state->client = clientName();
        if (!state->running && state->lastGood
            && Clock::now() - state->answeredAt < std::chrono::milliseconds(kFreshAnswerMs))
            return state->last;
        if (!state->running) {
            state->running = true;
            state->since = Clock::now();
            const quint64 look = ++state->started;
            std::thread([state, look] { run(state, look); }).detach();
        }
        const quint64 look = state->started;
        // A caller that can do with the last answer takes it and leaves
        // the fresh one for its next call.
        if (!wait && state->lastGood)
            return state->last;
        const Clock::time_point until = state->frozen    ? Clock::now()
                                        : !state->lastGood ? state->since + std::chrono::milliseconds(kAskServerMs + 1000)
                                                           : state->since + std::chrono::milliseconds(kServerWaitMs);
        state->done.wait_until(g, until, [&] { return state->finished >= look; });
        return state->last;
    }

    // Whether the server has been found not answering and has not answered
    // since: its answers are not waited for.
    bool Frozen()
    {
        std::lock_guard<std::mutex> g(state_->lock);
        return state_->frozen
               || (state_->running && state_->lastGood
                   && Clock::now() - state_->since > std::chrono::milliseconds(kServerWaitMs));
    }

private:
    struct State {
        std::mutex lock;
        std::condition_variable done;
        QByteArray client;  // read on the caller's thread, where the application lives
        bool running = false;
        quint64 started = 0, finished = 0;
        Clock::time_point since;
        Listing last;
        bool lastGood = false;
        Clock::time_point answeredAt;  // of the last good answer
        bool frozen = false;
    };

    static void run(const std::shared_ptr<State> &state, quint64 look)
    {
        QByteArray client;
        {
            std::lock_guard<std::mutex> g(state->lock);
            client = state->client;
        }
        const Clock::time_point began = Clock::now();
        Listing answer = askServer(client);
        const bool timedOut = Clock::now() - began >= std::chrono::milliseconds(kAskServerMs);
        std::lock_guard<std::mutex> g(state->lock);
        state->running = false;
        state->finished = look;
        state->frozen = !answer.answered && timedOut;
        // A frozen server keeps its last good answer; one that refused is gone.
        if (answer.answered || !state->frozen || !state->lastGood) {
            state->lastGood = answer.answered;
            state->last = std::move(answer);
            state->answeredAt = Clock::now();
        }
        state->done.notify_all();
    }

    std::shared_ptr<State> state_ = std::make_shared<State>();
};

// One capture stream: the server's connection, run by a thread of its own
// (libpulse's threaded main loop) that sets the stream up and collects what
// arrives. A start waits for the stream only while the server answers
// promptly, so a failure is told by the start as usual; a frozen server
// cannot keep a start or a stop from returning: it only delivers nothing
// (yet), which the device notices by its own clock.
class Link {
public:
    Link() : loop_(pa_threaded_mainloop_new()) {}
    ~Link() { ClosePulseLink(loop_, context_, stream_); }
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

    // Connects and starts recording, waiting for the stream up to `waitMs`:
    // 0, or a libpulse error number. A stream not up by then comes up, or
    // fails, on the connection's thread.
    int Open(const QByteArray &device, const pa_sample_spec &sampleFormat, const pa_buffer_attr &attr, int waitMs)
    {
        if (!loop_)
            return PA_ERR_INTERNAL;
        device_ = device;
        sampleFormat_ = sampleFormat;
        attr_ = attr;
        context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), clientName().constData());
        if (!context_)
            return PA_ERR_INTERNAL;
        pa_context_set_state_callback(context_, onContextState, this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return pa_context_errno(context_);
        if (pa_threaded_mainloop_start(loop_) < 0)
            return PA_ERR_INTERNAL;
        pa_threaded_mainloop_lock(loop_);
        const int rc = waitForStream(waitMs);
        pa_threaded_mainloop_unlock(loop_);
        return rc;
    }

    // Asks the running stream for fragments of another size. The stream
    // goes on as it was until the server has changed it: no sample is
    // dropped or repeated on the way.
    void SetFragment(const pa_buffer_attr &attr)
    {
        pa_threaded_mainloop_lock(loop_);
        attr_ = attr;  // a stream still being set up asks for these
        if (stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY) {
            if (pa_operation *op = pa_stream_set_buffer_attr(stream_, &attr, nullptr, nullptr))
                pa_operation_unref(op);
        }
        pa_threaded_mainloop_unlock(loop_);
    }

    // Moves what arrived into `out`; false once the stream has failed.
    bool Take(QByteArray &out)
    {
        std::lock_guard<std::mutex> g(lock_);
        // Usually `out` is empty: hand the buffer over rather than copy it.
        if (out.isEmpty())
            out.swap(pending_);
        else
            out.append(pending_);
        pending_.clear();
        return !failed_;
    }

private:
    // On the connection's thread, once the server has let the program in.
    void connectStream()
    {
        stream_ = pa_stream_new(context_, "oscillogram", &sampleFormat_, nullptr);
        if (!stream_) {
            failWith(pa_context_errno(context_));
            return;
        }
        pa_stream_set_state_callback(stream_, onStreamState, this);
        pa_stream_set_read_callback(stream_, onRead, this);
        // The fragment size is also the source's latency, so data leaves
        // the server as soon as a fragment is full.
        connectedAttr_ = attr_;
        if (pa_stream_connect_record(stream_, device_.isEmpty() ? nullptr : device_.constData(), &attr_,
                                     PA_STREAM_ADJUST_LATENCY)
            < 0)
            failWith(pa_context_errno(context_));
    }

    // Holding the loop's lock: the stream's fate, or 0 when it is not
    // decided within `waitMs`.
    int waitForStream(int waitMs)
    {
        auto decided = [this] {
            return failed() || (stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY);
        };
        timedOut_ = false;
        pa_time_event *timer = nullptr;
        if (waitMs > 0 && !decided())
            timer = pa_context_rttime_new(
                context_, pa_rtclock_now() + pa_usec_t(waitMs) * PA_USEC_PER_MSEC,
                [](pa_mainloop_api *, pa_time_event *, const struct timeval *, void *data) {
                    auto *link = static_cast<Link *>(data);
                    link->timedOut_ = true;
                    pa_threaded_mainloop_signal(link->loop_, 0);
                },
                this);
        while (timer && !decided() && !timedOut_)
            pa_threaded_mainloop_wait(loop_);
        if (timer)
            pa_threaded_mainloop_get_api(loop_)->time_free(timer);
        if (!failed())
            return 0;
        return error_ ? error_ : pa_context_errno(context_);
    }

    bool failed()
    {
        std::lock_guard<std::mutex> g(lock_);
        return failed_;
    }

    // On the connection's thread.
    void failWith(int error)
    {
        if (!error_)
            error_ = error ? error : PA_ERR_UNKNOWN;
        fail();
    }

    void fail()
    {
        std::lock_guard<std::mutex> g(lock_);
        failed_ = true;
    }

    static void onContextState(pa_context *c, void *data)
    {
        auto *link = static_cast<Link *>(data);
        const pa_context_state_t state = pa_context_get_state(c);
        if (!PA_CONTEXT_IS_GOOD(state))
            link->failWith(pa_context_errno(c));
        else if (state == PA_CONTEXT_READY && !link->stream_)
            link->connectStream();
        pa_threaded_mainloop_signal(link->loop_, 0);
    }

    static void onStreamState(pa_stream *s, void *data)
    {
        auto *link = static_cast<Link *>(data);
        const pa_stream_state_t state = pa_stream_get_state(s);
        if (!PA_STREAM_IS_GOOD(state)) {
            link->failWith(pa_context_errno(pa_stream_get_context(s)));
        } else if (state == PA_STREAM_READY && link->attr_.fragsize != link->connectedAttr_.fragsize) {
            // Other fragments were asked for while the stream was being set up.
            if (pa_operation *op = pa_stream_set_buffer_attr(s, &link->attr_, nullptr, nullptr))
                pa_operation_unref(op);
        }
        pa_threaded_mainloop_signal(link->loop_, 0);
    }

    static void onRead(pa_stream *s, size_t, void *data)
    {
        auto *link = static_cast<Link *>(data);
        while (pa_stream_readable_size(s) > 0) {
            const void *bytes = nullptr;
            size_t n = 0;
            if (pa_stream_peek(s, &bytes, &n) < 0) {
                link->fail();
                return;
            }
            if (n == 0)
                return;
            {
                std::lock_guard<std::mutex> g(link->lock_);
                // A hole the server reports is silence of its length, so
                // the stream keeps time with the clock.
                if (bytes)
                    link->pending_.append(static_cast<const char *>(bytes), qsizetype(n));
                else
                    link->pending_.append(qsizetype(n), '\0');
            }
            pa_stream_drop(s);
        }
    }

    pa_threaded_mainloop *loop_ = nullptr;
    pa_context *context_ = nullptr;
    pa_stream *stream_ = nullptr;
    // Under the loop's lock:
    QByteArray device_;
    pa_sample_spec sampleFormat_{};
    pa_buffer_attr attr_{}, connectedAttr_{};
    bool timedOut_ = false;
    int error_ = 0;  // why the stream failed, as libpulse numbers it
    std::mutex lock_;
    QByteArray pending_;
    bool failed_ = false;
};

class SoundInput : public CaptureSource {
public:
    explicit SoundInput(SoundInputInfo info) : info_(std::move(info)) {}

    QString Description() const override { return info_.description; }

    int Start(const CaptureFormat &format) override
    {
        link_.reset();
        if (format.bitsPerSample != 16 || format.channels < 1 || format.channels > 2 || format.sampleRate < 1000
            || format.sampleRate > 384000)
            return MciErr::NoSuitableInput;
        pa_sample_spec sampleFormat{};
        sampleFormat.format = PA_SAMPLE_S16LE;
        sampleFormat.rate = uint32_t(format.sampleRate);
        sampleFormat.channels = uint8_t(format.channels);
        format_ = format;
        auto link = std::make_unique<Link>();
        // A frozen server is not waited for: the stream comes up when it answers.
        const int waitMs = ServerLooks::Instance().Frozen() ? 0 : kStartWaitMs;
        if (const int error = link->Open(info_.name.toUtf8(), sampleFormat, bufferAttr(), waitMs)) {
            // A server that is not there is a lost input; one that refuses
            // the format has no input that suits the file.
            const bool gone = error == PA_ERR_CONNECTIONREFUSED || error == PA_ERR_CONNECTIONTERMINATED
                              || error == PA_ERR_NOENTITY || error == PA_ERR_TIMEOUT || error == PA_ERR_KILLED;
            return gone ? MciErr::DeviceLost : MciErr::NoSuitableInput;
        }
        carry_.clear();
        link_ = std::move(link);
        return 0;
    }

    void Stop() override { link_.reset(); }

    void SetFragmentMs(int ms) override
    {
        ms = std::clamp(ms, 1, 1000);
        if (ms == fragmentMs_)
            return;
        fragmentMs_ = ms;
        if (link_)
            link_->SetFragment(bufferAttr());
    }

    bool ReadAvailable(QByteArray &out) override
    {
        if (!link_)
            return true;
        const bool failed = !link_->Take(carry_);
        const int frameBytes = format_.BytesPerFrame();
        const qsizetype whole = carry_.size() - carry_.size() % frameBytes;
        if (whole > 0) {
            out.append(carry_.constData(), whole);
            carry_.remove(0, whole);
        }
        // What arrived before the failure is handed over first.
        return !failed || whole > 0;
    }

private:
    pa_buffer_attr bufferAttr() const
    {
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = uint32_t(-1);
        attr.prebuf = uint32_t(-1);
        attr.minreq = uint32_t(-1);
        attr.fragsize = uint32_t(format_.BytesPerFrame() * std::max(1, format_.sampleRate * fragmentMs_ / 1000));
        return attr;
    }

    SoundInputInfo info_;
    CaptureFormat format_{44100, 2, 16};
    int fragmentMs_ = kTimedFragmentMs;
    std::unique_ptr<Link> link_;
    QByteArray carry_;
};

}  // namespace

QList<SoundInputInfo> ListSoundInputs(QString *defaultName, bool withMonitors, bool waitForAnswer)
{
    Listing l = ServerLooks::Instance().Ask(waitForAnswer);
    if (defaultName)
        *defaultName = l.defaultName;
    if (!withMonitors)
        l.inputs.removeIf([](const SoundInputInfo &i) { return i.monitor; });
    return l.inputs;
}

QList<SoundInputInfo> ListSoundOutputs(bool waitForAnswer)
{
    return ServerLooks::Instance().Ask(waitForAnswer).outputs;
}

QString DefaultInputName()
{
    return ServerLooks::Instance().Ask().defaultName;
}

bool PipeWireChosen()
{
    return SettingsStore::GetSetting(QStringLiteral("Sigm"), QStringLiteral("Input"), QStringLiteral("Backend"))
               .trimmed()
               .compare(QLatin1String("pipewire"), Qt::CaseInsensitive)
           == 0;
}

std::unique_ptr<CaptureSource> MakeSoundInput(const QString &name, int *error)
{
    *error = 0;
    if (PipeWireChosen())
        return MakePipeWireInput(name.compare(QLatin1String("default"), Qt::CaseInsensitive) == 0 ? QString() : name);
    const Listing server = ServerLooks::Instance().Ask();
    const QString &serverDefault = server.defaultName;
    const bool wantDefault = name.isEmpty() || name.compare(QLatin1String("default"), Qt::CaseInsensitive) == 0;
    // A monitor is taken only when asked for by its exact name.
    if (!wantDefault) {
        for (const SoundInputInfo &d : server.inputs) {
            if (d.monitor && d.name == name)
                return std::make_unique<SoundInput>(d);
        }
    }
    QList<SoundInputInfo> inputs = server.inputs;
    inputs.removeIf([](const SoundInputInfo &i) { return i.monitor; });
    if (inputs.isEmpty()) {
        // No server to ask is no input at all (the demo generator may stand
        // in for the default one); a server without the named one is a name
        // that does not exist.
        if (!wantDefault)
            *error = server.answered ? MciErr::InputNotFound : MciErr::InputUnavailable;
        return nullptr;
    }
    const QString wanted = wantDefault ? serverDefault : name;
    if (!wanted.isEmpty()) {
        for (const SoundInputInfo &d : inputs) {
            if (d.name == wanted)
                return std::make_unique<SoundInput>(d);
        }
        for (const SoundInputInfo &d : inputs) {
            if (d.description == wanted)
                return std::make_unique<SoundInput>(d);
        }
        for (const SoundInputInfo &d : inputs) {
            if (d.description.contains(wanted, Qt::CaseInsensitive) || d.name.contains(wanted, Qt::CaseInsensitive))
                return std::make_unique<SoundInput>(d);
        }
    }
    if (!wantDefault) {
        *error = MciErr::InputNotFound;
        return nullptr;
    }
    // The server's default is a monitor of an output, or unnamed: take the
    // first real input.
    return std::make_unique<SoundInput>(inputs.first());
}
