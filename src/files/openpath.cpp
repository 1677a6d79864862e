// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/openpath.h"

#include "app/pribor.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

namespace OpenPath {
namespace {

class DropFilter : public QObject {
public:
    explicit DropFilter(Pribor &w) : QObject(&w), w_(w) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != &w_)
            return false;
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto *e = static_cast<QDropEvent *>(event);
            if (canOpen() && !DroppedWav(e->mimeData()).isEmpty())
                e->acceptProposedAction();
            else
                e->ignore();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto *e = static_cast<QDropEvent *>(event);
            const QString path = DroppedWav(e->mimeData());
            if (!canOpen() || path.isEmpty()) {
                e->ignore();
                return true;
            }
            e->acceptProposedAction();
            // Open after the drop has finished, so a message box does not keep
            // the file manager waiting for the drag to end.
            QPointer<Pribor> window(&w_);
            QTimer::singleShot(0, &w_, [window, path] {
                if (window)
                    OpenGivenFile(*window, path);
            });
            return true;
        }
        return false;
    }

private:
    // The same moments the open command is offered (not while capturing).
    bool canOpen() const { return w_.OpenBitton->isEnabled() && w_.OpenWav->isEnabled(); }

    Pribor &w_;
};

}  // namespace

bool OpenGivenFile(Pribor &w, const QString &path)
{
    return w.OpenOscillogram(QFileInfo(path).absoluteFilePath());
}

QString DroppedWav(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return {};
    const QList<QUrl> urls = mime->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return {};
    const QString path = urls.front().toLocalFile();
    if (!path.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive))
        return {};
    return path;
}

void AcceptDrops(Pribor &w)
{
    w.setAcceptDrops(true);
    w.installEventFilter(new DropFilter(w));
}

}  // namespace OpenPath
