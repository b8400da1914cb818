// What the Qt side of the window layer shares between its files: the window
// record behind every handle, and the one way messages reach a procedure.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <map>

#include "platform/tool_window.h"
#include "platform/window.h"

class QRect;
class view_widget;

// One record per window the program created: the main window, a panel or the
// About box. Records live until the process ends, so a handle kept in the
// program's state never dangles; a destroyed window answers every call
// harmlessly.
struct pl_window {
    window_proc proc = nullptr;
    QPointer<QWidget> widget;      // the top-level widget, or the panel's frame
    QPointer<view_widget> view;    // the OpenGL view of a main window, filling its client area
    QPointer<QWidget> area;        // a main window's client area: the view, and the panels above it
    std::map<unsigned, QPointer<QTimer>> timers;
    bool destroyed = false;
    // Tool windows only.
    pl_window* parent = nullptr;   // the main window
    std::map<unsigned, QPointer<QWidget>> controls;  // by control id
    QPointer<QWidget> pending_focus;  // asked for while the window was hidden
};

// A new window record, kept for the whole run.
pl_window* new_window_record();

// Delivers a message to the window's procedure with the main view's context
// current (the procedures draw), and returns the procedure's result.
intptr_t dispatch_message(pl_window* window, unsigned message, wparam w, lparam l);

// The main window's OpenGL view, which fills its client area.
QWidget* client_area(pl_window* main_window);
// The widget the panels live in: the client area, holding the view and, as
// the view's siblings stacked above it, the panels. (A widget that is a child
// of the OpenGL view itself leaves copies of itself behind when it moves.)
QWidget* panel_area(pl_window* main_window);

// Builds one control of a tool window at its place (pixels) inside parent.
QWidget* create_control(pl_window* dialog, const control_template& t, const QRect& place, QWidget* parent);
bool is_default_button(QWidget* w);
bool is_picture_button(QObject* object);

// Marks a tool window destroyed and lets its widget go.
void destroy_tool_window(pl_window* window);

// Sends the release of a captured mouse to the capturing window, wherever the
// pointer is. Installed on the application once.
void install_capture_filter();

// The main window's top-level widget (the owner of file dialogs), or nullptr.
QWidget* main_widget();

// Routes message boxes, questions, file dialogs and the print dialog to Qt's
// own dialogs.
void install_qt_dialogs();
void install_print_dialog();

// Names the program's own widgets for screen readers (picture buttons, panels).
void install_accessibility();
