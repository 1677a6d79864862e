// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace SettingsStore {
namespace {

// Far more than the program ever writes; a bigger file is not a settings
// file, and reading it would only hold up the start.
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

// The file as read: every line kept as it was, so that writing a value
// changes that value's line and nothing else (comments, blank lines, keys
// of other programs and lines that do not parse all survive).
struct Line {
    QByteArray raw;
    bool entry = false;
    QString section;  // "App\Section" of an entry, as written in its header
    QString key;      // as written, without blanks
    QString value;    // unescaped, without the blanks around it
    bool header = false;
};

// Which file was read, to see at a store whether another program has
// written it since.
struct Stamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    qint64 mtimeNs = 0;
    bool operator==(const Stamp &) const = default;
};

struct Document {
    bool loaded = false;
    bool writable = true;  // false: the file is there but unusable, leave it alone
    std::vector<Line> lines;
    QHash<QString, size_t> index;  // folded "section\nkey" → first line holding it
    Stamp stamp;
};

// A value written since the last store.
struct Change {
    QString section, key, value;
};

QString g_path;
Document g_doc;
std::vector<Change> g_pending;
QHash<QString, size_t> g_pendingIndex;  // folded "section\nkey" → its place in g_pending
int g_batchDepth = 0;
quint64 g_fileWrites = 0;
QString g_lastError;
FailureHandler g_onFailure;

QString defaultPath()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/sigmalit/settings.ini");
}

QString fold(const QString &section, const QString &key)
{
    return (section + QLatin1Char('\n') + key).toCaseFolded();
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// What reading trims off a line: spaces and tabs, and also \v, \f, the
// no-break space and Unicode's other spaces.
bool isBlank(QChar c)
{
    return c.isSpace();
}

// Backslashes and line breaks are escaped so that any text survives; blanks
// at either end are escaped too, since blanks around a value are not part of
// it when the file is read. Blanks inside stay as they are, readable.
QString escape(const QString &v)
{
    int first = 0, last = int(v.size()) - 1;
    while (first <= last && isBlank(v[first]))
        ++first;
    while (last >= first && isBlank(v[last]))
        --last;
    QString out;
    for (int i = 0; i < v.size(); ++i) {
        const QChar c = v[i];
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if ((i < first || i > last) && c == QLatin1Char(' '))
            out += QStringLiteral("\\s");
        else if ((i < first || i > last) && c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if ((i < first || i > last) && c == QLatin1Char('\v'))
            out += QStringLiteral("\\v");
        else if ((i < first || i > last) && c == QLatin1Char('\f'))
            out += QStringLiteral("\\f");
        else if (i < first || i > last)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

// Four hex digits at `at` (what escape writes for an odd blank).
bool hexAt(const QString &v, qsizetype at, char16_t *code)
{
    if (at + 4 > v.size())
        return false;
    char16_t u = 0;
    for (qsizetype k = at; k < at + 4; ++k) {
        const char16_t c = v[k].unicode();
        const int d = c >= u'0' && c <= u'9'   ? c - u'0'
                      : c >= u'a' && c <= u'f' ? c - u'a' + 10
                      : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                               : -1;
        if (d < 0)
            return false;
        u = char16_t(u * 16 + d);
    }
    *code = char16_t(u);
    return true;
}

QString unescape(const QString &v)
{
    char16_t code = 0;
    QString out;
    for (int i = 0; i < v.size(); ++i) {
        if (v[i] == QLatin1Char('\\') && i + 1 < v.size()) {
            const QChar n = v[++i];
            if (n == QLatin1Char('n'))
                out += QLatin1Char('\n');
            else if (n == QLatin1Char('r'))
                out += QLatin1Char('\r');
            else if (n == QLatin1Char('s'))
                out += QLatin1Char(' ');
            else if (n == QLatin1Char('t'))
                out += QLatin1Char('\t');
            else if (n == QLatin1Char('v'))
                out += QLatin1Char('\v');
            else if (n == QLatin1Char('f'))
                out += QLatin1Char('\f');
            else if (n == QLatin1Char('u') && hexAt(v, i + 1, &code)) {
                out += QChar(code);
                i += 4;
            } else
                out += n;
        } else {
            out += v[i];
        }
    }
    return out;
}

void complain(const QString &what)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::translate("Sigmalit", "Сигмалит")), qPrintable(what));
}

Line parse(const QByteArray &raw, const QString &section)
{
    Line l;
    l.raw = raw;
    const QString line = QString::fromUtf8(raw);
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#')))
        return l;
    if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
        l.header = true;
        l.section = t.mid(1, t.size() - 2).trimmed();
        return l;
    }
    const int eq = int(line.indexOf(QLatin1Char('=')));
    if (eq < 0 || section.isEmpty())
        return l;
    l.key = line.left(eq).trimmed();
    if (l.key.isEmpty())
        return l;
    l.entry = true;
    l.section = section;
    l.value = unescape(line.mid(eq + 1).trimmed());
    return l;
}

