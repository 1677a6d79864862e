// Real capture through Qt Multimedia. Qt 6.4 does not report the sound
// server's default input (defaultAudioInput() is merely the first one), so
// the default is asked of the server and matched by id.
#include "acquisition/capturesource.h"

#include "acquisition/mci.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QMediaDevices>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

QString RunPactl(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("pactl"), args);
    if (!p.waitForStarted(1000))
        return QString();
    if (!p.waitForFinished(1000)) {
        p.kill();
        p.waitForFinished(200);
        return QString();
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

namespace {

class SoundInput : public CaptureSource {
public:
    explicit SoundInput(const QAudioDevice &device) : device_(device) {}
    ~SoundInput() override { release(); }

    QString Description() const override { return device_.description(); }

    int Start(const CaptureFormat &format) override
    {
        release();
        if (format.bitsPerSample != 16 || format.channels < 1 || format.channels > 2)
            return MciErr::NoSuitableInput;
        QAudioFormat f;
        f.setSampleRate(format.sampleRate);
        f.setChannelCount(format.channels);
        f.setSampleFormat(QAudioFormat::Int16);
        if (!device_.isFormatSupported(f))
            return MciErr::NoSuitableInput;
        source_ = new QAudioSource(device_, f);
        // Small fragments: the server hands data over every 10 ms, which
        // is what a timed recording's accuracy comes down to.
        source_->setBufferSize(qsizetype(format.BytesPerFrame()) * std::max(1, format.sampleRate / 100));
        io_ = source_->start();
        if (!io_ || source_->error() != QAudio::NoError) {
            const bool serverGone = source_->error() == QAudio::FatalError;
            release();
            return serverGone ? MciErr::DeviceLost : MciErr::NoSuitableInput;
        }
        frameBytes_ = format.BytesPerFrame();
        carry_.clear();
        return 0;
    }

    void Stop() override { release(); }

    bool ReadAvailable(QByteArray &out) override
    {
        if (!source_)
            return true;
        // A failed server connection makes Qt close the stream and delete
        // the reading device behind our back.
        if (!io_ || source_->error() == QAudio::FatalError || source_->state() == QAudio::StoppedState)
            return false;
        char chunk[16384];
        for (;;) {
            // Read even when nothing is announced: an unread source idles.
            const qint64 n = io_->read(chunk, sizeof chunk);
            if (n < 0)
                return false;
            if (n == 0)
                break;
            carry_.append(chunk, qsizetype(n));
            if (n < qint64(sizeof chunk))
                break;
        }
        const qsizetype whole = carry_.size() - carry_.size() % frameBytes_;
        if (whole > 0) {
            out.append(carry_.constData(), whole);
            carry_.remove(0, whole);
        }
        return true;
    }

private:
    void release()
    {
        if (!source_)
            return;
        source_->stop();
        // Deleting a Qt audio source runs pending events; leave that to the
        // event loop rather than to the middle of a device command.
        source_->deleteLater();
        source_ = nullptr;
        io_ = nullptr;
    }

    QAudioDevice device_;
    QAudioSource *source_ = nullptr;
    QPointer<QIODevice> io_;
    QByteArray carry_;
    int frameBytes_ = 2;
};

}  // namespace

QString DefaultInputName()
{
    QString name = RunPactl({QStringLiteral("get-default-source")}).trimmed();
    if (!name.isEmpty())
        return name;
    // Older servers: the same answer from "pactl info".
    const QString info = RunPactl({QStringLiteral("info")});
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Default Source:\\s*(\\S+)\\s*$"), QRegularExpression::MultilineOption)
            .match(info);
    return m.hasMatch() ? m.captured(1) : QString();
}

std::unique_ptr<CaptureSource> MakeSoundInput(const QString &name, int *error)
{
    *error = 0;
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    const bool wantDefault = name.isEmpty() || name.compare(QLatin1String("default"), Qt::CaseInsensitive) == 0;
    if (inputs.isEmpty()) {
        if (!wantDefault)
            *error = MciErr::InputNotFound;
        return nullptr;
    }
    const QString wanted = wantDefault ? DefaultInputName() : name;
    if (!wanted.isEmpty()) {
        for (const QAudioDevice &d : inputs) {
            if (QString::fromUtf8(d.id()) == wanted)
                return std::make_unique<SoundInput>(d);
        }
        for (const QAudioDevice &d : inputs) {
            if (d.description() == wanted)
                return std::make_unique<SoundInput>(d);
        }
        for (const QAudioDevice &d : inputs) {
            if (d.description().contains(wanted, Qt::CaseInsensitive)
                || QString::fromUtf8(d.id()).contains(wanted, Qt::CaseInsensitive))
                return std::make_unique<SoundInput>(d);
        }
    }
    if (!wantDefault) {
        *error = MciErr::InputNotFound;
        return nullptr;
    }
    // The server could not be asked, or its default is a monitor that Qt
    // does not list: take the input Qt puts first.
    return std::make_unique<SoundInput>(QMediaDevices::defaultAudioInput().isNull() ? inputs.first()
                                                                                   : QMediaDevices::defaultAudioInput());
}
