// The window layer over Qt: the process, the main window (its frame; the
// OpenGL view inside is qt_view.cpp), menus, timers and the message loop.
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QMainWindow>
#include <QMenuBar>
#include <QOpenGLContext>
#include <QPixmapCache>
#include <QPointer>
#include <QScreen>
#include <QStandardPaths>
#include <QSurfaceFormat>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>
#include <vector>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/qt_layer.h"
#include "platform/qt_view.h"
#include "platform/surface.h"
#include "platform/tool_window.h"
#include "platform/window.h"

namespace {

// Windows and menus live until the process ends: the program keeps their
// handles in its state, and a destroyed window answers every call harmlessly.
std::vector<std::unique_ptr<pl_window>> all_windows;
std::vector<std::unique_ptr<pl_menu>> all_menus;
QPointer<view_widget> presenting_view;  // the view frames are presented on
bool quit_posted = false;
int quit_code = 0;

}  // namespace

struct pl_menu {
    struct item {
        unsigned id;
        std::string text;
        pl_menu* submenu;  // nullptr for a command entry
        std::string keys;  // its shortcut, shown beside it, or empty
        bool checkable = false;
    };
    std::vector<item> items;
};

namespace {

class frame_widget : public QMainWindow {
public:
    frame_widget(pl_window* owner, QSize outer) : owner_(owner), outer_(outer) { setAcceptDrops(true); }

    // Before the window is first shown: at the top of the screen's free area
    // and centred across it, the outer size as asked but never more than that
    // area. Until the window manager has framed the window, its frame is not
    // known and is taken as none; fit_frame puts the size right once it is.
    void place() {
        const QRect free = free_area();
        const QSize outer = outer_.boundedTo(free.size());
        resize(outer);
        move(free.left() + (free.width() - outer.width()) / 2, free.top());
    }

protected:
    void moveEvent(QMoveEvent* e) override {
        QMainWindow::moveEvent(e);
        if (!fitted_) fit_frame();
    }
    void resizeEvent(QResizeEvent* e) override {
        QMainWindow::resizeEvent(e);
        if (!fitted_) fit_frame();
    }

    // Closing from the frame goes through the procedure; its default handling
    // destroys the window.
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        dispatch_message(owner_, WM_CLOSE, 0, 0);
    }

    // A minimised window reports a size of 0 by 0, and its real size again when
    // it is restored, as the program has always been told.
    void changeEvent(QEvent* e) override {
        QMainWindow::changeEvent(e);
        if (e->type() != QEvent::WindowStateChange || !owner_->view) return;
        view_widget* v = owner_->view;
        if (isMinimized()) {
            dispatch_message(owner_, WM_SIZE, 0, make_lparam(0, 0));
        } else if (static_cast<QWindowStateChangeEvent*>(e)->oldState() & Qt::WindowMinimized) {
            dispatch_message(owner_, WM_SIZE, 0, make_lparam(v->pixels(v->width()), v->pixels(v->height())));
            v->update();
        }
    }

    // A file from the file manager: one local file at a time.
    void dragEnterEvent(QDragEnterEvent* e) override {
        if (dropped_file(e->mimeData()).isEmpty()) return e->ignore();
        e->acceptProposedAction();
    }
    void dropEvent(QDropEvent* e) override {
        const QByteArray path = QFile::encodeName(dropped_file(e->mimeData()));
        if (path.isEmpty()) return e->ignore();
        e->acceptProposedAction();
        dispatch_message(owner_, WM_DROPFILES, reinterpret_cast<wparam>(path.constData()), 0);
    }

private:
    QRect free_area() const {
        const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
        return s ? s->availableGeometry() : QRect(QPoint(0, 0), outer_);
    }

    // Once: the outer size, frame included, becomes what was asked (within
    // the free area), and the whole window, title bar to bottom edge, is
    // moved onto the free area. A window manager that draws no frame leaves
    // nothing to do. On Wayland this resize also brings the title bar: Qt 6.4
    // draws its own decorations around a window composed with OpenGL only
    // once the window has changed size.
    void fit_frame() {
        const QRect outer = frameGeometry(), inner = geometry();
        if (outer == inner || !isVisible()) return;
        fitted_ = true;
        const QRect free = free_area();
        const QSize frame = outer.size() - inner.size();
        const QSize wanted = outer_.boundedTo(free.size());
        if (wanted - frame != size()) resize(wanted - frame);
        const QPoint at(std::clamp(outer.left(), free.left(), std::max(free.left(), free.right() + 1 - wanted.width())),
                        std::clamp(outer.top(), free.top(), std::max(free.top(), free.bottom() + 1 - wanted.height())));
        if (at != outer.topLeft()) move(at);
    }

    static QString dropped_file(const QMimeData* data) {
        if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().first().isLocalFile()) return {};
        return data->urls().first().toLocalFile();
    }
    pl_window* owner_;
    QSize outer_;          // the outer size asked for, frame included
    bool fitted_ = false;  // the frame has been taken into account
};

// A present with nothing drawn since the last one (the frame timer's tick on
// an unchanged view) leaves the window as it is.
void present_view() {
    if (presenting_view && take_frame_drawn()) presenting_view->present();
}