void reindex(Document &doc)
{
    // Walked backwards so that of a repeated key the first line counts.
    doc.index.clear();
    for (size_t i = doc.lines.size(); i-- > 0;) {
        const Line &l = doc.lines[i];
        if (l.entry)
            doc.index[fold(l.section, l.key)] = i;
    }
}

// Reads the whole file, once. Anything but a regular file (a FIFO would
// block the start, a device would never end) counts as no file at all.
Stamp stampOf(const struct stat &sb)
{
    Stamp st;
    st.exists = true;
    st.dev = sb.st_dev;
    st.ino = sb.st_ino;
    st.size = sb.st_size;
    st.mtimeNs = qint64(sb.st_mtim.tv_sec) * 1000000000 + sb.st_mtim.tv_nsec;
    return st;
}

Stamp stampOf(const QString &path)
{
    struct stat sb {};
    if (::stat(QFile::encodeName(path).constData(), &sb) != 0)
        return Stamp();
    return stampOf(sb);
}

bool readFile(const QString &path, QByteArray &bytes, bool &unusable, Stamp &stamp)
{
    unusable = false;
    stamp = Stamp();
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // No file, or no folder for it yet: nothing to read, and the first
        // store makes them (or says why it cannot).
        if (errno != ENOENT && errno != ENOTDIR) {
            unusable = true;
            complain(QCoreApplication::translate("Settings", "файл настроек %1 не читается (%2), действуют настройки по умолчанию")
                         .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
        }
        return false;
    }
    struct stat sb {};
    bool ok = ::fstat(fd, &sb) == 0;
    if (ok)
        stamp = stampOf(sb);
    if (ok && !S_ISREG(sb.st_mode)) {
        unusable = true;
        complain(QCoreApplication::translate("Settings", "%1 не является обычным файлом, действуют настройки по умолчанию").arg(path));
        ok = false;
    } else if (ok && sb.st_size > kMaxFileBytes) {
        unusable = true;
        complain(QCoreApplication::translate("Settings", "файл настроек %1 слишком велик, действуют настройки по умолчанию").arg(path));
        ok = false;
    }
    while (ok) {
        char buf[65536];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            unusable = true;
            complain(QCoreApplication::translate("Settings", "файл настроек %1 не читается, действуют настройки по умолчанию").arg(path));
            ok = false;
            break;
        }
        if (n == 0)
            break;
        bytes.append(buf, n);
        if (bytes.size() > kMaxFileBytes) {
            unusable = true;
            complain(QCoreApplication::translate("Settings", "файл настроек %1 слишком велик, действуют настройки по умолчанию").arg(path));
            ok = false;
        }
    }
    ::close(fd);
    return ok;
}

Document readDocument(const QString &path)
{
    Document d;
    d.loaded = true;
    QByteArray bytes;
    bool unusable = false;
    if (readFile(path, bytes, unusable, d.stamp)) {
        QString section;
        qsizetype from = 0;
        if (bytes.startsWith("\xEF\xBB\xBF"))
            from = 3;
        while (from < bytes.size()) {
            qsizetype end = bytes.indexOf('\n', from);
            if (end < 0)
                end = bytes.size();
            QByteArray raw = bytes.mid(from, end - from);
            if (raw.endsWith('\r'))
                raw.chop(1);
            Line l = parse(raw, section);
            if (l.header)
                section = l.section;
            d.lines.push_back(std::move(l));
            from = end + 1;
        }
    }
    d.writable = !unusable;
    reindex(d);
    return d;
}

Document &doc()
{
    if (!g_doc.loaded)
        g_doc = readDocument(FilePath());
    return g_doc;
}

// Sets one value in the lines as read: its own line changes, or a new line
// goes after the last line of its section (a new section at the end).
void put(Document &d, const QString &sec, const QString &key, const QString &value)
{
    const auto it = d.index.constFind(fold(sec, key));
    if (it != d.index.constEnd()) {
        Line &l = d.lines[*it];
        l.value = value;
        l.raw = (l.key + QLatin1Char('=') + escape(value)).toUtf8();
        return;
    }
    Line l;
    l.entry = true;
    l.section = sec;
    l.key = key;
    l.value = value;
    l.raw = (key + QLatin1Char('=') + escape(value)).toUtf8();
    size_t at = d.lines.size();
    bool found = false;
    for (size_t i = d.lines.size(); i-- > 0;) {
        const Line &x = d.lines[i];
        if ((x.entry || x.header) && sameName(x.section, sec)) {
            at = i + 1;
            found = true;
            break;
        }
    }
    if (!found) {
        if (!d.lines.empty() && !d.lines.back().raw.trimmed().isEmpty())
            d.lines.push_back(Line());
        Line header;
        header.header = true;
        header.section = sec;
        header.raw = (QLatin1Char('[') + sec + QLatin1Char(']')).toUtf8();
        d.lines.push_back(std::move(header));
        at = d.lines.size();
    }
    d.lines.insert(d.lines.begin() + std::ptrdiff_t(at), std::move(l));
    // The lines after it move down by one. Shifting the index rather than
    // building it again: folding every key of a large file on each new key
    // held up the close for seconds.
    for (size_t &i : d.index)
        if (i >= at)
            ++i;
    d.index.insert(fold(sec, key), at);
}

