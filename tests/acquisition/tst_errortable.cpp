// SPDX-License-Identifier: GPL-3.0-or-later
// The file and device error table: texts, titles, buttons and what each
// operation's trap does next.
#include "platform/errors.h"
#include "platform/errortable.h"
#include "testenv.h"
#include "testregistry.h"

#include <QTest>

namespace {

struct Shown {
    QString text, title;
    MsgButtons buttons;
    MsgIcon icon;
    TrapAction action;
};

Shown report(TrapSite site, int number, const QString &file = QString(), MsgAnswer answer = MsgAnswer::Cancel)
{
    ScriptedMessages box;
    box.Answer(answer);
    const TrapAction action = ReportFileError(site, number, file);
    if (box.Shown().empty())
        return {QString(), QString(), MsgButtons::OK, MsgIcon::None, action};
    if (box.Shown().size() != 1)
        qFatal("more than one message box for one error");
    const MsgRequest &r = box.Shown().front();
    return {r.text, r.title, r.buttons, r.icon, action};
}

const QString kTemplate = QStringLiteral("/opt/sigm/Sound/sigm-8-16-stereo.wav");

}  // namespace

class ErrorTableTest : public QObject {
    Q_OBJECT
private slots:
    void captureStartRows()
    {
        Shown s = report(TrapSite::CaptureStart, 7);
        QCOMPARE(s.text, QStringLiteral("Ошибка при обращении к страницам памяти, выгрузите резидентные программы!"));
        QCOMPARE(s.title, QStringLiteral("    Сигмалит"));
        QCOMPARE(s.buttons, MsgButtons::OK);
        QCOMPARE(s.icon, MsgIcon::Critical);
        QCOMPARE(s.action, TrapAction::Continue);

        s = report(TrapSite::CaptureStart, 53, kTemplate);
        QCOMPARE(s.text, "Отсутствует файл " + kTemplate + ", необходимо заново установить программу.");
        QCOMPARE(s.title, QStringLiteral("Сигмалит"));
        QCOMPARE(s.action, TrapAction::End);

        s = report(TrapSite::CaptureStart, 55, kTemplate, MsgAnswer::Retry);
        QCOMPARE(s.text, "Ошибка совместного доступа к файлу " + kTemplate + " или tmp.wav");
        QCOMPARE(s.title, QStringLiteral("  Сигмалит"));
        QCOMPARE(s.buttons, MsgButtons::RetryCancel);
        QCOMPARE(s.icon, MsgIcon::Critical);
        QCOMPARE(s.action, TrapAction::Retry);
        QCOMPARE(report(TrapSite::CaptureStart, 55, kTemplate, MsgAnswer::Cancel).action, TrapAction::End);

        s = report(TrapSite::CaptureStart, 57, kTemplate, MsgAnswer::Retry);
        QCOMPARE(s.text, QStringLiteral("Ошибка чтения файла (ошибка устройства ввода/вывода)"));
        QCOMPARE(s.title, QStringLiteral("Сигмалит"));
        QCOMPARE(s.action, TrapAction::Retry);

        s = report(TrapSite::CaptureStart, 61);
        QCOMPARE(s.text, QStringLiteral("Диск C: переполнен, попробуте удалть не нужные файлы и повторно включите "
                                        "режим сигмалита"));
        QCOMPARE(s.buttons, MsgButtons::OK);
        QCOMPARE(s.action, TrapAction::End);

        s = report(TrapSite::CaptureStart, 70);
        QCOMPARE(s.text,
                 QStringLiteral("У вас нет прав для работы с файлом tmp.wav или файл блокирован другим процессом."));

        s = report(TrapSite::CaptureStart, 71, QString(), MsgAnswer::Retry);
        QCOMPARE(s.text, QStringLiteral("Рабочий файл не доступен!\r\nДиск не готов!"));
        QCOMPARE(s.buttons, MsgButtons::RetryCancel);
        QCOMPARE(s.action, TrapAction::Retry);

        s = report(TrapSite::CaptureStart, 13);
        QCOMPARE(s.text, QStringLiteral("Не предвиденная ошибка   № 13"));
        QCOMPARE(s.title, QStringLiteral("Сигмалит"));
        QCOMPARE(s.buttons, MsgButtons::OK);
        QCOMPARE(s.action, TrapAction::End);
        QCOMPARE(report(TrapSite::CaptureStart, 76).text, QStringLiteral("Не предвиденная ошибка   № 76"));
    }