// Qt stops the process on a fatal error (no display to connect to, no OpenGL);
// say so in plain words and exit with a failure code instead of a core dump.
void on_qt_message(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "Plexar cannot start: no window can be opened on the display%s%s%s.\n(%s)\n",
                     display ? " \"" : "", display ? display : "", display ? "\"" : "",
                     qPrintable(text.section('\n', 0, 0)));
        std::_Exit(1);
    }
    if (type != QtDebugMsg && type != QtInfoMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
}

}  // namespace

// Every message the layer delivers goes through here.
intptr_t dispatch_message(pl_window* window, unsigned message, wparam w, lparam l) {
    if (!window || !window->proc) return 0;
    // The program draws with the main view's context current and its
    // framebuffer bound, whatever the toolkit made current or bound in between.
    pl_window* main = window->parent ? window->parent : window;
    if (main->view && main->view->ready()) main->view->makeCurrent();
    return window->proc(window, message, w, l);
}

pl_window* new_window_record() {
    all_windows.push_back(std::make_unique<pl_window>());
    return all_windows.back().get();
}

QWidget* client_area(pl_window* main_window) {
    return main_window && !main_window->destroyed ? main_window->view.data() : nullptr;
}

QWidget* panel_area(pl_window* main_window) {
    return main_window && !main_window->destroyed ? main_window->area.data() : nullptr;
}

// ---- The process ----------------------------------------------------------

bool platform_start(int& argc, char** argv, std::string* error) {
    if (QCoreApplication::instance()) return true;
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        if (error) *error = "no display to open a window on (DISPLAY is not set); Plexar needs a graphical desktop";
        return false;
    }
#if defined(__GLIBC__)
    // Blocks of a megabyte or more get mappings of their own, given back when
    // freed. Left to itself, glibc raises this threshold to the largest block
    // freed so far: then the toolkit's copies of the window's backing store
    // (3 MB at 1024 x 768, made whenever a panel repaints) and a printout's
    // bands (32 MB) come from the heap, and a viewer left running grows by
    // their size every so often as the heap fragments.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
    qInstallMessageHandler(on_qt_message);
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);  // the scene is drawn with depth testing
    QSurfaceFormat::setDefaultFormat(format);
    new QApplication(argc, argv);  // lives as long as the process
    QApplication::setQuitOnLastWindowClosed(false);  // the program ends through its quit message
    // The style keeps a pixmap of each control in every size and state it has
    // drawn, and the file dialogs' icons. At the toolkit's default bound of
    // 10 MB that cache fills slowly over hours of use, as a viewer that keeps
    // growing; 2 MB holds what the windows show at once.
    QPixmapCache::setCacheLimit(2048);
    set_present_handler(present_view);
    set_surface_keeps_frames(true);  // the view's framebuffer lives between paints
    install_qt_dialogs();
    install_print_dialog();
    install_capture_filter();
    install_accessibility();
    return true;
}

int run_message_loop() {
    // A quit posted before the loop runs (or after it ended) is retrieved at
    // once. The loop still starts, to end at its first turn: Qt refuses every
    // nested loop (a dialog's, a message box's) from a quit made outside any
    // loop until its main loop has run again.
    if (quit_posted)
        QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(quit_code); }, Qt::QueuedConnection);
    QApplication::exec();
    quit_posted = false;
    return quit_code;
}

void post_quit_message(int code) {
    quit_posted = true;
    quit_code = code;
    QCoreApplication::exit(code);
}

// ---- Windows ----------------------------------------------------------------

pl_window* create_frame_window(const char* title, int width, int height, window_proc proc) {
    pl_window* window = new_window_record();
    window->proc = proc;
    auto* frame = new frame_widget(window, QSize(width, height));
    frame->setWindowTitle(QString::fromUtf8(title));
    // The client area: the view fills it, and the panels made later stand
    // above the view as its siblings.
    auto* area = new QWidget;
    auto* view = new view_widget(window);
    auto* fill = new QVBoxLayout(area);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(view);
    frame->setCentralWidget(area);
    // The menu bar takes its room from the start, so that attaching the menu
    // later does not resize the view (and draw every frame of start-up twice).
    QMenuBar probe;
    probe.addAction(QStringLiteral("File"));
    frame->menuBar()->setMinimumHeight(probe.sizeHint().height());
    frame->place();
    window->widget = frame;
    window->view = view;
    window->area = area;
    presenting_view = view;  // the newest main window is the one frames are presented on
    return window;
}

pl_context* view_context(pl_window* window) {
    if (!window || !window->view || !window->view->ready()) return nullptr;
    window->view->makeCurrent();
    window->view->hand_over();
    return reinterpret_cast<pl_context*>(window->view.data());
}

void make_current(pl_context* context) {
    if (context) {
        reinterpret_cast<view_widget*>(context)->makeCurrent();
    } else if (QOpenGLContext* current = QOpenGLContext::currentContext()) {
        current->doneCurrent();
    }
}

