// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/overviewstrip.h"

#include "app/overviewtool.h"
#include "platform/vbcolor.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kButtonPx = 16;
// Trace colours of the screen: channel 1 blue, channel 2 red.
const QColor kColours[2] = {VbColor(0xFF0000), VbColor(0xFF)};

}  // namespace

OverviewStrip::OverviewStrip(OverviewTool *tool, QWidget *parent) : QWidget(parent), tool_(tool)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
    setToolTip(tr("Обзор всей записи: щелчок или перетаскивание — перейти, колесо — масштаб"));
    auto button = [this](const QString &text, const QString &tip, int step) {
        auto *b = new QToolButton(this);
        b->setText(text);
        b->setToolTip(tip);
        b->setAutoRaise(true);
        b->setCursor(Qt::ArrowCursor);
        connect(b, &QToolButton::clicked, this, [this, step] { tool_->SetZoom(tool_->Zoom() + step); });
        return b;
    };
    in_ = button(QStringLiteral("+"), tr("Крупнее (в 10 раз)"), 1);
    in_->setObjectName(QStringLiteral("OverviewZoomIn"));
    out_ = button(QStringLiteral("−"), tr("Мельче (в 10 раз)"), -1);
    out_->setObjectName(QStringLiteral("OverviewZoomOut"));
}

void OverviewStrip::resizeEvent(QResizeEvent *)
{
    const int h = std::max(1, height() / 2);
    in_->setGeometry(width() - kButtonPx, 0, kButtonPx, h);
    out_->setGeometry(width() - kButtonPx, h, kButtonPx, height() - h);
    Invalidate();
}

void OverviewStrip::drawEnvelope()
{
    const int w = std::max(1, width() - kButtonPx), h = std::max(1, height());
    picture_ = QImage(w, h, QImage::Format_RGB32);
    picture_.fill(tool_->Levels() ? QColor(0, 0, 0) : QColor(32, 32, 32));
    pictureFrom_ = tool_->ViewFrom();
    pictureSpan_ = tool_->ViewSpan();
    const Envelope::Levels *levels = tool_->Levels();
    if (!levels)
        return;
    const int channels = std::min(levels->Channels(), 2);
    std::vector<Envelope::Extremes> columns(static_cast<size_t>(w));
    for (int c = 0; c < channels; ++c) {
        // One band per channel, full scale to its height.
        const int top = h * c / channels, bottom = h * (c + 1) / channels - 1;
        const double scale = double(bottom - top) / 65536.0;
        levels->Columns(c, pictureFrom_, pictureFrom_ + pictureSpan_, w, columns.data());
        const QRgb colour = kColours[c].rgb();
        for (int x = 0; x < w; ++x) {
            const Envelope::Extremes e = columns[size_t(x)];
            if (e.Empty())
                continue;
            const int y0 = std::clamp(bottom - int((e.hi + 32768) * scale), top, bottom);
            const int y1 = std::clamp(bottom - int((e.lo + 32768) * scale), top, bottom);
            for (int y = y0; y <= y1; ++y)
                reinterpret_cast<QRgb *>(picture_.scanLine(y))[x] = colour;
        }
    }
}

void OverviewStrip::paintEvent(QPaintEvent *)
{
    if (picture_.isNull() || pictureFrom_ != tool_->ViewFrom() || pictureSpan_ != tool_->ViewSpan())
        drawEnvelope();
    QPainter p(this);
    p.drawImage(0, 0, picture_);
    const int w = picture_.width(), h = height();
    const double span = double(tool_->ViewSpan());
    auto xOf = [&](int64_t frame) { return double(frame - tool_->ViewFrom()) / span * w; };
    // The screen shown: a frame at least two pixels wide.
    const double x0 = xOf(tool_->ScreenFirst()), x1 = std::max(xOf(tool_->ScreenFirst() + tool_->ScreenFrames()), x0 + 2);
    p.setPen(QColor(255, 255, 255));
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawRect(QRectF(x0, 0.5, x1 - x0, h - 1.5));
    // The trigger events found, a tick at the top of every column that
    // holds one.
    if (tool_->EventsIn) {
        p.setPen(QColor(255, 255, 0));
        const double lead = double(tool_->Lead());
        for (int x = 0; x < w; ++x) {
            const double from = double(tool_->ViewFrom()) + span * x / w - lead;
            if (tool_->EventsIn(from, from + span / w))
                p.drawLine(x, 0, x, std::max(2, h / 6));
        }
    }
    p.setPen(QColor(200, 200, 200));
    const double progress = tool_->Progress();
    QString text;
    if (progress >= 0) {
        text = tr("Обзор записи строится: %1 %").arg(int(progress * 100));
        p.fillRect(QRectF(0, h - 3, w * progress, 3), QColor(0, 160, 0));
    } else if (!tool_->Problem().isEmpty()) {
        text = tr("Обзор записи не построен: ") + tool_->Problem();
    } else if (tool_->Zoom() > 0) {
        text = QStringLiteral("×%1").arg(QLocale().toString(std::pow(10.0, tool_->Zoom()), 'f', 0));
    }
    if (!text.isEmpty())
        p.drawText(QRect(4, 0, w - 8, h), Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, text);
}

void OverviewStrip::jumpTo(double x)
{
    const int w = std::max(1, width() - kButtonPx);
    const double at = std::clamp(x, 0.0, double(w)) / w;
    tool_->JumpTo(tool_->ViewFrom() + int64_t(at * double(tool_->ViewSpan())));
}

void OverviewStrip::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        jumpTo(e->position().x());
}

void OverviewStrip::mouseMoveEvent(QMouseEvent *e)
{
    if (e->buttons() & Qt::LeftButton)
        jumpTo(e->position().x());
}

void OverviewStrip::wheelEvent(QWheelEvent *e)
{
    const int steps = e->angleDelta().y() / 120;
    if (steps != 0)
        tool_->SetZoom(tool_->Zoom() + steps);
    e->accept();
}
