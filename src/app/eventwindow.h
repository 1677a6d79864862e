// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window of the event index (see app/eventtool.h): the list, the
// progress of the reading with its cancel, a new search with the trigger
// as set now, and the export of the list. It floats beside the main
// window, as the level window does, where it was last left.
#include <QWidget>

class EventTool;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class EventModel;

class EventWindow : public QWidget {
    Q_OBJECT
public:
    EventWindow(EventTool *tool, QWidget *mainWindow);
    ~EventWindow() override;
    // At its stored place (or beside the main window), shown.
    void Place();

    QTableView *List = nullptr;
    QProgressBar *Bar = nullptr;
    QLabel *Status = nullptr;
    QPushButton *Again = nullptr, *Stop = nullptr, *Export = nullptr;

signals:
    void Closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void update();
    void exportCsv();
    EventTool *tool_;
    EventModel *model_;
    QWidget *main_;
};
