// SPDX-License-Identifier: GPL-3.0-or-later
// Opening an oscillogram: the open command and OpenWorkingFile, which every
// path that shows a file (open, capture stop, end of a memory recording)
// goes through.
#include "acquisition/mci.h"
#include "app/pribor.h"
#include "files/openfile.h"
#include "files/wavlayout.h"
#include "files/wavopen.h"
#include "platform/errors.h"
#include "platform/errortable.h"
#include "platform/fileops.h"
#include "platform/language.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/vbcontrols.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QToolButton>
#include <cerrno>
#include <new>

namespace {

const QString kWorkingFile = QStringLiteral("c:\\tmp.wav");

// Runs one step of OpenWorkingFile under its trap: false ends the procedure.
template <class Step>
bool trapped(Step &&step)
{
    return RunTrapped(TrapSite::OpenWorkingFile, step);
}

QByteArray firstBytes(const QString &path, qint64 count)
{
    QFile f(Paths::MapPath(path));
    errno = 0;
    if (!f.open(QIODevice::ReadOnly)) {
        const int e = errno;
        if (!f.exists())
            RaiseError(Err::FileNotFound);
        RaiseError(ErrorNumberFromFileError(f.error(), e));
    }
    errno = 0;
    const QByteArray head = f.read(count);
    if (f.error() != QFileDevice::NoError)
        RaiseError(ErrorNumberFromFileError(f.error(), errno));
    return head;
}

}  // namespace

void Pribor::OpenWav_Click()
{
    const int sweep = RasTime->ListIndex();
    const QString shown = st.FlName;
    st.FlName.clear();
    bool chosen = false;
    QString source;
    {
        OpenFile dialog(st, this);
        chosen = ShowModal(&dialog) == QDialog::Accepted && !st.FlName.isEmpty();
        source = dialog.ChosenPath;
    }
    if (!chosen) {
        // Cancelled, or every choice refused: the file shown before stays
        // shown and the front panel keeps working on it.
        st.FlName = shown;
        return;
    }
    showOpenedFile(sweep, source);
}

bool Pribor::OpenOscillogram(const QString &path)
{
    const int sweep = RasTime->ListIndex();
    QString shown;
    if (!OpenCheck::PrepareWorkingFile(this, path, &shown))
        return false;
    st.FlName = shown;
    showOpenedFile(sweep, path);
    return !st.DisplayHeld;
}

void Pribor::ShowTitle()
{
    setWindowTitle(st.ShownAs.isEmpty() ? Language::AppTitle()
                                      : QFileInfo(st.ShownAs).fileName() + QStringLiteral(" — ") + Language::AppTitle());
}

void Pribor::showOpenedFile(int sweep, const QString &source)
{
    st.ForceReposition = true;
    if (!OpenWorkingFile())
        return;
    st.ShownAs = source;
    ShowTitle();
    HScroll1->setEnabled(true);
    // Reselecting the sweep makes its handler redraw.
    if (sweep == -1) {
        RasTime->SetListIndex(6);
    } else {
        RasTime->SetListIndex(10);
        RasTime->SetListIndex(sweep);
    }
    PrintBiton->setEnabled(true);
    PrintMenu->setEnabled(true);
    Uroven->setEnabled(true);
}