void clearPending()
{
    g_pending.clear();
    g_pendingIndex.clear();
}

bool fail(const QString &what)
{
    g_lastError = what;
    if (g_onFailure) {
        try {
            g_onFailure(what);
        } catch (...) {
        }
    } else {
        complain(what);
    }
    return false;
}

QString sectionName(const QString &app, const QString &section)
{
    return app + QLatin1Char('\\') + section;
}

}  // namespace

QString FilePath()
{
    return g_path.isEmpty() ? defaultPath() : g_path;
}

void SetFilePath(const QString &path)
{
    g_path = path;
    Reload();
}

void Reload()
{
    g_doc = Document();
    clearPending();
}

QString GetSetting(const QString &app, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    const Document &d = doc();
    const auto it = d.index.constFind(fold(sectionName(app, section), key));
    return it == d.index.constEnd() ? defaultValue : d.lines[*it].value;
}

void SaveSetting(const QString &app, const QString &section, const QString &key,
                 const QString &value)
{
    Document &d = doc();
    const QString sec = sectionName(app, section);
    put(d, sec, key, value);
    const QString folded = fold(sec, key);
    if (const auto it = g_pendingIndex.constFind(folded); it != g_pendingIndex.constEnd()) {
        g_pending[*it].value = value;
    } else {
        g_pendingIndex.insert(folded, g_pending.size());
        g_pending.push_back({sec, key, value});
    }
    if (g_batchDepth == 0)
        Store();
}

bool Store()
{
    if (g_pending.empty())
        return true;
    Document &d = doc();
    const QString path = FilePath();
    if (!d.writable) {
        clearPending();  // said so when it was read; kept for this run only
        return true;
    }
    const QFileInfo fi(path);
    if (!QDir().mkpath(fi.absolutePath()))
        return fail(QCoreApplication::translate("Settings", "настройки не сохранены: не удалось создать папку %1").arg(fi.absolutePath()));

    // Another program may store at the same moment: one at a time, each on
    // top of what the other wrote. A lock that cannot be had in time (a
    // folder that takes no lock file) does not keep the values from being
    // stored.
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.tryLock(2000);

    // Written since it was read (another running program, or by hand): this
    // program's own changes go on top of it, and its other keys are kept.
    const Stamp now = stampOf(path);
    if (!(now == d.stamp)) {
        Document fresh = readDocument(path);
        if (!fresh.writable) {
            // It became a FIFO or a folder meanwhile: never written to.
            d.writable = false;
            clearPending();
            return true;
        }
        for (const Change &c : g_pending)
            put(fresh, c.section, c.key, c.value);
        d = std::move(fresh);
    }

    QByteArray out;
    for (const Line &l : d.lines) {
        out += l.raw;
        out += '\n';
    }
    // The old file stays as it was until the new one is complete on disk.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return fail(QCoreApplication::translate("Settings", "настройки не сохранены: не удалось создать файл рядом с %1 (%2)")
                        .arg(path, f.errorString()));
    if (f.write(out) != out.size()) {
        const QString why = f.errorString();
        f.cancelWriting();
        return fail(QCoreApplication::translate("Settings", "настройки не сохранены: не удалось записать файл %1 (%2)").arg(path, why));
    }
    if (!f.commit())
        return fail(QCoreApplication::translate("Settings", "настройки не сохранены: не удалось записать файл %1 (%2)")
                        .arg(path, f.errorString()));
    ++g_fileWrites;
    d.stamp = stampOf(path);
    clearPending();
    g_lastError.clear();
    return true;
}

Batch::Batch()
{
    ++g_batchDepth;
}

Batch::~Batch()
{
    if (--g_batchDepth == 0)
        Store();
}

QString LastError()
{
    return g_lastError;
}

void SetFailureHandler(FailureHandler handler)
{
    g_onFailure = std::move(handler);
}

quint64 FileWrites()
{
    return g_fileWrites;
}

}  // namespace SettingsStore
