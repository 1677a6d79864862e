// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/errortable.h"

#include "platform/errors.h"
#include "platform/messagebox.h"

#include <QCoreApplication>
#include <new>

#include <optional>

namespace {

enum class Style {
    Error,   // error icon, OK
    Retry,   // error icon, Retry and Cancel
    Silent,  // no box: the caller recovers by itself
    Absent,  // the operation has no row for the number: the catch-all row answers
};

constexpr int kAnyOther = -1;

struct Row {
    int number;
    const char *text;  // "{file}" stands for the template path, "{n}" for the number
    Style style;
    const char *title;
    TrapAction then;  // for Error rows; Retry rows retry or end by the answer
};

const char *const kTitle = QT_TRANSLATE_NOOP("Errors", "Сигмалит");
const char *const kTitle2 = QT_TRANSLATE_NOOP("Errors", "  Сигмалит");
const char *const kTitle4 = QT_TRANSLATE_NOOP("Errors", "    Сигмалит");

const char *const kMemoryText = QT_TRANSLATE_NOOP("Errors", "Ошибка при обращении к страницам памяти, выгрузите резидентные программы!");
const char *const kDeviceText = QT_TRANSLATE_NOOP("Errors", "Ошибка чтения файла (ошибка устройства ввода/вывода)");
const char *const kDiskFullText =
    QT_TRANSLATE_NOOP("Errors", "Диск C: переполнен, попробуте удалть не нужные файлы и повторно включите режим сигмалита");
const char *const kNotReadyText = QT_TRANSLATE_NOOP("Errors", "Рабочий файл не доступен!\r\nДиск не готов!");

// The full table, worded as capture start words it; every other operation
// differs from it in a few rows only.
const Row kTable[] = {
    {7, kMemoryText, Style::Error, kTitle4, TrapAction::Continue},
    {53, QT_TRANSLATE_NOOP("Errors", "Отсутствует файл {file}, необходимо заново установить программу."), Style::Error, kTitle, TrapAction::End},
    {55, QT_TRANSLATE_NOOP("Errors", "Ошибка совместного доступа к файлу {file} или tmp.wav"), Style::Retry, kTitle2, TrapAction::End},
    {57, kDeviceText, Style::Retry, kTitle, TrapAction::End},
    {61, kDiskFullText, Style::Error, kTitle, TrapAction::End},
    {70, QT_TRANSLATE_NOOP("Errors", "У вас нет прав для работы с файлом tmp.wav или файл блокирован другим процессом."), Style::Error, kTitle,
     TrapAction::End},
    {71, kNotReadyText, Style::Retry, kTitle, TrapAction::End},
    {kAnyOther, QT_TRANSLATE_NOOP("Errors", "Не предвиденная ошибка   № {n}"), Style::Error, kTitle, TrapAction::End},
};

struct Variant {
    TrapSite site;
    Row row;
};

const char *const kSharedNoName = QT_TRANSLATE_NOOP("Errors", "Ошибка совместного доступа к файлу");
const char *const kOtherOneBlank = QT_TRANSLATE_NOOP("Errors", "Не предвиденная ошибка № {n}");
const char *const kDeletedText = QT_TRANSLATE_NOOP("Errors", "Файл c:\\tmp.wav неожиданно удален с диска, откройте файл ещё раз!");
const char *const kSharedTmp = QT_TRANSLATE_NOOP("Errors", "Ошибка совместного доступа к файлу tmp.wav");
const char *const kNoRightsTmp = QT_TRANSLATE_NOOP("Errors", "У вас нет прав для работы с файлом tmp.wav или файл заблокирован другим процессом");

// How each operation's own trap differs from the full table.
const Variant kVariants[] = {
    {TrapSite::RefreshTick, {53, "", Style::Absent, kTitle, TrapAction::End}},
    {TrapSite::RefreshTick, {55, kSharedNoName, Style::Retry, kTitle2, TrapAction::End}},
    {TrapSite::RefreshTick, {kAnyOther, kOtherOneBlank, Style::Error, kTitle, TrapAction::End}},

    {TrapSite::MemoryStart, {55, kSharedNoName, Style::Retry, kTitle2, TrapAction::End}},

    // The progress tick names no template; with no name given its texts
    // name the working file alone instead of ending in a dangling "или".
    {TrapSite::MemoryTick, {53, "", Style::Absent, kTitle, TrapAction::End}},
    {TrapSite::MemoryTick, {55, QT_TRANSLATE_NOOP("Errors", "Ошибка совместного доступа к файлу {file?} или tmp.wav"), Style::Retry, kTitle,
                            TrapAction::End}},
    {TrapSite::MemoryTick,
     {70, QT_TRANSLATE_NOOP("Errors", "У вас нет прав для работы с файлом tmp.wav или {file?}"), Style::Error, kTitle, TrapAction::End}},

    {TrapSite::Redraw, {7, kMemoryText, Style::Error, kTitle, TrapAction::Continue}},
    {TrapSite::Redraw, {53, kDeletedText, Style::Error, kTitle, TrapAction::End}},
    {TrapSite::Redraw, {55, kSharedTmp, Style::Retry, kTitle, TrapAction::End}},
    {TrapSite::Redraw, {63, "", Style::Silent, kTitle, TrapAction::End}},
    {TrapSite::Redraw, {70, kNoRightsTmp, Style::Error, kTitle, TrapAction::End}},
    {TrapSite::Redraw, {kAnyOther, kOtherOneBlank, Style::Error, kTitle, TrapAction::End}},

    {TrapSite::OpenWorkingFile, {7, kMemoryText, Style::Error, kTitle, TrapAction::Continue}},
    {TrapSite::OpenWorkingFile, {53, kDeletedText, Style::Error, kTitle, TrapAction::End}},
    {TrapSite::OpenWorkingFile, {55, kSharedTmp, Style::Retry, kTitle, TrapAction::End}},
    {TrapSite::OpenWorkingFile, {70, kNoRightsTmp, Style::Error, kTitle, TrapAction::End}},
    {TrapSite::OpenWorkingFile, {kAnyOther, kOtherOneBlank, Style::Error, kTitle, TrapAction::End}},

    {TrapSite::OpenAction, {53, "", Style::Absent, kTitle, TrapAction::End}},
    {TrapSite::OpenAction, {55, kSharedNoName, Style::Retry, kTitle2, TrapAction::End}},
    {TrapSite::OpenAction, {76, QT_TRANSLATE_NOOP("Errors", "Не выбран файл для открытия!"), Style::Error, kTitle, TrapAction::End}},

    // Saving names the destination folder ({file}) in its texts.
    {TrapSite::Save, {7, kMemoryText, Style::Error, kTitle, TrapAction::Continue}},
    {TrapSite::Save, {53, "", Style::Absent, kTitle, TrapAction::End}},
    {TrapSite::Save, {55, QT_TRANSLATE_NOOP("Errors", "Ошибка совместного доступа к файлу {file}"), Style::Retry, kTitle, TrapAction::End}},
    {TrapSite::Save, {57, QT_TRANSLATE_NOOP("Errors", "Ошибка чтения файла {file}\r\n(ошибка устройства ввода/вывода)"), Style::Retry, kTitle,
                      TrapAction::End}},
    {TrapSite::Save, {61, "", Style::Absent, kTitle, TrapAction::End}},
    {TrapSite::Save,
     {70, QT_TRANSLATE_NOOP("Errors", "У вас нет прав для работы с данным файлом или он занят другим процессом!"), Style::Error, kTitle,
      TrapAction::End}},
    {TrapSite::Save, {71, QT_TRANSLATE_NOOP("Errors", "Файл {file} не доступен!\r\n       Диск не готов!"), Style::Retry, kTitle,
                      TrapAction::End}},
    {TrapSite::Save, {76, QT_TRANSLATE_NOOP("Errors", "Не задано имя файла для сохранения!"), Style::Error, kTitle, TrapAction::End}},
};

std::optional<Row> findRow(TrapSite site, int number)
{
    for (const Variant &v : kVariants) {
        if (v.site == site && v.row.number == number)
            return v.row;
    }
    for (const Row &r : kTable) {
        if (r.number == number)
            return r;
    }
    return std::nullopt;
}

Row rowFor(TrapSite site, int number)
{
    std::optional<Row> row = findRow(site, number);
    if (!row || row->style == Style::Absent)
        row = findRow(site, kAnyOther);
    return *row;
}

QString wording(const char *pattern, int number, const QString &fileName)
{
    QString text = QCoreApplication::translate("Errors", pattern);
    text.replace(QStringLiteral("{n}"), QString::number(number));
    text.replace(QStringLiteral("{file}"), fileName);
    if (text.contains(QStringLiteral("{file?}"))) {
        // An optional name: without one, the text drops it and its "или".
        if (fileName.isEmpty()) {
            const QString orWord = QCoreApplication::translate("Errors", "или");
            text.replace(QStringLiteral("{file?} ") + orWord + QLatin1Char(' '), QString());
            text.replace(QLatin1Char(' ') + orWord + QStringLiteral(" {file?}"), QString());
        } else {
            text.replace(QStringLiteral("{file?}"), fileName);
        }
    }
    return text;
}

}  // namespace