    void refreshTickDiffers()
    {
        QCOMPARE(report(TrapSite::RefreshTick, 13).text, QStringLiteral("Не предвиденная ошибка № 13"));
        // No row 53: it falls to the last row.
        const Shown s53 = report(TrapSite::RefreshTick, 53, kTemplate);
        QCOMPARE(s53.text, QStringLiteral("Не предвиденная ошибка № 53"));
        QCOMPARE(s53.buttons, MsgButtons::OK);
        QCOMPARE(s53.action, TrapAction::End);
        const Shown s55 = report(TrapSite::RefreshTick, 55, kTemplate, MsgAnswer::Retry);
        QCOMPARE(s55.text, QStringLiteral("Ошибка совместного доступа к файлу"));
        QCOMPARE(s55.title, QStringLiteral("  Сигмалит"));
        QCOMPARE(s55.buttons, MsgButtons::RetryCancel);
        QCOMPARE(s55.action, TrapAction::Retry);
        QCOMPARE(report(TrapSite::RefreshTick, 7).title, QStringLiteral("    Сигмалит"));
        QCOMPARE(report(TrapSite::RefreshTick, 7).action, TrapAction::Continue);
    }

    void memoryRecordingDiffers()
    {
        Shown s = report(TrapSite::MemoryStart, 53, kTemplate);
        QCOMPARE(s.text, "Отсутствует файл " + kTemplate + ", необходимо заново установить программу.");
        QCOMPARE(s.action, TrapAction::End);
        QCOMPARE(report(TrapSite::MemoryStart, 55, kTemplate).text, QStringLiteral("Ошибка совместного доступа к файлу"));
        QCOMPARE(report(TrapSite::MemoryStart, 13).text, QStringLiteral("Не предвиденная ошибка   № 13"));

        QCOMPARE(report(TrapSite::MemoryTick, 53).text, QStringLiteral("Не предвиденная ошибка   № 53"));
        s = report(TrapSite::MemoryTick, 55);
        QCOMPARE(s.title, QStringLiteral("Сигмалит"));
        QCOMPARE(s.buttons, MsgButtons::RetryCancel);
        QCOMPARE(s.text, QStringLiteral("Ошибка совместного доступа к файлу tmp.wav"));
        QCOMPARE(report(TrapSite::MemoryTick, 55, QStringLiteral("zvuk.wav")).text,
                 QStringLiteral("Ошибка совместного доступа к файлу zvuk.wav или tmp.wav"));
        QCOMPARE(report(TrapSite::MemoryTick, 70).text, QStringLiteral("У вас нет прав для работы с файлом tmp.wav"));
        QCOMPARE(report(TrapSite::MemoryTick, 70, QStringLiteral("zvuk.wav")).text,
                 QStringLiteral("У вас нет прав для работы с файлом tmp.wav или zvuk.wav"));
    }

