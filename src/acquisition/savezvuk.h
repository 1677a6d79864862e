// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The progress window of a memory recording: counts the seconds and stops
// the recording on its button or any key.
#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

class SaveZvuk : public QDialog {
    Q_OBJECT
public:
    explicit SaveZvuk(QWidget *parent = nullptr);

    QLabel *Label1;
    QProgressBar *ProgressBar1;
    QPushButton *Stop;
    // A long recording's elapsed time, length and the disk space left;
    // absent from the classic minute's window.
    QLabel *Label2 = nullptr;
    void ShowLongRecording(int lengthSeconds);

    // The operator's stop, run by the button or any key.
    std::function<void()> OnStop;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};
