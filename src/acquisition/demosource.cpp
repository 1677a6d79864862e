// SPDX-License-Identifier: GPL-3.0-or-later
// The demo generator stands in for a sound card on machines without one, so
// the oscilloscope still shows moving traces, and at the card's pace.
#include "acquisition/capturesource.h"

#include "acquisition/mci.h"

#include <QCoreApplication>
#include <chrono>
#include <cmath>

qint16 DemoSample(qint64 frame, int channel, int sampleRate)
{
    constexpr double kAmplitude = 16384.0;  // half of full scale
    if (channel == 0) {
        // Reduce the phase in whole periods first so long runs stay exact.
        const qint64 n = frame % sampleRate;
        const double phase = 2.0 * M_PI * 1000.0 * double(n) / double(sampleRate);
        return qint16(std::lround(kAmplitude * std::sin(phase)));
    }
    // 250 Hz triangle: 0 → +A → 0 → −A over one period, like the sine.
    const qint64 n = (frame * 250) % sampleRate;
    const double u = double(n) / double(sampleRate);  // 0..1 of the period
    double tri;
    if (u < 0.25)
        tri = 4.0 * u;
    else if (u < 0.75)
        tri = 2.0 - 4.0 * u;
    else
        tri = 4.0 * u - 4.0;
    return qint16(std::lround(kAmplitude * tri));
}

namespace {

class DemoSource : public CaptureSource {
public:
    QString Description() const override { return QCoreApplication::translate("Capture", "Демонстрационный генератор"); }
    bool IsDemo() const override { return true; }

    int Start(const CaptureFormat &format) override
    {
        if (format.bitsPerSample != 16 || format.channels < 1 || format.channels > 2 || format.sampleRate < 1000
            || format.sampleRate > 384000)
            return MciErr::NoSuitableInput;
        format_ = format;
        start_ = Clock::now();
        produced_ = 0;
        running_ = true;
        return 0;
    }

    void Stop() override { running_ = false; }

    bool ReadAvailable(QByteArray &out) override
    {
        if (!running_)
            return true;
        const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start_).count();
        const qint64 due = qint64(elapsed) * format_.sampleRate / 1000000;
        if (due <= produced_)
            return true;
        const qint64 count = due - produced_;
        const qsizetype at = out.size();
        out.resize(at + count * format_.BytesPerFrame());
        auto *p = reinterpret_cast<qint16 *>(out.data() + at);
        for (qint64 f = produced_; f < due; ++f) {
            for (int c = 0; c < format_.channels; ++c)
                *p++ = DemoSample(f, c, format_.sampleRate);
        }
        produced_ = due;
        return true;
    }

private:
    using Clock = std::chrono::steady_clock;
    CaptureFormat format_;
    Clock::time_point start_;
    qint64 produced_ = 0;
    bool running_ = false;
};

}  // namespace

std::unique_ptr<CaptureSource> MakeDemoSource()
{
    return std::make_unique<DemoSource>();
}
