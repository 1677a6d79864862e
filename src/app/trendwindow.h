// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The trend window (menu «Тренд измерений»): one measurement chosen of the
// trigger's channel (frequency, RMS, peak-to-peak, mean), a value a second
// over the whole open recording, read in the background (analysis/trend
// through export/eventlist), drawn as a line and written out as CSV.
#include "analysis/trend.h"
#include "export/eventlist.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class TrendPlot;

class TrendWindow : public QWidget {
    Q_OBJECT
public:
    struct Input {
        EventList::Source source;
        int sampleRate = 0;
        double voltsPerUnit = 0;
    };
    // `input` says what is open now (nothing while capturing or without a file).
    TrendWindow(std::function<std::optional<Input>()> input, QWidget *mainWindow);
    ~TrendWindow() override;

    void Start();  // measure the recording open now
    Trend::Quantity Chosen() const;
    const std::vector<double> &Values() const { return values_; }
    bool Running() const { return job_ != nullptr; }
    // The values as the CSV and the plot give them (volts or hertz).
    double Scale() const;
    bool SaveCsv(const QString &path, QString *error) const;

    QComboBox *Quantity = nullptr;
    TrendPlot *Plot = nullptr;
    QProgressBar *Bar = nullptr;
    QLabel *Status = nullptr;
    QPushButton *Stop = nullptr, *Export = nullptr;

signals:
    void Closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    struct Job;
    void poll();
    void exportCsv();
    std::function<std::optional<Input>()> input_;
    Input used_;
    std::vector<double> values_;
    QString problem_;
    std::unique_ptr<Job> job_;
    QTimer *poll_ = nullptr;
};
