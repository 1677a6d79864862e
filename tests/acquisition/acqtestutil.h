// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Helpers shared by the sound device tests: WAV files built byte by byte,
// a scriptable input, and reading back what the device saved.
#include "acquisition/captureengine.h"
#include "acquisition/capturesource.h"
#include "acquisition/mci.h"
#include "platform/wavfile.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>

namespace AcqTest {

inline void put16(QByteArray &b, quint16 v)
{
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}

inline void put32(QByteArray &b, quint32 v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}

struct WavSpec {
    quint16 formatTag = 1;  // 1 PCM, 3 float, 0xFFFE extensible
    quint16 channels = 2;
    quint32 rate = 44100;
    quint16 bits = 16;
    QByteArray data;
    QByteArray chunkBeforeData;  // a whole extra chunk, e.g. "LIST"
};

inline QByteArray wavBytes(const WavSpec &s)
{
    QByteArray fmt;
    put16(fmt, s.formatTag);
    put16(fmt, s.channels);
    put32(fmt, s.rate);
    put32(fmt, s.rate * s.channels * s.bits / 8);
    put16(fmt, quint16(s.channels * s.bits / 8));
    put16(fmt, s.bits);
    if (s.formatTag == 0xFFFE) {
        put16(fmt, 22);
        put16(fmt, s.bits);
        put32(fmt, s.channels == 2 ? 3 : 4);
        // KSDATAFORMAT_SUBTYPE_PCM
        const unsigned char guid[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        fmt.append(reinterpret_cast<const char *>(guid), 16);
    }
    QByteArray body = "WAVE";
    body += "fmt ";
    put32(body, quint32(fmt.size()));
    body += fmt;
    body += s.chunkBeforeData;
    body += "data";
    put32(body, quint32(s.data.size()));
    body += s.data;
    QByteArray all = "RIFF";
    put32(all, quint32(body.size()));
    return all + body;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline quint32 le32(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

inline quint16 le16(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

inline qint16 sampleAt(const QByteArray &file, qint64 frame, int channel, int channels)
{
    return qFromLittleEndian<qint16>(file.constData() + kWav16HeaderBytes + (frame * channels + channel) * 2);
}

// What a test input does. Its samples count frames (first channel: the low
// 15 bits of the frame number, second: the next 15), so a gap or a repeat
// in a recording shows at once.
struct FakeScript {
    enum class Mode { Steady, Silent, GoesQuiet, Fails, Pulses };
    Mode mode = Mode::Steady;
    qint64 afterFrames = 0;  // GoesQuiet / Fails: when
    int burstFrames = 0;     // > 0: delivers only whole bursts of this many frames
    int startError = 0;      // Start() answers this
    int maxChannels = 2;
    bool demo = false;
    double speed = 1;        // how many times faster than the clock it delivers
    // > 0: hands over at most this many frames a read, falling behind its
    // clock rather than dumping a backlog. A fast input that a starved
    // machine reads late would otherwise deliver more in one read than the
    // device may hold, which no real input at this speed could do.
    qint64 maxFramesPerRead = 0;
    // Pulses: silence with a short pulse on both channels every
    // `pulseEverySeconds` from `pulseFirstSeconds` on. Pulse k stands at
    // pulseHeight(k), so a screen tells which pulse it shows (the steps
    // are wide enough for an upsampled screen's overshoot).
    double pulseEverySeconds = 1;
    double pulseFirstSeconds = 0;
    double pulseSeconds = 0.001;
    static qint16 pulseHeight(qint64 k) { return qint16(7000 + 5000 * (k % 4)); }
    static int pulseNumber(int height) { return std::clamp(int(std::floor((height - 5500) / 5000.0)), 0, 3); }
};

struct FakeStats {
    int starts = 0;
    int stops = 0;
    CaptureFormat lastFormat;
};

inline qint64 counterFrame(qint16 first, qint16 second)
{
    return (qint64(quint16(second) & 0x7FFF) << 15) | (quint16(first) & 0x7FFF);
}

class FakeSource : public CaptureSource {
public:
    FakeSource(FakeScript script, std::shared_ptr<FakeStats> stats) : script_(script), stats_(std::move(stats)) {}

    QString Description() const override { return QStringLiteral("Проверочный вход"); }
    bool IsDemo() const override { return script_.demo; }

    int Start(const CaptureFormat &format) override
    {
        ++stats_->starts;
        stats_->lastFormat = format;
        if (script_.startError)
            return script_.startError;
        if (format.channels > script_.maxChannels)
            return MciErr::NoSuitableInput;
        format_ = format;
        start_ = Clock::now();
        produced_ = 0;
        return 0;
    }

    void Stop() override { ++stats_->stops; }

    bool ReadAvailable(QByteArray &out) override
    {
        const double secs = std::chrono::duration<double>(Clock::now() - start_).count();
        qint64 due = qint64(secs * format_.sampleRate * script_.speed);
        if (script_.burstFrames > 0)
            due -= due % script_.burstFrames;
        switch (script_.mode) {
        case FakeScript::Mode::Steady:
        case FakeScript::Mode::Pulses:
            break;
        case FakeScript::Mode::Silent:
            return true;
        case FakeScript::Mode::GoesQuiet:
            due = std::min(due, script_.afterFrames);
            break;
        case FakeScript::Mode::Fails:
            if (due >= script_.afterFrames)
                return false;
            break;
        }
        if (script_.maxFramesPerRead > 0)
            due = std::min(due, produced_ + script_.maxFramesPerRead);
        if (due > produced_) {
            const qsizetype at = out.size();
            out.resize(at + qsizetype((due - produced_) * format_.channels * 2));
            char *p = out.data() + at;
            const qint64 every = std::max<qint64>(1, std::llround(script_.pulseEverySeconds * format_.sampleRate));
            const qint64 width = std::max<qint64>(1, std::llround(script_.pulseSeconds * format_.sampleRate));
            for (qint64 f = produced_; f < due; ++f) {
                if (script_.mode == FakeScript::Mode::Pulses) {
                    const qint64 t = f - std::llround(script_.pulseFirstSeconds * format_.sampleRate);
                    const qint16 v = t >= 0 && t % every < width ? FakeScript::pulseHeight(t / every) : 0;
                    for (int c = 0; c < format_.channels; ++c, p += 2)
                        qToLittleEndian<qint16>(v, p);
                    continue;
                }
                for (int c = 0; c < format_.channels; ++c, p += 2)
                    qToLittleEndian<qint16>(qint16(c == 0 ? (f & 0x7FFF) : ((f >> 15) & 0x7FFF)), p);
            }
        }
        produced_ = std::max(produced_, due);
        return true;
    }

private:
    using Clock = std::chrono::steady_clock;
    FakeScript script_;
    std::shared_ptr<FakeStats> stats_;
    CaptureFormat format_;
    Clock::time_point start_;
    qint64 produced_ = 0;
};

// Routes the device to a fake input for the lifetime of the object.
class UseFake {
public:
    explicit UseFake(FakeScript script = {}, int firstDataMs = 3000, int silenceMs = 500)
        : stats(std::make_shared<FakeStats>())
    {
        auto st = stats;
        CaptureEngine::Instance().SetSourceFactory([script, st](int *) {
            return std::unique_ptr<CaptureSource>(new FakeSource(script, st));
        });
        CaptureEngine::Instance().SetTimeouts(firstDataMs, silenceMs);
    }
    ~UseFake() { restore(); }
    // Back to the program's own choice of input: the sound server's default.
    static void restore()
    {
        qunsetenv("SIGM_INPUT");
        mciSendString(QStringLiteral("close all"));
        CaptureEngine::Instance().SetSourceFactory({});
        CaptureEngine::Instance().SetTimeouts(3000, 500);
    }
    std::shared_ptr<FakeStats> stats;
};

class UseDemo {
public:
    UseDemo()
    {
        CaptureEngine::Instance().SetSourceFactory([](int *) { return MakeDemoSource(); });
    }
    ~UseDemo() { UseFake::restore(); }
};

}  // namespace AcqTest
