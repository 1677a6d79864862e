// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The overview's strip under the screen (see app/overviewtool.h).
#include <QImage>
#include <QWidget>
#include <cstdint>

class OverviewTool;
class QToolButton;

// The strip itself: draws the envelope and the screen's place, turns the
// mouse into jumps and zoom steps.
class OverviewStrip : public QWidget {
    Q_OBJECT
public:
    OverviewStrip(OverviewTool *tool, QWidget *parent);
    // The envelope's picture is made again at the next paint.
    void Invalidate() { picture_ = QImage(); }

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseMoveEvent(QMouseEvent *) override;
    void wheelEvent(QWheelEvent *) override;
    void resizeEvent(QResizeEvent *) override;

private:
    void jumpTo(double x);
    void drawEnvelope();
    OverviewTool *tool_;
    QImage picture_;
    int64_t pictureFrom_ = -1, pictureSpan_ = -1;
    QToolButton *in_ = nullptr, *out_ = nullptr;
};
