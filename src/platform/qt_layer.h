// What the Qt side of the window layer shares between its files.
#pragma once

class QWidget;

// The main window's top-level widget (the owner of file dialogs), or nullptr.
QWidget* main_widget();

// Routes message boxes, questions and file dialogs to Qt's own dialogs.
void install_qt_dialogs();
