// SPDX-License-Identifier: GPL-3.0-or-later
// `sigmalit record`: capture from the sound server straight to a WAV file,
// with no window. The samples go to a file beside the target as they
// arrive, its header made true every second, so whatever stops the run (the
// time is up, Ctrl+C, SIGTERM, a full disk, the input gone, a crash) the
// file holds everything that came in; all but a crash then rename it to
// the name asked for.
#include "acquisition/capturesource.h"
#include "cli/cli.h"
#include "cli/clicommon.h"
#include "export/atomicfile.h"
#include "platform/mcierr.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <sndfile.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Cli {
namespace {

using Clock = std::chrono::steady_clock;

const char *const kRecordHelp = QT_TRANSLATE_NOOP("Cli", 
    "Использование: sigmalit record ВЫХОД.wav --seconds N [--input ИМЯ] [--rate R]\n"
    "                               [--channels 1|2]\n"
    "Запись со звукового входа (сервера PulseAudio или PipeWire) прямо в файл WAV,\n"
    "16 разрядов, без окна и без дисплея. Отсчёты пишутся на диск по мере прихода\n"
    "в файл рядом с ВЫХОД.wav (ВЫХОД.part-XXXXXX.wav), заголовок которого\n"
    "обновляется каждую секунду, и по окончании файл переименовывается в ВЫХОД.wav.\n"
    "Ctrl+C или SIGTERM останавливают запись: записанное остаётся, код 0, и в\n"
    "стандартный вывод ошибок — строка о том, сколько секунд сохранено. Файл\n"
    "длиннее 4 ГиБ пишется в формате RF64.\n"
    "\n"
    "  --seconds N      длительность записи в секундах (например 10, 1.5, 90 с)\n"
    "  --input ИМЯ      вход по имени или описанию сервера (по умолчанию — вход\n"
    "                   сервера по умолчанию); монитор выхода — по точному имени\n"
    "  --rate R         частота дискретизации, Гц (48000)\n"
    "  --channels 1|2   число каналов (2)\n"
    "\n"
    "Коды завершения: 0 — записано (или остановлено сигналом), 64 — ошибка в\n"
    "командной строке, 69 — нет звукового входа (или он перестал отвечать; что\n"
    "пришло до того, сохранено), 74 — ошибка записи (при переполнении диска\n"
    "записанное сохраняется).\n");

// How long an input may deliver nothing before it counts as gone: far
// beyond a server's latency, short enough that a script is not held up.
constexpr auto kSilentLimit = std::chrono::seconds(5);
// How often the header is made true.
constexpr auto kHeaderEvery = std::chrono::seconds(1);

QByteArray systemText(int error)
{
    return QByteArray(std::strerror(error));
}

// The temporary file beside `target`: "take.wav" records to
// "take.part-XXXXXX.wav", which any player opens as what it is.
int makeTemporary(const QString &target, QString *name)
{
    const QFileInfo info(target);
    QString stem = info.fileName();
    if (stem.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive))
        stem.chop(4);
    if (stem.isEmpty())
        stem = QStringLiteral("sigmalit");
    QByteArray pattern = QFile::encodeName(info.dir().filePath(QStringLiteral("%1.part-XXXXXX.wav").arg(stem)));
    const int fd = ::mkostemps(pattern.data(), 4, O_CLOEXEC);
    if (fd >= 0) {
        // Readable as a recording would be, not only by its owner.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    *name = QFile::decodeName(pattern);
    return fd;
}

}  // namespace