bool Pribor::OpenWorkingFile()
{
    // A device command that fails: its own text in a plain box; 326 leaves
    // the device alone, anything else closes it and stops a running capture.
    auto deviceFailed = [this](int code) {
        st.DisplayHeld = true;
        MsgBox(mciGetErrorString(code), MsgButtons::OK, MsgIcon::None, Language::AppTitle());
        if (code == MciErr::NoSuitableInput)
            return false;
        mciSendString(QStringLiteral("Close Zvuk"));
        if (Stopbiton->isEnabled())
            Stopbiton_Click();
        return false;
    };

    // What the file holds is settled before anything of the window changes:
    // a file that cannot be shown is refused with one message, and nothing
    // of it is drawn (the picture on screen stays as it was, but it no
    // longer matches the file, so redraws wait for the next open).
    WavLayout::Layout layout;
    const QString path = Paths::MapPath(st.FlName);
    const WavLayout::Verdict verdict = WavLayout::InspectFile(path, &layout);
    if (verdict != WavLayout::Verdict::Ok) {
        st.DisplayHeld = true;
        if (verdict == WavLayout::Verdict::Missing)
            trapped([] { RaiseError(Err::FileNotFound); });
        else if (verdict == WavLayout::Verdict::Unreadable)
            trapped([] { RaiseError(Err::PermissionDenied); });
        else
            MsgBox(WavLayout::Message(verdict, QFileInfo(path).fileName(), layout), MsgButtons::OK,
                   verdict == WavLayout::Verdict::NotSixteenBit ? MsgIcon::None : MsgIcon::Exclamation, Language::AppTitle());
        return false;
    }

    QByteArray head;
    if (!trapped([&] { head = firstBytes(st.FlName, 100); }))
        return false;

    st.FileLength = layout.fileSize;
    // A tag in the first 100 bytes is where files have always been read
    // from; beyond them, the data chunk the walk found.
    st.DataStart = WavOpen::FindDataStart(head, -1);
    const int64_t walked = layout.dataOffset + 1;
    if (st.DataStart < 1)
        st.DataStart = int32_t(walked);
    // The samples end where the data chunk does (what follows is not an
    // oscillogram); a tag found elsewhere reads on to the end, as before.
    st.SampleEnd = st.DataStart == walked ? layout.dataOffset + layout.dataBytes : st.FileLength;
    // Times count from the data chunk's first sample, as the CSV's do; a
    // tag found past it (not the chunk's) counts from where it is read.
    st.SampleOrigin = walked <= st.DataStart ? walked : st.DataStart;
    st.TriggerViewAt = -1;

    const WavOpen::ScrollRange range = WavOpen::ScrollRangeFor(st.FileLength);
    st.ScrollUnit = range.scrollUnit;
    {
        // A new file starts at its first sample, wherever the bar was left.
        const QSignalBlocker quiet(HScroll1);
        HScroll1->SetRange(HScroll1->Min(), range.max);
        HScroll1->SetValue(1);
    }
    st.LastScrollValue = 1;
    st.ViewStart = st.DataStart;

    QString answer;
    int code = mciSendString(QStringLiteral("open ") + st.FlName + QStringLiteral(" type waveaudio alias Zvuk"));
    if (code != 0)
        return deviceFailed(code);

    code = mciSendString(QStringLiteral("status Zvuk bitspersample"), &answer);
    if (code != 0)
        return deviceFailed(code);
    if (WavOpen::LeadingNumber(answer.left(2)) != 16) {
        st.DisplayHeld = true;
        mciSendString(QStringLiteral("Close Zvuk"));
        MsgBox(QCoreApplication::translate("Files", "Прошу прощения, но данная версия программы обрабатывает только 16-разрядные звуковые "
                              "файлы!"),
               MsgButtons::OK, MsgIcon::None, Language::AppTitle());
        return false;
    }

    code = mciSendString(QStringLiteral("status Zvuk channels"), &answer);
    if (code != 0)
        return deviceFailed(code);
    if (answer.startsWith(QLatin1Char('2'))) {
        st.TwoBeam = true;
        U1->setEnabled(true);
        VScroll1->setEnabled(true);
    } else {
        st.TwoBeam = false;
        VScroll1->setEnabled(false);
    }

    // The rate the file states; while capturing, the one capture set.
    if (!st.CaptureRunning)
        st.SampleRate = layout.sampleRate;

    code = mciSendString(QStringLiteral("Close Zvuk"));
    if (code != 0)
        return deviceFailed(code);

    if (RasTime->ListIndex() == -1)
        RasTime->SetListIndex(6);
    U1->setEnabled(true);
    U2->setEnabled(true);
    RasTime->setEnabled(true);

    if (!st.CaptureRunning && !st.TwoBeam) {
        if (XminY->text() == QLatin1String("X Y"))
            XminY_Click();
        XminY->setEnabled(false);
    } else {
        XminY->setEnabled(true);
    }

    st.DisplayHeld = false;
    RedrawTraces(st.DataStart);
    return true;
}
