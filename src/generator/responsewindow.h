// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// «АЧХ и ФЧХ»: a floating window, like the generator's, that measures a
// circuit's frequency response with the generator and the two inputs and
// draws it as it grows. The measurement is ResponseRun's, the drawing
// ResponseChart's; this is only the controls, the timer and the files.
#include "analysis/toneresponse.h"

#include <QWidget>
#include <memory>
#include <vector>

class QDoubleSpinBox;
class OutputBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;
class ResponseRun;
class ResponsePlot;

class ResponseWindow : public QWidget {
    Q_OBJECT
public:
    // `input`: the choice of input as the window's input menu keeps it
    // (InputChoice), `output` the server's sink name; empty for the defaults.
    ResponseWindow(QWidget *owner, const QString &input = QString(), const QString &output = QString());
    ~ResponseWindow() override;

    QDoubleSpinBox *from = nullptr, *to = nullptr, *level = nullptr, *settle = nullptr;
    QSpinBox *perOctave = nullptr;
    OutputBox *output = nullptr;
    QPushButton *measure = nullptr, *cancel = nullptr, *saveCsv = nullptr, *savePng = nullptr, *saveSvg = nullptr;
    QProgressBar *progress = nullptr;
    QLabel *state = nullptr, *warning = nullptr;
    QWidget *plot = nullptr;  // the curves; a click or drag moves the cursor

    void Start();
    void Cancel();
    bool Running() const;
    const std::vector<ToneResponse::Point> &Points() const { return points_; }
    // The files, all or nothing; false with *error when one could not be written.
    bool WriteCsv(const QString &path, QString *error) const;
    bool WritePicture(const QString &path, bool svg, QString *error) const;

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void poll();
    void finish();
    void showWarnings();
    void save(int what);
    QStringList caption() const;

    QString input_;
    std::unique_ptr<ResponseRun> run_;
    std::vector<ToneResponse::Point> points_;
    double shownFrom_ = 20, shownTo_ = 20000;
    QTimer *timer_ = nullptr;
    ResponsePlot *curves_ = nullptr;
};