int Record(const QStringList &args)
{
    Command c;
    c.name = QStringLiteral("record");
    c.help = QCoreApplication::translate("Cli", kRecordHelp);
    for (const char *name : {"seconds", "input", "rate", "channels"})
        c.parser.addOption(valueOption(QLatin1String(name), QStringLiteral("X")));
    if (const int rc = parse(c, args, 1); rc >= 0)
        return rc;
    const QString target = c.parser.positionalArguments().first();
    if (!c.parser.isSet(QStringLiteral("seconds")))
        return usage(c.name, QCoreApplication::translate("Cli", "не задана длительность: --seconds N"));
    const std::optional<double> seconds = ParseSeconds(c.parser.value(QStringLiteral("seconds")));
    if (!seconds || !(*seconds > 0) || *seconds > 1e7)
        return usage(c.name, QCoreApplication::translate("Cli", "--seconds: «%1» не длительность больше нуля")
                                 .arg(c.parser.value(QStringLiteral("seconds"))));
    bool ok = true;
    const int rate = c.parser.isSet(QStringLiteral("rate")) ? c.parser.value(QStringLiteral("rate")).toInt(&ok) : 48000;
    if (!ok || rate < 1000 || rate > 384000)
        return usage(c.name, QCoreApplication::translate("Cli", "--rate: частота от 1000 до 384000 Гц, а не «%1»")
                                 .arg(c.parser.value(QStringLiteral("rate"))));
    const QString channelsText = c.parser.value(QStringLiteral("channels"));
    if (!channelsText.isEmpty() && channelsText != QLatin1String("1") && channelsText != QLatin1String("2"))
        return usage(c.name, QCoreApplication::translate("Cli", "--channels: 1 или 2, а не «%1»").arg(channelsText));
    const int channels = channelsText.isEmpty() ? 2 : channelsText.toInt();
    if (const QString refusal = AtomicFile::Refusal(target); !refusal.isEmpty())
        return fail(c.name, kExitIoErr, refusal);

    // The stop signals are taken here, between blocks, never in a handler:
    // blocked before the sound server's threads start (they inherit it),
    // then waited for in place of a sleep.
    sigset_t stops;
    sigemptyset(&stops);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&stops, s);
    sigset_t before;
    pthread_sigmask(SIG_BLOCK, &stops, &before);
    struct Unblock {
        sigset_t mask;
        ~Unblock() { pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
    } unblock{before};

    const QString inputName = c.parser.value(QStringLiteral("input"));
    int error = 0;
    std::unique_ptr<CaptureSource> input = MakeSoundInput(inputName, &error);
    if (!input)
        return fail(c.name, kExitUnavailable,
                    error == MciErr::InputNotFound
                        ? QCoreApplication::translate("Cli", "у звукового сервера нет входа «%1»").arg(inputName)
                        : QCoreApplication::translate("Cli", "нет звукового входа: звуковой сервер не отвечает или у него нет входов"));
    CaptureFormat format{rate, channels, 16};
    if (const int refused = input->Start(format))
        return fail(c.name, kExitUnavailable,
                    refused == MciErr::NoSuitableInput
                        ? QCoreApplication::translate("Cli", "вход «%1» не даёт %2 Гц, %3 канал(а), 16 разрядов")
                              .arg(input->Description()).arg(rate).arg(channels)
                        : QCoreApplication::translate("Cli", "вход «%1» недоступен").arg(input->Description()));
    // Bigger fragments than the window's: nothing is drawn, and each one
    // wakes the program.
    input->SetFragmentMs(100);

    QString temporary;
    const int fd = makeTemporary(target, &temporary);
    if (fd < 0)
        return fail(c.name, kExitIoErr, QCoreApplication::translate("Cli", "не удалось создать файл рядом с «%1»: %2")
                                            .arg(ShownName(target), QString::fromLocal8Bit(systemText(errno))));
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    // RF64 that stays a plain WAV file while it is under 4 GiB.
    info.format = SF_FORMAT_RF64 | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (!file) {
        const QString why = QString::fromLocal8Bit(sf_strerror(nullptr));
        QFile::remove(temporary);
        return fail(c.name, kExitIoErr, QCoreApplication::translate("Cli", "не удалось начать файл «%1»: %2").arg(ShownName(temporary), why));
    }
    sf_command(file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    sf_command(file, SFC_UPDATE_HEADER_NOW, nullptr, 0);

    const int64_t wanted = std::llround(*seconds * rate);
    int64_t written = 0;
    QByteArray block;
    QString problem;  // why the recording stopped early, for the last line
    int code = kExitOk;
    bool stopped = false;
    auto lastData = Clock::now(), lastHeader = Clock::now();
    while (written < wanted) {
        // Sleep until the next fragment is due, or a stop signal comes.
        const timespec wait{0, 20 * 1000 * 1000};
        if (sigtimedwait(&stops, nullptr, &wait) > 0) {
            stopped = true;
            break;
        }
        block.clear();
        const bool alive = input->ReadAvailable(block);
        const int64_t frames = std::min<int64_t>(block.size() / (2 * channels), wanted - written);
        const auto now = Clock::now();
        if (frames > 0) {
            lastData = now;
            const sf_count_t put =
                sf_writef_short(file, reinterpret_cast<const short *>(block.constData()), sf_count_t(frames));
            written += std::max<sf_count_t>(0, put);
            if (put != frames) {
                const int why = errno;
                problem = why == ENOSPC || why == EDQUOT
                              ? QCoreApplication::translate("Cli", "диск заполнен")
                              : QCoreApplication::translate("Cli", "запись не удалась (%1)").arg(QString::fromLocal8Bit(sf_strerror(file)));
                code = kExitIoErr;
                break;
            }
        }
        if (!alive) {
            problem = QCoreApplication::translate("Cli", "вход «%1» перестал работать").arg(input->Description());
            code = kExitUnavailable;
            break;
        }
        if (now - lastData > kSilentLimit) {
            problem = QCoreApplication::translate("Cli", "вход «%1» ничего не даёт %2 с")
                          .arg(input->Description())
                          .arg(std::chrono::duration_cast<std::chrono::seconds>(kSilentLimit).count());
            code = kExitUnavailable;
            break;
        }
        if (now - lastHeader >= kHeaderEvery) {
            lastHeader = now;
            sf_command(file, SFC_UPDATE_HEADER_NOW, nullptr, 0);
        }
    }
    input->Stop();

    // The header says what is there; then the file takes its name.
    sf_command(file, SFC_UPDATE_HEADER_NOW, nullptr, 0);
    const int closed = sf_close(file);
    const double kept = double(written) / rate;
    const QString keptText = QString::fromLatin1(Number(kept, 6));
    if (closed != 0 && code == kExitOk) {
        problem = QCoreApplication::translate("Cli", "не удалось закрыть файл (%1)").arg(QString::fromLocal8Bit(sf_error_number(closed)));
        code = kExitIoErr;
    }
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0)
        return fail(c.name, kExitIoErr, QCoreApplication::translate("Cli", "записано %1 с, но файл не переименован в «%2» (%3): он остался как «%4»")
                                            .arg(keptText, ShownName(target), QString::fromLocal8Bit(systemText(errno)),
                                                 ShownName(temporary)));
    if (code != kExitOk)
        return fail(c.name, code, QCoreApplication::translate("Cli", "%1; записанные %2 с сохранены в «%3»").arg(problem, keptText, ShownName(target)));
    if (stopped)
        fail(c.name, kExitOk, QCoreApplication::translate("Cli", "остановлено; записанные %1 с сохранены в «%2»").arg(keptText, ShownName(target)));
    return kExitOk;
}

}  // namespace Cli