void show_window(pl_window* window) {
    if (!window || window->destroyed || !window->widget) return;
    // a tool window shown comes to the front, whether it was hidden or not
    window->widget->raise();
    if (window->widget->isVisible()) return;
    window->widget->show();
    if (window->view) window->view->setFocus();
}

void hide_window(pl_window* window) {
    if (!window || window->destroyed || !window->widget) return;
    window->widget->hide();
}

bool window_visible(pl_window* window) {
    return window && !window->destroyed && window->widget && window->widget->isVisible();
}

void destroy_window(pl_window* window) {
    if (!window || window->destroyed) return;
    if (window->parent) return destroy_tool_window(window);
    // the panels and the About box go with their main window
    for (auto& w : all_windows)
        if (w->parent == window) destroy_tool_window(w.get());
    window->destroyed = true;
    for (auto& [id, timer] : window->timers)
        if (timer) timer->stop();
    window->timers.clear();
    dispatch_message(window, WM_DESTROY, 0, 0);
    window->proc = nullptr;  // nothing reaches the procedure after its destroy message
    if (window->widget) {
        window->widget->hide();
        window->widget->deleteLater();  // we may be inside one of its own events
    }
}

intptr_t default_window_proc(pl_window* window, unsigned message, wparam, lparam) {
    if (message == WM_CLOSE) destroy_window(window);
    return 0;
}

intptr_t send_message(pl_window* window, unsigned message, wparam w, lparam l) {
    return dispatch_message(window, message, w, l);
}

void set_timer(pl_window* window, unsigned id, unsigned period_ms) {
    if (!window || window->destroyed || !window->widget) return;
    QPointer<QTimer>& timer = window->timers[id];
    if (!timer) {
        timer = new QTimer(window->widget);
        QObject::connect(timer, &QTimer::timeout, [window, id] { dispatch_message(window, WM_TIMER, id, 0); });
    }
    timer->start(static_cast<int>(period_ms));
}

void kill_timer(pl_window* window, unsigned id) {
    if (!window) return;
    auto it = window->timers.find(id);
    if (it == window->timers.end()) return;
    if (it->second) it->second->stop();
}

void show_tooltip(pl_window* window, int x, int y, const std::string& text) {
    if (!window || window->destroyed || !window->view) return;
    const double ratio = window->view->devicePixelRatioF();
    window->view->tip(QPoint(int(x / ratio), int(y / ratio)), QString::fromUtf8(text.c_str()));
}

// ---- Menus --------------------------------------------------------------------

pl_menu* create_menu() {
    all_menus.push_back(std::make_unique<pl_menu>());
    return all_menus.back().get();
}

void append_menu_item(pl_menu* menu, unsigned id, const char* text, const char* keys) {
    menu->items.push_back({id, text, nullptr, keys ? keys : ""});
}

void append_menu_check(pl_menu* menu, unsigned id, const char* text, const char* keys) {
    menu->items.push_back({id, text, nullptr, keys ? keys : "", true});
}

void check_menu_item(pl_window* window, unsigned id, bool checked) {
    auto* frame = window && window->widget ? qobject_cast<QMainWindow*>(window->widget.data()) : nullptr;
    if (!frame) return;
    for (QAction* top : frame->menuBar()->actions())
        if (top->menu())
            for (QAction* a : top->menu()->actions())
                if (a->isCheckable() && a->data().toUInt() == id) a->setChecked(checked);
}

void append_submenu(pl_menu* bar, pl_menu* submenu, const char* text) { bar->items.push_back({0, text, submenu, ""}); }

void set_menu(pl_window* window, pl_menu* bar) {
    auto* frame = window && window->widget ? qobject_cast<QMainWindow*>(window->widget.data()) : nullptr;
    if (!frame) return;
    QMenuBar* menu_bar = frame->menuBar();
    menu_bar->clear();
    for (const pl_menu::item& top : bar->items) {
        if (!top.submenu) continue;
        QMenu* drop_down = menu_bar->addMenu(QString::fromUtf8(top.text.c_str()));
        for (const pl_menu::item& entry : top.submenu->items) {
            QAction* action = drop_down->addAction(QString::fromUtf8(entry.text.c_str()));
            if (!entry.keys.empty()) action->setShortcut(QKeySequence(QString::fromUtf8(entry.keys.c_str())));
            action->setCheckable(entry.checkable);
            action->setData(entry.id);
            unsigned id = entry.id;
            QObject::connect(action, &QAction::triggered, [window, id] { dispatch_message(window, WM_COMMAND, id, 0); });
        }
    }
}

// ---- Process services ------------------------------------------------------------

std::string current_directory() {
    std::error_code ec;
    return std::filesystem::current_path(ec).string();
}

bool set_current_directory(const std::string& path) {
    std::error_code ec;
    std::filesystem::current_path(path, ec);
    return !ec;
}

void sleep_ms(unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string config_file(const char* name) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QFile::encodeName(folder + QStringLiteral("/plexar/") + QString::fromUtf8(name)).toStdString();
}

// ---- For the dialogs -------------------------------------------------------------

QWidget* main_widget() {
    for (auto& w : all_windows)
        if (!w->destroyed && w->view && w->widget) return w->widget;
    return nullptr;
}
