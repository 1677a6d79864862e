#include "acquisition/inputchoice.h"

#include "acquisition/mci.h"
#include "platform/settings.h"

#include <QMediaDevices>
#include <QAudioDevice>
#include <QPointer>
#include <QProcess>

namespace InputChoice {

QList<SoundInputInfo> ParseSourceList(const QString &text)
{
    QList<SoundInputInfo> out;
    SoundInputInfo cur;
    bool inSource = false;
    auto flush = [&] {
        if (inSource && !cur.id.isEmpty()) {
            if (cur.description.isEmpty())
                cur.description = cur.id;
            out.append(cur);
        }
        cur = SoundInputInfo();
    };
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (raw.startsWith(QLatin1String("Source #"))) {
            flush();
            inSource = true;
        } else if (!inSource) {
            continue;
        } else if (line.startsWith(QLatin1String("Name:"))) {
            cur.id = line.mid(5).trimmed();
        } else if (line.startsWith(QLatin1String("Description:"))) {
            cur.description = line.mid(12).trimmed();
        } else if (line.startsWith(QLatin1String("Monitor of Sink:"))) {
            const QString sink = line.mid(16).trimmed();
            cur.monitor = !sink.isEmpty() && sink != QLatin1String("n/a");
        }
    }
    flush();
    return out;
}

QList<SoundInputInfo> List()
{
    const QString text = RunPactl({QStringLiteral("list"), QStringLiteral("sources")});
    QList<SoundInputInfo> list = ParseSourceList(text);
    if (!list.isEmpty())
        return list;
    for (const QAudioDevice &d : QMediaDevices::audioInputs())
        list.append({QString::fromUtf8(d.id()), d.description(), false});
    return list;
}

QString Stored()
{
    return SettingsStore::GetSetting(QStringLiteral("Sigm"), QStringLiteral("Input"), QStringLiteral("Source"))
        .trimmed();
}

void Store(const QString &choice)
{
    SettingsStore::SaveSetting(QStringLiteral("Sigm"), QStringLiteral("Input"), QStringLiteral("Source"), choice);
}

namespace {

// Raw 16-bit frames from the sound server's own recording client; it reads
// any source, monitors included.
class ServerSource : public CaptureSource {
public:
    explicit ServerSource(SoundInputInfo input) : input_(std::move(input)) {}
    ~ServerSource() override { Stop(); }

    QString Description() const override { return input_.description; }

    int Start(const CaptureFormat &format) override
    {
        Stop();
        if (format.bitsPerSample != 16 || format.channels < 1 || format.channels > 2)
            return MciErr::NoSuitableInput;
        proc_ = new QProcess;
        proc_->setProgram(QStringLiteral("parec"));
        proc_->setArguments({QStringLiteral("--device=") + input_.id, QStringLiteral("--raw"),
                             QStringLiteral("--format=s16le"),
                             QStringLiteral("--rate=%1").arg(format.sampleRate),
                             QStringLiteral("--channels=%1").arg(format.channels),
                             QStringLiteral("--latency-msec=10")});
        proc_->start(QIODevice::ReadOnly);
        if (!proc_->waitForStarted(2000)) {
            Stop();
            return MciErr::NoSuitableInput;
        }
        frameBytes_ = format.BytesPerFrame();
        carry_.clear();
        return 0;
    }

    void Stop() override
    {
        if (!proc_)
            return;
        proc_->kill();
        proc_->waitForFinished(500);
        proc_->deleteLater();
        proc_ = nullptr;
    }

    bool ReadAvailable(QByteArray &out) override
    {
        if (!proc_)
            return true;
        proc_->waitForReadyRead(0);  // the engine's waits run no event loop
        carry_.append(proc_->readAllStandardOutput());
        const qsizetype whole = carry_.size() - carry_.size() % frameBytes_;
        if (whole > 0) {
            out.append(carry_.constData(), whole);
            carry_.remove(0, whole);
        }
        // The client ends when the source is removed or the server goes.
        return proc_->state() != QProcess::NotRunning || proc_->bytesAvailable() > 0;
    }

private:
    SoundInputInfo input_;
    QPointer<QProcess> proc_;
    QByteArray carry_;
    int frameBytes_ = 2;
};

}  // namespace

std::unique_ptr<CaptureSource> MakeServerSource(const SoundInputInfo &input)
{
    return std::make_unique<ServerSource>(input);
}

std::unique_ptr<CaptureSource> Make(const QString &choice, int *error, QString *notice)
{
    *error = 0;
    if (choice.compare(QLatin1String(kDemo), Qt::CaseInsensitive) == 0)
        return MakeDemoSource();
    if (!choice.isEmpty()) {
        for (const QAudioDevice &d : QMediaDevices::audioInputs()) {
            if (QString::fromUtf8(d.id()) == choice) {
                int e = 0;
                if (auto input = MakeSoundInput(choice, &e))
                    return input;
            }
        }
        for (const SoundInputInfo &i : List()) {
            if (i.id == choice)
                return MakeServerSource(i);
        }
        *notice = QStringLiteral("Выбранный звуковой вход «%1» не найден. Используется вход по умолчанию.")
                      .arg(choice);
    }
    std::unique_ptr<CaptureSource> input = MakeSoundInput(QString(), error);
    if (!input && *error == 0)
        return MakeDemoSource();  // no sound input on this machine at all
    return input;
}

}  // namespace InputChoice
