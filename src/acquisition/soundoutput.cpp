// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/soundoutput.h"

#include "acquisition/pulseclose.h"
#include "platform/language.h"

#include <QCoreApplication>
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <atomic>
#include <mutex>
#include <vector>

struct SoundOutput::Link {
    explicit Link(int rate) : osc{SignalGen::Oscillator(rate, 1), SignalGen::Oscillator(rate, 2)}
    {
        sampleFormat.format = PA_SAMPLE_FLOAT32LE;
        sampleFormat.rate = uint32_t(rate);
        sampleFormat.channels = 2;
    }
    ~Link() { ClosePulseLink(loop, context, stream); }

    void fail(const QString &why)
    {
        std::lock_guard<std::mutex> g(lock);
        if (failed.isEmpty())
            failed = why;
        playing = false;
    }

    static void onContext(pa_context *c, void *self)
    {
        auto *l = static_cast<Link *>(self);
        switch (pa_context_get_state(c)) {
        case PA_CONTEXT_READY: l->connectStream(); break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            l->fail(QCoreApplication::translate("Capture", "звуковой сервер не отвечает: %1").arg(QString::fromUtf8(pa_strerror(pa_context_errno(c)))));
            break;
        default: break;
        }
    }

    static void onStream(pa_stream *s, void *self)
    {
        auto *l = static_cast<Link *>(self);
        switch (pa_stream_get_state(s)) {
        case PA_STREAM_READY: l->playing = true; break;
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED:
            l->fail(QCoreApplication::translate("Capture", "выход «%1» недоступен: %2")
                        .arg(QString::fromUtf8(l->device), QString::fromUtf8(pa_strerror(pa_context_errno(l->context)))));
            break;
        default: break;
        }
    }

    // On the connection's thread: as many frames as the server asks for.
    static void onWrite(pa_stream *s, size_t bytes, void *self)
    {
        auto *l = static_cast<Link *>(self);
        const size_t frames = bytes / (2 * sizeof(float));
        if (frames == 0)
            return;
        l->buffer.resize(frames * 2);
        {
            std::lock_guard<std::mutex> g(l->lock);
            for (int ch = 0; ch < 2; ++ch) {
                if (l->on[ch]) {
                    l->osc[ch].Render(l->buffer.data() + ch, frames, 2);
                } else {
                    for (size_t i = 0; i < frames; ++i)
                        l->buffer[2 * i + size_t(ch)] = 0;
                }
            }
        }
        if (pa_stream_write(s, l->buffer.data(), frames * 2 * sizeof(float), nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            l->fail(QString::fromUtf8(pa_strerror(pa_context_errno(l->context))));
            return;
        }
        l->played += int64_t(frames);
    }

    void connectStream()
    {
        stream = pa_stream_new(context, "generator", &sampleFormat, nullptr);
        if (!stream) {
            fail(QString::fromUtf8(pa_strerror(pa_context_errno(context))));
            return;
        }
        pa_stream_set_state_callback(stream, onStream, this);
        pa_stream_set_write_callback(stream, onWrite, this);
        // About 40 ms in the server: a change is heard soon, and a busy
        // machine still keeps the buffer from running dry.
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = uint32_t(pa_usec_to_bytes(40000, &sampleFormat));
        attr.prebuf = uint32_t(-1);
        attr.minreq = uint32_t(-1);
        attr.fragsize = uint32_t(-1);
        if (pa_stream_connect_playback(stream, device.isEmpty() ? nullptr : device.constData(), &attr,
                                       PA_STREAM_ADJUST_LATENCY, nullptr, nullptr)
            < 0)
            fail(QString::fromUtf8(pa_strerror(pa_context_errno(context))));
    }

    pa_threaded_mainloop *loop = pa_threaded_mainloop_new();
    pa_context *context = nullptr;
    pa_stream *stream = nullptr;
    pa_sample_spec sampleFormat{};
    QByteArray device;
    std::vector<float> buffer;

    mutable std::mutex lock;  // the oscillators, `on` and `failed`
    SignalGen::Oscillator osc[2];
    bool on[2] = {false, false};
    QString failed;
    std::atomic<bool> playing{false};
    std::atomic<int64_t> played{0};
};

SoundOutput::SoundOutput(int sampleRate) : rate_(sampleRate > 0 ? sampleRate : 48000) {}

SoundOutput::~SoundOutput() = default;

bool SoundOutput::Start(const QString &output, QString *error)
{
    link_.reset();
    auto link = std::make_unique<Link>(rate_);
    for (int ch = 0; ch < 2; ++ch) {
        link->osc[ch].Set(waves_[ch]);
        link->on[ch] = on_[ch];
    }
    if (!link->loop) {
        *error = QCoreApplication::translate("Capture", "не удалось запустить связь со звуковым сервером");
        return false;
    }
    link->device = output.toUtf8();
    // The mixers name the program as its windows do.
    link->context = pa_context_new(pa_threaded_mainloop_get_api(link->loop), Language::AppTitle().toUtf8().constData());
    if (!link->context) {
        *error = QCoreApplication::translate("Capture", "не удалось запустить связь со звуковым сервером");
        return false;
    }
    pa_context_set_state_callback(link->context, Link::onContext, link.get());
    if (pa_context_connect(link->context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0
        || pa_threaded_mainloop_start(link->loop) < 0) {
        *error = QCoreApplication::translate("Capture", "звуковой сервер не отвечает: %1")
                     .arg(QString::fromUtf8(pa_strerror(pa_context_errno(link->context))));
        return false;
    }
    link_ = std::move(link);
    return true;
}

void SoundOutput::Stop()
{
    link_.reset();
}

void SoundOutput::Set(int channel, const SignalGen::Wave &wave, bool on)
{
    if (channel < 0 || channel > 1)
        return;
    waves_[channel] = wave;
    on_[channel] = on;
    if (!link_)
        return;
    std::lock_guard<std::mutex> g(link_->lock);
    link_->osc[channel].Set(wave);
    link_->on[channel] = on;
}

void SoundOutput::SetBoth(const SignalGen::Wave &wave)
{
    for (int ch = 0; ch < 2; ++ch) {
        waves_[ch] = wave;
        on_[ch] = true;
    }
    if (!link_)
        return;
    std::lock_guard<std::mutex> g(link_->lock);
    for (int ch = 0; ch < 2; ++ch) {
        link_->osc[ch].Set(wave);
        link_->on[ch] = true;
    }
}

bool SoundOutput::Playing() const
{
    return link_ && link_->playing;
}

QString SoundOutput::Failed() const
{
    if (!link_)
        return {};
    std::lock_guard<std::mutex> g(link_->lock);
    return link_->failed;
}

int64_t SoundOutput::FramesPlayed() const
{
    return link_ ? link_->played.load() : 0;
}
