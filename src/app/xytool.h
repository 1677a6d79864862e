// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The X-Y picture (Lissajous figures): channel 1 across, channel 2 up,
// drawn instead of the traces while chosen in the setup menu.
#include "app/toolhost.h"
#include "display/screenreaders.h"
#include "export/scene.h"

#include <QByteArray>
#include <QObject>

class XYTool : public QObject, public ScreenReader {
    Q_OBJECT
public:
    XYTool(const ToolHost &host, QObject *parent);
    void Load();  // the stored choice

    bool IsOn() const;  // the X-Y picture is chosen and drawn
    // The square graticule and the figure of the samples last read, for a
    // picture of `size`; `axes` are the sensitivities and positions of
    // channels 1 and 2. With `note`, a figure that needs two channels says so.
    Scene Figure(QSize size, int channels, const int sensitivity[2], const int position[2], bool note) const;

    void SamplesRead(const ScreenFrame &f) override;
    bool DrawsInstead() const override { return IsOn(); }
    void PaintInstead(const ScreenFrame &f, Ris &surface) override;

    QAction *XYMenu = nullptr;

private:
    ToolHost host_;
    QByteArray block_;
};
