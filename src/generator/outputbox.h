// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The choice of the sound output the generator plays to: the server's
// default, or one of its outputs by the server's own name for it (which
// stays the same from run to run). The list is asked afresh each time it
// opens, so an output plugged in since is there.
#include <QComboBox>

class OutputBox : public QComboBox {
    Q_OBJECT
public:
    explicit OutputBox(const QString &chosen, QWidget *parent = nullptr);
    // The server's name for the output chosen; empty for the default.
    QString Chosen() const;

protected:
    void showPopup() override;

private:
    void fill(bool waitForAnswer);
};
