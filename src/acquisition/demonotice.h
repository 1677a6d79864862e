// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's notice that the traces come from the demo generator.
class QLabel;
class QWidget;

// Creates the notice in the top-right corner of `drawingArea`, hidden; it
// shows while recordings come from the demo generator.
QLabel *CreateDemoNotice(QWidget *drawingArea);
