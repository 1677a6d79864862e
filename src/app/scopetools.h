// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window offers beyond its front panel, all off until switched on:
// cursors with readouts, export of the screen (PNG, SVG) and of the samples
// (CSV), the choice of sound input, and the X-Y picture. The arithmetic is
// in analysis/ and export/; this class only wires it to the window.
#include "analysis/cursors.h"
#include "display/screenreaders.h"
#include "export/csvexport.h"
#include "export/scene.h"

#include <QByteArray>
#include <QObject>

class Pribor;
class QAction;
class QActionGroup;
class QLabel;
class QMenu;

class ScopeTools : public QObject, public ScreenReader {
    Q_OBJECT
public:
    explicit ScopeTools(Pribor *window);

    // Start-up: the stored X-Y mode and input choice.
    void Load();

    // Reading the screen: the block of samples just read is kept for the
    // X-Y figure; the X-Y figure is drawn instead of the traces; cursors
    // and readouts go over them.
    void SamplesRead(const ScreenFrame &f) override;
    bool DrawsInstead() const override { return DrawsXY(); }
    void PaintInstead(const ScreenFrame &f, Ris &surface) override;
    void PaintOver(const ScreenFrame &f, Ris &surface) override;
    bool DrawsXY() const;

    // Cursors.
    enum Cursor { Time1, Time2, Volt1, Volt2 };
    bool CursorsShown() const;
    void SetCursorsShown(bool on);
    void SetCursor(Cursor c, double value);  // seconds or volts
    double CursorValue(Cursor c) const { return value_[c]; }
    void SelectCursor(Cursor c) { selected_ = c; }
    int VoltChannel() const;  // 0 first channel, 1 second
    Cursors::Readout Readout() const;
    const Cursors::ScreenMap &Map() const { return map_; }
    QStringList ReadoutLines() const;

    // Exports of what is shown.
    Scene CurrentScene() const;
    QStringList Caption() const;
    bool ExportPng(const QString &path) const;
    bool ExportSvg(const QString &path) const;
    enum class CsvWhat { Screen, BetweenCursors, WholeFile };
    CsvExport::Span CsvSpan(CsvWhat what) const;
    CsvExport::Result ExportCsv(const QString &path, CsvWhat what, QString *error);

    // Sound input.
    void ChooseInput(const QString &choice);
    QString InputInUse() const;
    // A refresh failed with `error`: when that is the chosen input gone,
    // capture starts again from the default input (the user is told) and
    // true is returned.
    bool FallBackFromLostInput(int error);

    // Volts of one sample unit of a channel.
    static double VoltsPerUnit(int channel);

    QMenu *ExportMenu = nullptr, *InputMenu = nullptr;
    QAction *ExportPngAct = nullptr, *ExportSvgAct = nullptr;
    QAction *ExportCsvScreen = nullptr, *ExportCsvCursors = nullptr, *ExportCsvFile = nullptr;
    QAction *CursorsMenu = nullptr, *CursorsOnSecond = nullptr, *XYMenu = nullptr;
    QLabel *InputLabel = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void fillInputMenu();
    void inputsChanged();
    void repaint();
    void placeInitialCursors();
    void exportPicture(bool svg);
    void exportCsv(CsvWhat what);
    void showInputLabel();
    // Capture takes the input it looks up now: live capture restarts at
    // once, a stopped engine lets go of its input for the next start. A
    // recording to memory keeps its input (false).
    bool retakeInput();
    Scene overlay() const;

    Pribor *w_;
    QByteArray block_;
    Cursors::ScreenMap map_;
    bool mapValid_ = false;
    int32_t points_ = 0;
    int sweep_ = 0;
    double value_[4] = {0, 0, 0, 0};
    bool placed_ = false;
    Cursor selected_ = Time1;
    bool dragging_ = false;
    QString inputInUse_;
    QString chosenDescription_;  // the stored choice's name in the menu
    QString storedChoice_;  // the stored input choice, as last read or chosen
    // Capture went over to the default input because the chosen one is
    // gone: once is enough (the watch would otherwise restart it, and tell
    // the user again, every time it looks). A new choice clears it.
    bool fellBack_ = false;
};
