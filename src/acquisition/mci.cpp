// SPDX-License-Identifier: GPL-3.0-or-later
// The sound device's command strings. One device at a time, normally under
// the alias Zvuk, opened on a WAV file whose format the recordings take.
#include "acquisition/mci.h"

#include "acquisition/captureengine.h"
#include "platform/paths.h"
#include "platform/wavfile.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <optional>

namespace {

struct Device {
    QString name;     // the alias (or the file, when opened without one)
    QString path;     // the mapped file path
    WavInfo info;
};

std::optional<Device> g_device;
// What a "notify" command tells when it is done (mciSendNotify).
std::function<void(int)> g_notify;

bool same(const QString &a, const char *b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

QString unquoted(QString s)
{
    s = s.trimmed();
    if (s.size() >= 2 && s.startsWith(QLatin1Char('"')) && s.endsWith(QLatin1Char('"')))
        s = s.mid(1, s.size() - 2);
    return s;
}

// The refresh sends five commands per tick: they are split by hand, and
// the one pattern that is needed is compiled once.
QStringList words(const QString &s)
{
    QStringList out;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        while (i < n && s[i].isSpace())
            ++i;
        const qsizetype begin = i;
        while (i < n && !s[i].isSpace())
            ++i;
        if (i > begin)
            out << s.mid(begin, i - begin);
    }
    return out;
}

qsizetype firstBlank(const QString &s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].isSpace())
            return i;
    }
    return -1;
}

// Splits "FILE type waveaudio alias Zvuk wait" into the file (which may hold
// blanks) and the keywords after it.
QString takeTrailingKeywords(const QString &rest, QStringList *keywords)
{
    static const QRegularExpression tail(
        QStringLiteral("^(.*?)((?:\\s+(?:type|alias)\\s+\\S+|\\s+wait|\\s+shareable)*)\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = tail.match(QLatin1Char(' ') + rest);
    *keywords = words(m.captured(2));
    return unquoted(m.captured(1));
}

bool parseWhole(const QString &text, qint64 *value)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok)
        return false;
    *value = v;
    return true;
}

Device *deviceNamed(const QString &name)
{
    if (g_device && g_device->name.compare(name, Qt::CaseInsensitive) == 0)
        return &*g_device;
    return nullptr;
}

int doOpen(const QString &rest)
{
    QStringList keys;
    const QString file = takeTrailingKeywords(rest, &keys);
    QString alias;
    for (int i = 0; i < keys.size(); ++i) {
        if (same(keys[i], "type") && i + 1 < keys.size()) {
            if (!same(keys[++i], "waveaudio"))
                return MciErr::BadKeyword;
        } else if (same(keys[i], "alias") && i + 1 < keys.size()) {
            alias = keys[++i];
        }
    }
    if (file.isEmpty())
        return MciErr::BadKeyword;
    const QString name = alias.isEmpty() ? file : alias;
    if (g_device)
        return g_device->name.compare(name, Qt::CaseInsensitive) == 0 ? MciErr::AliasInUse
                                                                        : MciErr::AnotherDeviceOpen;
    Device d;
    d.name = name;
    d.path = Paths::MapPath(file);
    if (const int rc = ReadWavInfo(d.path, &d.info))
        return rc;
    g_device = d;
    return 0;
}

