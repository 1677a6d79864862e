// SPDX-License-Identifier: GPL-3.0-or-later
// Real capture straight from the sound server (PulseAudio, or PipeWire's
// PulseAudio service). Every start and every look at the inputs opens a
// connection of its own, so a server that was restarted is simply found
// again; a connection cached for the life of the program (as Qt Multimedia
// keeps one) stays dead after the server went away.
#include "acquisition/capturesource.h"

#include "acquisition/mci.h"

#include <QCoreApplication>

#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/simple.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// How long a look at the server's inputs may take before it counts as no answer.
constexpr int kAskServerMs = 2000;

QByteArray clientName()
{
    const QString app = QCoreApplication::instance() ? QCoreApplication::applicationName() : QString();
    return (app.isEmpty() ? QStringLiteral("sigmalit") : app).toUtf8();
}

struct Listing {
    bool answered = false;
    QString defaultName;
    QList<SoundInputInfo> inputs;
};

// Asks the server for its inputs over a connection of its own.
Listing askServer()
{
    Listing result;
    pa_mainloop *loop = pa_mainloop_new();
    if (!loop)
        return result;
    pa_context *context = pa_context_new(pa_mainloop_get_api(loop), clientName().constData());
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
            result.answered = server && sources && iterateUntil([&] {
                return pa_operation_get_state(server) != PA_OPERATION_RUNNING
                       && pa_operation_get_state(sources) != PA_OPERATION_RUNNING;
            });
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
        result.defaultName.clear();
    }
    return result;
}

// What the reading thread and the device share. The thread owns the
// connection; it may outlive the source when a frozen server keeps a read
// from returning, and then cleans up after itself.
struct Shared {
    std::mutex lock;
    QByteArray pending;
    bool failed = false;
    bool finished = false;
    std::condition_variable ended;
    std::atomic<bool> stop{false};
};

void readLoop(std::shared_ptr<Shared> shared, pa_simple *stream, size_t chunkBytes)
{
    QByteArray chunk(qsizetype(chunkBytes), Qt::Uninitialized);
    int error = 0;
    while (!shared->stop.load()) {
        if (pa_simple_read(stream, chunk.data(), chunkBytes, &error) < 0) {
            std::lock_guard<std::mutex> g(shared->lock);
            shared->failed = true;
            break;
        }
        std::lock_guard<std::mutex> g(shared->lock);
        shared->pending.append(chunk);
    }
    pa_simple_free(stream);
    std::lock_guard<std::mutex> g(shared->lock);
    shared->finished = true;
    shared->ended.notify_all();
}

class SoundInput : public CaptureSource {
public:
    explicit SoundInput(SoundInputInfo info) : info_(std::move(info)) {}
    ~SoundInput() override { release(); }

    QString Description() const override { return info_.description; }

    int Start(const CaptureFormat &format) override
    {
        release();
        if (format.bitsPerSample != 16 || format.channels < 1 || format.channels > 2 || format.sampleRate < 1000
            || format.sampleRate > 384000)
            return MciErr::NoSuitableInput;
        pa_sample_spec sampleFormat{};
        sampleFormat.format = PA_SAMPLE_S16LE;
        sampleFormat.rate = uint32_t(format.sampleRate);
        sampleFormat.channels = uint8_t(format.channels);
        // Small fragments: the server hands data over every 10 ms, which is
        // what a timed recording's accuracy comes down to.
        const size_t chunk = size_t(format.BytesPerFrame()) * size_t(std::max(1, format.sampleRate / 100));
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = uint32_t(-1);
        attr.prebuf = uint32_t(-1);
        attr.minreq = uint32_t(-1);
        attr.fragsize = uint32_t(chunk);
        int error = 0;
        const QByteArray device = info_.name.toUtf8();
        pa_simple *stream = pa_simple_new(nullptr, clientName().constData(), PA_STREAM_RECORD,
                                          device.isEmpty() ? nullptr : device.constData(), "oscillogram", &sampleFormat,
                                          nullptr, &attr, &error);
        if (!stream) {
            // A server that is not there is a lost input; one that refuses
            // the format has no input that suits the file.
            const bool gone = error == PA_ERR_CONNECTIONREFUSED || error == PA_ERR_CONNECTIONTERMINATED
                              || error == PA_ERR_NOENTITY || error == PA_ERR_TIMEOUT || error == PA_ERR_KILLED;
            return gone ? MciErr::DeviceLost : MciErr::NoSuitableInput;
        }
        frameBytes_ = format.BytesPerFrame();
        carry_.clear();
        shared_ = std::make_shared<Shared>();
        std::thread(readLoop, shared_, stream, chunk).detach();
        return 0;
    }

    void Stop() override { release(); }

    bool ReadAvailable(QByteArray &out) override
    {
        if (!shared_)
            return true;
        bool failed = false;
        {
            std::lock_guard<std::mutex> g(shared_->lock);
            carry_.append(shared_->pending);
            shared_->pending.clear();
            failed = shared_->failed;
        }
        const qsizetype whole = carry_.size() - carry_.size() % frameBytes_;
        if (whole > 0) {
            out.append(carry_.constData(), whole);
            carry_.remove(0, whole);
        }
        // What arrived before the failure is handed over first.
        return !failed || whole > 0;
    }

private:
    void release()
    {
        if (!shared_)
            return;
        shared_->stop = true;
        {
            // A read returns within a fragment; a frozen server may keep it
            // waiting, and then the thread is left to end on its own.
            std::unique_lock<std::mutex> g(shared_->lock);
            shared_->ended.wait_for(g, std::chrono::milliseconds(300), [this] { return shared_->finished; });
        }
        shared_.reset();
    }

    SoundInputInfo info_;
    std::shared_ptr<Shared> shared_;
    QByteArray carry_;
    int frameBytes_ = 2;
};

}  // namespace

QList<SoundInputInfo> ListSoundInputs(QString *defaultName, bool withMonitors)
{
    Listing l = askServer();
    if (defaultName)
        *defaultName = l.defaultName;
    if (!withMonitors)
        l.inputs.removeIf([](const SoundInputInfo &i) { return i.monitor; });
    return l.inputs;
}

QString DefaultInputName()
{
    return askServer().defaultName;
}

std::unique_ptr<CaptureSource> MakeSoundInput(const QString &name, int *error)
{
    *error = 0;
    const Listing server = askServer();
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
