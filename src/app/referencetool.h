// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reference traces R1–R4 (menu «Опорные осциллограммы»): a trace of the
// screen shown is kept, at the time and volts per division it was drawn
// at, as a small file in the user's data folder, and drawn in grey over
// the live or stored picture while chosen, after a restart too. The file
// format is export/referencefile; this class wires it to the window.
#include "app/toolhost.h"
#include "display/screenreaders.h"
#include "export/referencefile.h"
#include "export/scene.h"

#include <QObject>
#include <array>
#include <optional>

class MathTool;
class QActionGroup;

class ReferenceTool : public QObject, public ScreenReader {
    Q_OBJECT
public:
    static constexpr int kSlots = 4;
    enum class Trace { A, B, M };

    ReferenceTool(const ToolHost &host, const MathTool *math, QObject *parent);
    void Load();  // the files and the stored choices

    Trace Chosen() const { return chosen_; }
    void Choose(Trace t);
    // Keeps the chosen trace of the screen shown as R<slot + 1>; false, with
    // a message, when there is nothing to keep or the file was not written.
    bool Store(int slot);
    bool Shown(int slot) const;
    void SetShown(int slot, bool on);
    const std::optional<ReferenceFile::Reference> &Slot(int slot) const { return refs_[size_t(slot)]; }
    QString Problem(int slot) const { return problems_[size_t(slot)]; }  // why its file was refused
    static QString FileOf(int slot);
    static QColor Colour();

    // The references shown, as drawn on a picture whose screen is `width` × `rows`.
    Scene Overlay(int width, int rows) const;

    void PaintOver(const ScreenFrame &f, Ris &surface) override;
    QString CaptionNote() const override;

    QMenu *ReferenceMenu = nullptr;
    QAction *TraceA = nullptr, *TraceB = nullptr, *TraceM = nullptr;
    std::array<QAction *, kSlots> StoreAct{}, ShowAct{};

private:
    void describe(int slot);
    QString summary(const ReferenceFile::Reference &r) const;

    ToolHost host_;
    const MathTool *math_;
    Trace chosen_ = Trace::A;
    std::array<std::optional<ReferenceFile::Reference>, kSlots> refs_;
    std::array<QString, kSlots> problems_;
    // The last screen painted: what Store keeps.
    ScreenFrame last_;
    bool haveLast_ = false;
};
