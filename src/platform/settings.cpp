#include "platform/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

#include <vector>

namespace SettingsStore {
namespace {

QString g_path;

struct Entry {
    QString section;  // "App\Section" as first written
    QString key;
    QString value;
};

QString defaultPath()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/sigmalit/settings.ini");
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Values are stored verbatim after '='; backslashes and line breaks are
// escaped so that any text survives the round trip.
QString escape(const QString &v)
{
    QString out;
    for (QChar c : v) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

QString unescape(const QString &v)
{
    QString out;
    for (int i = 0; i < v.size(); ++i) {
        if (v[i] == QLatin1Char('\\') && i + 1 < v.size()) {
            const QChar n = v[++i];
            out += n == QLatin1Char('n') ? QChar('\n') : n == QLatin1Char('r') ? QChar('\r') : n;
        } else {
            out += v[i];
        }
    }
    return out;
}

std::vector<Entry> load()
{
    std::vector<Entry> entries;
    QFile f(FilePath());
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return entries;
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    QString section;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#')))
            continue;
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
            section = t.mid(1, t.size() - 2);
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || section.isEmpty())
            continue;
        entries.push_back({section, line.left(eq).trimmed(), unescape(line.mid(eq + 1))});
    }
    return entries;
}

void store(const std::vector<Entry> &entries)
{
    const QString path = FilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    QTextStream out(&f);
    out.setEncoding(QStringConverter::Utf8);
    // Group by section, keeping the order in which sections first appear.
    std::vector<QString> sections;
    for (const Entry &e : entries) {
        bool known = false;
        for (const QString &s : sections)
            known = known || sameName(s, e.section);
        if (!known)
            sections.push_back(e.section);
    }
    for (const QString &s : sections) {
        out << '[' << s << "]\n";
        for (const Entry &e : entries)
            if (sameName(e.section, s))
                out << e.key << '=' << escape(e.value) << '\n';
        out << '\n';
    }
    out.flush();
    f.commit();
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
}

QString GetSetting(const QString &app, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    const QString sec = sectionName(app, section);
    for (const Entry &e : load())
        if (sameName(e.section, sec) && sameName(e.key, key))
            return e.value;
    return defaultValue;
}

void SaveSetting(const QString &app, const QString &section, const QString &key,
                 const QString &value)
{
    std::vector<Entry> entries = load();
    const QString sec = sectionName(app, section);
    for (Entry &e : entries) {
        if (sameName(e.section, sec) && sameName(e.key, key)) {
            e.value = value;
            store(entries);
            return;
        }
    }
    entries.push_back({sec, key, value});
    store(entries);
}

}  // namespace SettingsStore
