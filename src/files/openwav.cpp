// Opening an oscillogram: the open command and OpenWorkingFile, which every
// path that shows a file (open, capture stop, end of a memory recording)
// goes through.
#include "acquisition/errortable.h"
#include "acquisition/mci.h"
#include "app/pribor.h"
#include "files/openfile.h"
#include "files/wavopen.h"
#include "platform/errors.h"
#include "platform/fileops.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/vbcontrols.h"

#include <QAction>
#include <QFile>
#include <QToolButton>
#include <cerrno>
#include <new>

namespace {

const QString kTitle = QStringLiteral("Сигмалит");

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
    st.FlName.clear();
    st.ForceReposition = true;
    {
        OpenFile dialog(st, this);
        ShowModal(&dialog);
    }
    if (st.FlName.isEmpty())
        return;
    OpenWorkingFile();
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

void Pribor::OpenWorkingFile()
{
    // A device command that fails: its own text in a plain box; 326 leaves
    // the device alone, anything else closes it and stops a running capture.
    auto deviceFailed = [this](int code) {
        MsgBox(mciGetErrorString(code), MsgButtons::OK, MsgIcon::None, kTitle);
        if (code == MciErr::NoSuitableInput)
            return;
        mciSendString(QStringLiteral("Close Zvuk"));
        if (Stopbiton->isEnabled())
            Stopbiton_Click();
    };

    if (!trapped([&] { st.FileLength = FileOps::FileLen(st.FlName); }))
        return;

    if (!trapped([&] {
            int16_t previous = st.DataStart;
            // Nothing was ever shown: assume the usual 44-byte header rather
            // than reading from position 0.
            if (previous < 1)
                previous = 49;
            st.DataStart = WavOpen::FindDataStart(firstBytes(st.FlName, 100), previous);
        }))
        return;

    if (!trapped([&] {
            const WavOpen::ScrollRange range = WavOpen::ScrollRangeFor(st.FileLength);
            st.ScrollUnit = range.scrollUnit;
            HScroll1->SetRange(HScroll1->Min(), range.max);
            st.LastScrollValue = 1;
            st.ViewStart = st.DataStart;
        }))
        return;

    QString answer;
    int code = mciSendString(QStringLiteral("open ") + st.FlName + QStringLiteral(" type waveaudio alias Zvuk"));
    if (code != 0)
        return deviceFailed(code);

    code = mciSendString(QStringLiteral("status Zvuk bitspersample"), &answer);
    if (code != 0)
        return deviceFailed(code);
    if (WavOpen::LeadingNumber(answer.left(2)) != 16) {
        mciSendString(QStringLiteral("Close Zvuk"));
        MsgBox(QStringLiteral("Прошу прощения, но данная версия программы обрабатывает только 16-разрядные звуковые "
                              "файлы!"),
               MsgButtons::OK, MsgIcon::None, kTitle);
        return;
    }

    code = mciSendString(QStringLiteral("status Zvuk channels"), &answer);
    if (code != 0)
        return deviceFailed(code);
    int channels;
    if (answer.startsWith(QLatin1Char('2'))) {
        st.TwoBeam = true;
        channels = 2;
        U1->setEnabled(true);
        VScroll1->setEnabled(true);
    } else {
        st.TwoBeam = false;
        channels = 1;
        VScroll1->setEnabled(false);
    }

    if (!st.CaptureRunning) {
        code = mciSendString(QStringLiteral("status Zvuk length"), &answer);
        if (code != 0)
            return deviceFailed(code);
        if (!trapped([&] {
                const float seconds = float(WavOpen::LeadingNumber(answer.section(QChar(0), 0, 0))) / 1000.0f;
                st.SampleRate = WavOpen::EstimateSampleRate(st.FileLength, st.DataStart, seconds, channels);
            }))
            return;
    }

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

    RedrawTraces(st.DataStart);
}
