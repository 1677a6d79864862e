// SPDX-License-Identifier: GPL-3.0-or-later
// Capture straight from a PipeWire daemon (pw_stream), for now only when
// the settings ask for it ([Input] Backend=pipewire): the sound server's
// PulseAudio service stays the way in otherwise. The stream is run by a
// thread of its own (pw_thread_loop) that collects what arrives.
#include "acquisition/capturesource.h"

#include "acquisition/mci.h"
#include "platform/language.h"

#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <algorithm>
#include <mutex>

namespace {

// How long a start waits for the daemon to take the stream.
constexpr int kStartWaitMs = 250;

class PipeWireInput : public CaptureSource {
public:
    explicit PipeWireInput(QString name) : name_(std::move(name)) {}
    ~PipeWireInput() override { Stop(); }

    QString Description() const override { return name_.isEmpty() ? QStringLiteral("PipeWire") : name_; }

    int Start(const CaptureFormat &format) override
    {
        Stop();
        if (format.bitsPerSample != 16 || format.channels < 1 || format.channels > 2 || format.sampleRate < 1000
            || format.sampleRate > 384000)
            return MciErr::NoSuitableInput;
        format_ = format;
        loop_ = pw_thread_loop_new("sigm-capture", nullptr);
        if (!loop_)
            return MciErr::DeviceLost;
        pw_properties *props = pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Capture",
                                                 PW_KEY_MEDIA_ROLE, "Production", PW_KEY_APP_NAME,
                                                 Language::AppTitle().toUtf8().constData(), nullptr);
        // A monitor is the output's own node, captured from its far side.
        QString target = name_;
        if (target.endsWith(QLatin1String(".monitor"))) {
            target.chop(8);
            pw_properties_set(props, PW_KEY_STREAM_CAPTURE_SINK, "true");
        }
        if (!target.isEmpty())
            pw_properties_set(props, PW_KEY_TARGET_OBJECT, target.toUtf8().constData());
        pw_properties_setf(props, PW_KEY_NODE_LATENCY, "%d/%d", latencyFrames(), format.sampleRate);
        pw_thread_loop_lock(loop_);
        stream_ = pw_stream_new_simple(pw_thread_loop_get_loop(loop_), "oscillogram", props, &events(), this);
        int rc = stream_ ? 0 : MciErr::DeviceLost;
        if (stream_) {
            uint8_t buffer[1024];
            spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
            spa_audio_info_raw info{};
            info.format = SPA_AUDIO_FORMAT_S16_LE;
            info.rate = uint32_t(format.sampleRate);
            info.channels = uint32_t(format.channels);
            if (format.channels == 2) {
                info.position[0] = SPA_AUDIO_CHANNEL_FL;
                info.position[1] = SPA_AUDIO_CHANNEL_FR;
            } else {
                info.position[0] = SPA_AUDIO_CHANNEL_MONO;
            }
            const spa_pod *params[1] = {spa_format_audio_raw_build(&b, SPA_PARAM_EnumFormat, &info)};
            const auto flags = pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS
                                               | PW_STREAM_FLAG_RT_PROCESS);
            if (pw_stream_connect(stream_, PW_DIRECTION_INPUT, PW_ID_ANY, flags, params, 1) < 0)
                rc = MciErr::DeviceLost;
        }
        pw_thread_loop_unlock(loop_);
        if (rc == 0 && pw_thread_loop_start(loop_) < 0)
            rc = MciErr::DeviceLost;
        if (rc == 0) {
            // A daemon that is not there fails the stream at once.
            pw_thread_loop_lock(loop_);
            timespec until;
            pw_thread_loop_get_time(loop_, &until, int64_t(kStartWaitMs) * SPA_NSEC_PER_MSEC);
            while (!failed() && state_ != PW_STREAM_STATE_STREAMING && state_ != PW_STREAM_STATE_PAUSED)
                if (pw_thread_loop_timed_wait_full(loop_, &until) != 0)
                    break;
            pw_thread_loop_unlock(loop_);
            if (failed())
                rc = MciErr::DeviceLost;
        }
        if (rc != 0)
            Stop();
        return rc;
    }

    void Stop() override
    {
        if (!loop_)
            return;
        pw_thread_loop_stop(loop_);
        if (stream_)
            pw_stream_destroy(stream_);
        stream_ = nullptr;
        pw_thread_loop_destroy(loop_);
        loop_ = nullptr;
        std::lock_guard<std::mutex> g(lock_);
        pending_.clear();
        failed_ = false;
        state_ = PW_STREAM_STATE_UNCONNECTED;
    }

    void SetFragmentMs(int ms) override
    {
        fragmentMs_ = std::clamp(ms, 1, 1000);
        if (!loop_ || !stream_)
            return;
        const QByteArray latency = QByteArray::number(latencyFrames()) + '/' + QByteArray::number(format_.sampleRate);
        const spa_dict_item item = SPA_DICT_ITEM_INIT(PW_KEY_NODE_LATENCY, latency.constData());
        const spa_dict dict = SPA_DICT_INIT(&item, 1);
        pw_thread_loop_lock(loop_);
        pw_stream_update_properties(stream_, &dict);
        pw_thread_loop_unlock(loop_);
    }

    bool ReadAvailable(QByteArray &out) override
    {
        std::lock_guard<std::mutex> g(lock_);
        const int frameBytes = format_.BytesPerFrame();
        const qsizetype whole = pending_.size() - pending_.size() % frameBytes;
        if (whole > 0) {
            out.append(pending_.constData(), whole);
            pending_.remove(0, whole);
        }
        return !failed_ || whole > 0;
    }

