// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Hears from the sound server itself when its inputs or outputs come, go
// or change (an output brings its monitor), or its default input changes.
// It keeps one connection of its own for that, on a thread of its own; a
// server that goes away is looked for again every second, so one started
// or restarted after the program is heard from too.
#include <QObject>
#include <memory>

class InputWatch : public QObject {
    Q_OBJECT
public:
    explicit InputWatch(QObject *parent = nullptr);
    ~InputWatch() override;

    // Whether the connection to the server is up now.
    bool Connected() const;

signals:
    // On the object's thread. A burst of changes (a device brings a source
    // and a sink at once) is told once; so is a server found again, since
    // its inputs may be others than before.
    void InputsChanged();

private:
    struct Link;
    std::unique_ptr<Link> link_;
};