int doRecord(Device &d, const QStringList &args)
{
    qint64 from = 0, to = -1;
    bool wait = false, notify = false, hasTo = false;
    for (int i = 0; i < args.size(); ++i) {
        if (same(args[i], "from") && i + 1 < args.size()) {
            if (!parseWhole(args[++i], &from))
                return MciErr::BadKeyword;
        } else if (same(args[i], "to") && i + 1 < args.size()) {
            if (!parseWhole(args[++i], &to))
                return MciErr::BadKeyword;
            hasTo = true;
        } else if (same(args[i], "wait")) {
            wait = true;
        } else if (same(args[i], "notify")) {
            notify = true;
        } else if (!same(args[i], "overwrite") && !same(args[i], "insert")) {
            return MciErr::BadKeyword;
        }
    }
    // Recordings always start at the beginning of the device's data.
    if (from != 0 || (hasTo && to < from))
        return MciErr::OutOfRange;
    if ((wait || notify) && !hasTo)
        return MciErr::BadKeyword;  // would wait for ever
    const CaptureFormat format{d.info.sampleRate, d.info.channels, d.info.bitsPerSample};
    if (format.bitsPerSample != 16 || format.channels < 1 || format.channels > 2)
        return MciErr::NoSuitableInput;
    qint64 limit = -1;
    if (hasTo) {
        if (to > 24LL * 3600 * 1000)
            return MciErr::OutOfRange;
        limit = (to - from) * format.sampleRate / 1000;
    }
    CaptureEngine &engine = CaptureEngine::Instance();
    // A recording that is waited for, at once or by a notice, is a start of
    // its own: it never carries on from an earlier save's cut.
    if (const int rc = engine.StartRecording(format, limit, !wait && !notify))
        return rc;
    if (wait)
        return engine.WaitForLimit();
    if (notify && g_notify)
        engine.WhenLimitReached(std::move(g_notify));
    return 0;
}

int doSave(const QString &rest)
{
    // "save A FILE [wait]": the file is everything after the alias.
    QString text = rest.trimmed();
    const qsizetype blank = firstBlank(text);
    const QString alias = blank < 0 ? text : text.left(blank);
    Device *d = deviceNamed(alias);
    if (!d)
        return MciErr::DeviceNotOpen;
    QString file = blank < 0 ? QString() : text.mid(blank + 1).trimmed();
    static const QRegularExpression wait(QStringLiteral("\\s+wait$"), QRegularExpression::CaseInsensitiveOption);
    file = unquoted(file.remove(wait));
    if (file.isEmpty())
        return MciErr::BadKeyword;
    CaptureEngine &engine = CaptureEngine::Instance();
    const char *data = nullptr;
    qint64 bytes = 0;
    CaptureFormat format;
    const int rc = engine.Recorded(&data, &bytes, &format);
    if (!engine.Recording())
        format = CaptureFormat{d->info.sampleRate, d->info.channels, 16};
    // What was recorded before a failure of the input is still worth keeping.
    const int written = WriteWav16(Paths::MapPath(file), format.sampleRate, format.channels, data, bytes);
    engine.MarkCut();
    return written ? written : rc;
}

int doStatus(Device &d, const QStringList &args, QString *answer)
{
    QStringList items;
    for (const QString &a : args) {
        if (!same(a, "wait"))
            items << a;
    }
    if (items.size() != 1)
        return MciErr::BadKeyword;
    const QString &item = items.first();
    if (same(item, "bitspersample"))
        *answer = QString::number(d.info.bitsPerSample);
    else if (same(item, "channels"))
        *answer = QString::number(d.info.channels);
    else if (same(item, "length"))
        *answer = QString::number(d.info.LengthMs());
    else if (same(item, "samplespersec"))
        *answer = QString::number(d.info.sampleRate);
    else if (same(item, "mode"))
        *answer = CaptureEngine::Instance().Recording() ? QStringLiteral("recording") : QStringLiteral("stopped");
    else
        return MciErr::BadKeyword;
    return 0;
}

int run(const QString &command, QString *answer)
{
    const QString text = command.trimmed();
    const qsizetype blank = firstBlank(text);
    const QString verb = blank < 0 ? text : text.left(blank);
    const QString rest = blank < 0 ? QString() : text.mid(blank + 1).trimmed();
    if (verb.isEmpty())
        return MciErr::UnknownCommand;
    if (same(verb, "open"))
        return doOpen(rest);
    if (same(verb, "save"))
        return doSave(rest);

    const QStringList args = words(rest);
    if (args.isEmpty())
        return same(verb, "close") || same(verb, "record") || same(verb, "status") || same(verb, "delete")
                       || same(verb, "stop")
                   ? MciErr::BadKeyword
                   : MciErr::UnknownCommand;
    CaptureEngine &engine = CaptureEngine::Instance();
    if (same(verb, "close") && same(args.first(), "all")) {
        engine.EndRecording();
        g_device.reset();
        return 0;
    }
    const bool known = same(verb, "close") || same(verb, "record") || same(verb, "status") || same(verb, "delete")
                       || same(verb, "stop");
    if (!known)
        return MciErr::UnknownCommand;
    Device *d = deviceNamed(args.first());
    if (!d)
        return MciErr::DeviceNotOpen;
    const QStringList params = args.mid(1);
    if (same(verb, "close")) {
        engine.EndRecording();
        g_device.reset();
        return 0;
    }
    if (same(verb, "record"))
        return doRecord(*d, params);
    if (same(verb, "status"))
        return doStatus(*d, params, answer);
    for (const QString &p : params) {
        if (!same(p, "wait"))
            return MciErr::BadKeyword;  // parts of a recording are not cut out
    }
    if (same(verb, "delete"))
        return engine.DiscardRecorded();
    return engine.StopRecording();  // stop
}

}  // namespace