private:
    int latencyFrames() const { return std::max(1, format_.sampleRate * fragmentMs_ / 1000); }

    bool failed()
    {
        std::lock_guard<std::mutex> g(lock_);
        return failed_;
    }

    static const pw_stream_events &events()
    {
        static const pw_stream_events e = [] {
            pw_stream_events ev{};
            ev.version = PW_VERSION_STREAM_EVENTS;
            ev.state_changed = onState;
            ev.process = onProcess;
            return ev;
        }();
        return e;
    }

    static void onState(void *data, pw_stream_state, pw_stream_state state, const char *)
    {
        auto *self = static_cast<PipeWireInput *>(data);
        {
            std::lock_guard<std::mutex> g(self->lock_);
            self->state_ = state;
            if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED)
                self->failed_ = true;
        }
        pw_thread_loop_signal(self->loop_, false);
    }

    static void onProcess(void *data)
    {
        auto *self = static_cast<PipeWireInput *>(data);
        pw_buffer *b = pw_stream_dequeue_buffer(self->stream_);
        if (!b)
            return;
        const spa_buffer *buf = b->buffer;
        if (buf->n_datas > 0 && buf->datas[0].data && buf->datas[0].chunk) {
            const spa_data &d = buf->datas[0];
            const uint32_t offset = std::min(d.chunk->offset, d.maxsize);
            const uint32_t size = std::min(d.chunk->size, d.maxsize - offset);
            std::lock_guard<std::mutex> g(self->lock_);
            self->pending_.append(static_cast<const char *>(d.data) + offset, qsizetype(size));
        }
        pw_stream_queue_buffer(self->stream_, b);
    }

    QString name_;
    CaptureFormat format_{44100, 2, 16};
    int fragmentMs_ = kTimedFragmentMs;
    pw_thread_loop *loop_ = nullptr;
    pw_stream *stream_ = nullptr;
    std::mutex lock_;
    QByteArray pending_;
    bool failed_ = false;
    pw_stream_state state_ = PW_STREAM_STATE_UNCONNECTED;
};

}  // namespace

std::unique_ptr<CaptureSource> MakePipeWireInput(const QString &name)
{
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
    return std::make_unique<PipeWireInput>(name);
}