    void redrawAndOpeningDiffer()
    {
        for (TrapSite site : {TrapSite::Redraw, TrapSite::OpenWorkingFile}) {
            Shown s = report(site, 7);
            QCOMPARE(s.title, QStringLiteral("Сигмалит"));
            QCOMPARE(s.action, TrapAction::Continue);
            s = report(site, 53);
            QCOMPARE(s.text, QStringLiteral("Файл c:\\tmp.wav неожиданно удален с диска, откройте файл ещё раз!"));
            QCOMPARE(s.buttons, MsgButtons::OK);
            QCOMPARE(s.action, TrapAction::End);
            s = report(site, 55, QString(), MsgAnswer::Retry);
            QCOMPARE(s.text, QStringLiteral("Ошибка совместного доступа к файлу tmp.wav"));
            QCOMPARE(s.title, QStringLiteral("Сигмалит"));
            QCOMPARE(s.action, TrapAction::Retry);
            QCOMPARE(report(site, 70).text, QStringLiteral("У вас нет прав для работы с файлом tmp.wav или файл "
                                                           "заблокирован другим процессом"));
            QCOMPARE(report(site, 71).text, QStringLiteral("Рабочий файл не доступен!\r\nДиск не готов!"));
            QCOMPARE(report(site, 13).text, QStringLiteral("Не предвиденная ошибка № 13"));
        }
        // Only the redraw recovers from 63 by itself, without a box.
        const Shown silent = report(TrapSite::Redraw, 63);
        QVERIFY(silent.text.isEmpty());
        QCOMPARE(silent.action, TrapAction::End);
        QCOMPARE(report(TrapSite::OpenWorkingFile, 63).text, QStringLiteral("Не предвиденная ошибка № 63"));
    }

    void openDialogDiffers()
    {
        Shown s = report(TrapSite::OpenAction, 76);
        QCOMPARE(s.text, QStringLiteral("Не выбран файл для открытия!"));
        QCOMPARE(s.title, QStringLiteral("Сигмалит"));
        QCOMPARE(s.buttons, MsgButtons::OK);
        QCOMPARE(s.icon, MsgIcon::Critical);
        QCOMPARE(s.action, TrapAction::End);
        s = report(TrapSite::OpenAction, 55);
        QCOMPARE(s.text, QStringLiteral("Ошибка совместного доступа к файлу"));
        QCOMPARE(s.title, QStringLiteral("  Сигмалит"));
        QCOMPARE(report(TrapSite::OpenAction, 7).title, QStringLiteral("    Сигмалит"));
        QCOMPARE(report(TrapSite::OpenAction, 53).text, QStringLiteral("Не предвиденная ошибка   № 53"));
        QCOMPARE(report(TrapSite::OpenAction, 70).text,
                 QStringLiteral("У вас нет прав для работы с файлом tmp.wav или файл блокирован другим процессом."));
        QCOMPARE(report(TrapSite::OpenAction, 5).text, QStringLiteral("Не предвиденная ошибка   № 5"));
    }

    void theTrapRepeatsContinuesOrEnds()
    {
        ScriptedMessages boxes;
        boxes.Answer(MsgAnswer::Retry);
        boxes.Answer(MsgAnswer::Retry);
        int calls = 0;
        // Locked twice, then free: Retry runs exactly the failed step again.
        QVERIFY(RunTrapped(TrapSite::RefreshTick, [&] {
            if (++calls < 3)
                RaiseError(55);
        }));
        QCOMPARE(calls, 3);
        QCOMPARE(boxes.Shown().size(), size_t(2));
        QCOMPARE(boxes.Shown()[0].title, QStringLiteral("  Сигмалит"));

        // Out of memory: the operation goes on after the failed step.
        calls = 0;
        QVERIFY(RunTrapped(TrapSite::CaptureStart, [&] {
            ++calls;
            throw std::bad_alloc();
        }));
        QCOMPARE(calls, 1);

        // Anything else ends the operation and says why.
        int endedBy = 0;
        QVERIFY(!RunTrapped(TrapSite::CaptureStart, [] { RaiseError(53); }, "/p/Sound/x.wav", &endedBy));
        QCOMPARE(endedBy, 53);
        QCOMPARE(boxes.Shown().back().text,
                 QStringLiteral("Отсутствует файл /p/Sound/x.wav, необходимо заново установить программу."));
        // Cancel on a retry box ends it as well.
        QVERIFY(!RunTrapped(TrapSite::Save, [] { RaiseError(71); }, "/media/disk/", &endedBy));
        QCOMPARE(endedBy, 71);
        QCOMPARE(boxes.Shown().back().text, QStringLiteral("Файл /media/disk/ не доступен!\r\n       Диск не готов!"));
    }
};

SIGM_TEST(ErrorTableTest)
#include "tst_errortable.moc"