TrapAction ReportFileError(TrapSite site, int number, const QString &fileName)
{
    const Row row = rowFor(site, number);
    const QString text = wording(row.text, number, fileName);
    const QString title = QCoreApplication::translate("Errors", row.title);
    switch (row.style) {
    case Style::Silent:
    case Style::Absent:
        return TrapAction::End;
    case Style::Retry:
        return MsgBox(text, MsgButtons::RetryCancel, MsgIcon::Critical, title) == MsgAnswer::Retry ? TrapAction::Retry
                                                                                                   : TrapAction::End;
    case Style::Error:
        MsgBox(text, MsgButtons::OK, MsgIcon::Critical, title);
        return row.then;
    }
    return TrapAction::End;
}

bool RunTrapped(TrapSite site, const std::function<void()> &step, const QString &fileName, int *endedBy)
{
    for (;;) {
        int number = 0;
        try {
            step();
            return true;
        } catch (const VbError &e) {
            number = e.Number;
        } catch (const std::bad_alloc &) {
            number = Err::OutOfMemory;
        }
        switch (ReportFileError(site, number, fileName)) {
        case TrapAction::Retry:
            continue;
        case TrapAction::Continue:
            return true;
        case TrapAction::End:
            if (endedBy)
                *endedBy = number;
            return false;
        }
    }
}