int mciSendNotify(const QString &command, std::function<void(int error)> done)
{
    g_notify = std::move(done);
    const int rc = mciSendString(command);
    g_notify = nullptr;
    return rc;
}

int mciSendString(const QString &command, QString *answer)
{
    QString reply;
    const int rc = run(command, &reply);
    if (answer)
        *answer = rc == 0 ? reply : QString();
    return rc;
}

QString mciGetErrorString(int code)
{
    switch (code) {
    case 0:
        return QCoreApplication::translate("Capture", "Команда звукового устройства выполнена.");
    case MciErr::BadKeyword:
        return QCoreApplication::translate("Capture", "Звуковое устройство не понимает параметры команды.");
    case MciErr::UnknownCommand:
        return QCoreApplication::translate("Capture", "Звуковое устройство не знает такой команды.");
    case MciErr::DeviceLost:
        return QCoreApplication::translate("Capture", "Устройство звукового ввода перестало передавать звук: оно отключено или "
                              "звуковой сервер остановлен.");
    case MciErr::DeviceNotOpen:
        return QCoreApplication::translate("Capture", "Звуковое устройство с таким именем не открыто.");
    case MciErr::OutOfMemory:
        return QCoreApplication::translate("Capture", "Запись слишком длинна: для неё не хватает памяти.");
    case MciErr::AnotherDeviceOpen:
        return QCoreApplication::translate("Capture", "Звуковое устройство уже открыто другой командой; закройте его и повторите.");
    case MciErr::FileNotFound:
        return QCoreApplication::translate("Capture", "Звуковой файл не найден.");
    case MciErr::OutOfRange:
        return QCoreApplication::translate("Capture", "Время записи задано неверно.");
    case MciErr::NotSaved:
        return QCoreApplication::translate("Capture", "Запись не удалось сохранить в файл: нет прав на запись, нет такой папки или диск "
                              "переполнен.");
    case MciErr::AliasInUse:
        return QCoreApplication::translate("Capture", "Звуковое устройство с таким именем уже открыто.");
    case MciErr::InvalidFile:
        return QCoreApplication::translate("Capture", "Файл не является звуковым файлом WAV с импульсно-кодовой модуляцией или не "
                              "читается.");
    case MciErr::NoSuitableInput:
        return QCoreApplication::translate("Capture", "Нет устройства звукового ввода, которое может записывать в формате этого файла "
                              "(частота, число каналов, 16 бит).");
    case MciErr::InputUnavailable:
        return QCoreApplication::translate("Capture", "Устройство звукового ввода недоступно. Проверьте, работает ли звуковой сервер и "
                              "подключён ли кабель, и включите осциллоскоп снова.");
    case MciErr::InputNotFound:
        return QCoreApplication::translate("Capture", "Устройство звукового ввода, заданное переменной SIGM_INPUT, не найдено.");
    default:
        return QCoreApplication::translate("Capture", "Неизвестная ошибка звукового устройства № %1.").arg(code);
    }
}

void mciSetInputListener(std::function<void(bool demo, const QString &description)> listener)
{
    CaptureEngine::Instance().SetInputListener(std::move(listener));
}

void mciSetLossListener(std::function<void()> listener)
{
    CaptureEngine::Instance().SetLossListener(std::move(listener));
}
