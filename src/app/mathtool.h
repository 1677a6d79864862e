// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The computed trace M (menu «Математика»): worked out from each screen's
// samples, drawn over the traces in its own colour at its own scale and
// position, read in the strip of readings and named in the captions. The
// arithmetic is in analysis/mathtrace; this class wires it to the window.
#include "analysis/mathtrace.h"
#include "analysis/measure.h"
#include "app/toolhost.h"
#include "display/screenreaders.h"
#include "export/scene.h"

#include <QObject>
#include <QPolygonF>

class QActionGroup;
class QLabel;

class MathTool : public QObject, public ScreenReader {
    Q_OBJECT
public:
    MathTool(const ToolHost &host, QObject *parent);
    void Load();  // the stored choices

    bool Active() const { return s_.function != MathTrace::Function::Off; }
    const MathTrace::Settings &Choice() const { return s_; }
    void SetFunction(MathTrace::Function f);
    void SetFilterSource(bool b);
    void SetCorner(double hz);
    void SetBandQ(double q);
    void SetScale(int index);
    void SetPosition(double divisions);
    void FitScale();  // to the screen shown

    // M of the last screen read, one value per frame in its unit (empty
    // when it is off or cannot be worked out, with one channel for a
    // function of two).
    const std::vector<float> &Values() const { return m_; }
    // Whether M is on the surface now, and how: one of its screen units
    // (8192 to a division) in its unit, its offset in those units, and the
    // units taken out to centre it.
    bool Drawn() const { return drawn_; }
    double ValuePerUnit() const { return MathTrace::ScaleStep(s_.scale) / 8192.0; }
    double PositionUnits() const { return s_.position * 8192.0; }
    double RemovedUnits() const { return removedUnits_; }
    QString UnitText() const { return MathTrace::Unit(s_.function); }
    // The trace as last drawn, in pixels of the surface, and its points'
    // values in its unit (as drawn: centred when the beams are).
    QPolygonF Polyline() const;
    std::vector<float> DrawnValues() const;
    static QColor Colour();
    // The label with M's name and scale as it lies over the screen now, in
    // the surface's pixels, for pictures made of the screen; none while M
    // is not drawn.
    std::vector<Scene::Label> ScaleLabel() const;
    // How long a filter of these settings takes to settle from a fresh start.
    static double SettleSeconds(const MathTrace::Settings &s);

    void SamplesRead(const ScreenFrame &f) override;
    void PaintOver(const ScreenFrame &f, Ris &surface) override;
    int64_t LeadFrames(int32_t rate) const override;
    int StripRows() const override { return Active() ? 1 : 0; }
    void StripLines(QStringList &lines, std::vector<QColor> &colours) const override;
    QString CaptionNote() const override;

    QMenu *MathMenu = nullptr;
    QAction *FilterB = nullptr, *Corner = nullptr, *BandQ = nullptr;
    QAction *ScaleUp = nullptr, *ScaleDown = nullptr, *ScaleFit = nullptr, *MoveUp = nullptr, *MoveDown = nullptr;

private:
    void changed(bool reread);
    void computeFilter(const ScreenFrame &f, int64_t frames);
    double askNumber(const QString &label, double value, double lo, double hi, int decimals);

    ToolHost host_;
    MathTrace::Settings s_;
    QActionGroup *functions_ = nullptr;
    QLabel *scaleLabel_ = nullptr;  // M's scale over the screen
    MathTrace::StreamFilter filter_;
    MathTrace::Biquad coefficients_;
    // What the filter's stream is: a file (its name), the capture stream,
    // or a pass of the refresh; a new one starts the filter afresh.
    QString streamKey_;
    std::vector<float> a_, b_, m_, x_;
    int channels_ = 1;
    int32_t rate_ = 0;
    int64_t frames_ = 0;
    bool fitPending_ = false;
    Measure::Readings readings_;
    double readingUnit_ = 0;  // M per unit of the readings
    bool readingsValid_ = false;
    // The last paint.
    bool drawn_ = false;
    double removedUnits_ = 0;
    std::vector<int32_t> units_, points_, line_;
};
