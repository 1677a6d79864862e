// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Export of what is shown: the screen as PNG or SVG, and the samples of
// the screen, between the time cursors or of the whole file as CSV. The
// writing is in export/; this class wires it to the window's file menu.
#include "app/toolhost.h"
#include "display/screenreaders.h"
#include "export/csvexport.h"
#include "export/scene.h"

#include <QObject>
#include <QStringList>

class CursorTool;
class MathTool;
class ReferenceTool;
class XYTool;

class ExportTool : public QObject, public ScreenReader {
    Q_OBJECT
public:
    ExportTool(const ToolHost &host, const CursorTool *cursors, const XYTool *xy, QObject *parent);
    // The computed trace, drawn into the vector picture with its scale's
    // label (into the PNG too) and written to the CSV while shown.
    void SetMath(const MathTool *math) { math_ = math; }
    // The references shown, drawn into the vector picture and written to the CSV as columns.
    void SetReferences(const ReferenceTool *references) { references_ = references; }

    Scene CurrentScene() const;
    QStringList Caption() const;
    bool ExportPng(const QString &path, QString *error) const;
    bool ExportSvg(const QString &path, QString *error) const;
    enum class CsvWhat { Screen, BetweenCursors, WholeFile };
    CsvExport::Span CsvSpan(CsvWhat what) const;
    CsvExport::Result ExportCsv(const QString &path, CsvWhat what, QString *error);

    // Keeps what the last screen showed, to draw it again as a scene.
    void PaintOver(const ScreenFrame &f, Ris &surface) override;

    QMenu *ExportMenu = nullptr;
    QAction *ExportPngAct = nullptr, *ExportSvgAct = nullptr;
    QAction *ExportCsvScreen = nullptr, *ExportCsvCursors = nullptr, *ExportCsvFile = nullptr;

private:
    void exportPicture(bool svg);
    void exportCsv(CsvWhat what);

    ToolHost host_;
    const CursorTool *cursors_;
    const XYTool *xy_;
    const MathTool *math_ = nullptr;
    const ReferenceTool *references_ = nullptr;
    Cursors::ScreenMap map_;
    bool mapValid_ = false;
    int32_t points_ = 0;
    int sweep_ = 0;
};
