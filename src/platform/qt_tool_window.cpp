// Tool windows over Qt: panels as small framed child widgets of the main
// view, the About box as a dialog window owned by the main window; dialog
// units, keyboard handling inside tool windows, mouse capture and focus, and
// what screen readers are told about the program's own widgets.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QDialog>
#include <QFontDatabase>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "platform/qt_layer.h"
#include "platform/tool_window.h"

namespace {

pl_window* captured = nullptr;  // the window holding the mouse capture, if any

// The templates ask for the 8-point "MS Sans Serif". Liberation Sans has the
// metrics of Arial, the nearest face a Linux desktop has; where it is missing
// the desktop's own sans-serif face stands in.
QFont dialog_font() {
    static const QFont font = [] {
        QFont f(QStringLiteral("Liberation Sans"), 8);
        if (!QFontDatabase::families().contains(f.family())) f = QFont(QStringLiteral("Sans Serif"), 8);
        f.setStyleHint(QFont::SansSerif);
        return f;
    }();
    return font;
}

// The dialog base units: the average width of the letters (rounded as the
// dialog manager has always rounded it) and the height of the font.
QSize base_units() {
    static const QSize units = [] {
        QFontMetrics fm(dialog_font());
        int width = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        return QSize((width / 26 + 1) / 2, fm.height());
    }();
    return units;
}

QRect to_pixels(int x, int y, int cx, int cy) {
    return QRect(dialog_units_x(x), dialog_units_y(y), dialog_units_x(cx), dialog_units_y(cy));
}

void send_cancel(pl_window* window) { dispatch_message(window, WM_COMMAND, make_command(IDCANCEL, 0), 0); }

// What every tool window does with keys and focus: Escape is the cancel
// command, Enter presses the default button, Tab and Shift+Tab move between
// the controls that are tab stops and stay inside the window. No key reaches
// the view behind a panel.
class tool_keys {
public:
    explicit tool_keys(pl_window* window) : window_(window) {}
    std::vector<QPointer<QWidget>> tab_stops;
    QPointer<QWidget> default_button;

    bool key(QKeyEvent* e) {
        if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
        if (e->key() == Qt::Key_Escape) {
            send_cancel(window_);
            return true;
        }
        if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && default_button) {
            dispatch_message(window_, WM_COMMAND, make_command(control_id(default_button), BN_CLICKED), 0);
            return true;
        }
        return false;
    }

    bool move_focus(bool next) {
        std::vector<QWidget*> stops;
        for (auto& w : tab_stops)
            if (w && w->isVisibleTo(w->window()) && w->isEnabled()) stops.push_back(w);
        if (stops.empty()) return true;
        QWidget* focus = QApplication::focusWidget();
        auto at = std::find_if(stops.begin(), stops.end(), [&](QWidget* w) { return w == focus || w->isAncestorOf(focus); });
        int n = static_cast<int>(stops.size());
        int i = at == stops.end() ? (next ? -1 : 0) : static_cast<int>(at - stops.begin());
        stops[((i + (next ? 1 : -1)) % n + n) % n]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }

private:
    unsigned control_id(QWidget* w) const {
        for (auto& [id, c] : window_->controls)
            if (c == w) return id;
        return 0;
    }
    pl_window* window_;
};

// Moves a panel by the user's hand: it keeps to the place it is put, inside
// the client area.
void move_panel(QWidget* panel, QPoint to);

// A cross in the caption's text colour: the style's own close icon is drawn
// for a title bar of its own colours and all but vanishes on ours.
QIcon close_icon(const QColor& colour) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(7, 7, 25, 25);
    p.drawLine(25, 7, 7, 25);
    return QIcon(pixmap);
}

// The caption bar of a panel: its title, a close box, and the place to drag
// the panel by.
class caption_bar : public QWidget {
public:
    caption_bar(const QString& title, QWidget* panel, pl_window* window) : QWidget(panel), title_(title), panel_(panel) {
        QFont f = dialog_font();
        f.setBold(true);
        setFont(f);
        close_ = new QToolButton(this);
        close_->setIcon(close_icon(palette().color(QPalette::HighlightedText)));
        close_->setAutoRaise(true);
        close_->setFocusPolicy(Qt::NoFocus);
        close_->setAccessibleName(QStringLiteral("Close"));
        close_->setToolTip(QStringLiteral("Close"));
        QObject::connect(close_, &QToolButton::clicked, close_, [window] { send_cancel(window); });
        setFixedHeight(QFontMetrics(f).height() + 4);
    }

protected:
    void resizeEvent(QResizeEvent*) override {
        int side = height() - 2;
        close_->setGeometry(width() - side - 1, 1, side, side);
        close_->setIconSize(QSize(side - 4, side - 4));
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Highlight));
        p.setPen(palette().color(QPalette::HighlightedText));
        p.drawText(rect().adjusted(4, 0, -height(), 0), Qt::AlignVCenter | Qt::AlignLeft, title_);
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) grab_ = e->globalPosition().toPoint() - panel_->pos();
        dragging_ = e->button() == Qt::LeftButton;
        e->accept();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        e->accept();
        if (dragging_) move_panel(panel_, e->globalPosition().toPoint() - grab_);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        dragging_ = false;
        e->accept();
    }

private:
    QString title_;
    QWidget* panel_;
    QToolButton* close_;
    QPoint grab_;
    bool dragging_ = false;
};

}  // namespace

// A panel: a raised frame inside the main window's client area, with a caption
// bar and a sunken client area holding the controls. It takes every mouse and
// key event given to it, so nothing falls through to the view.
class panel_frame : public QFrame {
public:
    panel_frame(pl_window* window, QWidget* parent, dialog_corner corner, QPoint margin)
        : QFrame(parent), keys(window), corner_(corner), margin_(margin) {
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        setLineWidth(2);
        setAutoFillBackground(true);
        setFocusPolicy(Qt::NoFocus);
        parent->installEventFilter(this);  // follows the client area's size
    }
    tool_keys keys;

    // Where the panel stands: in its corner until the user moves it, then
    // where the user put it; inside the client area either way, caption first.
    void place(QPoint to, bool by_user) {
        const QRect area = parentWidget()->rect();
        if (by_user) moved_ = true;
        if (!moved_) {
            const bool right = corner_ == DLG_TOP_RIGHT || corner_ == DLG_BOTTOM_RIGHT;
            const bool bottom = corner_ == DLG_BOTTOM_LEFT || corner_ == DLG_BOTTOM_RIGHT;
            to = QPoint(right ? area.width() - width() - margin_.x() : margin_.x(),
                        bottom ? area.height() - height() - margin_.y() : margin_.y());
        }
        to.setX(std::clamp(to.x(), 0, std::max(0, area.width() - width())));
        to.setY(std::clamp(to.y(), 0, std::max(0, area.height() - height())));
        if (to != pos()) move(to);
    }

    // Any press inside the panel, on a control too, brings it to the front.
    void watch_presses() {
        for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == parentWidget()) {
            if (e->type() == QEvent::Resize && isVisible()) place(pos(), false);
        } else if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) {
            raise();
        }
        return false;
    }
    void showEvent(QShowEvent* e) override {
        place(pos(), false);
        QFrame::showEvent(e);
    }
    void mousePressEvent(QMouseEvent* e) override { raise(), e->accept(); }
    void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { e->accept(); }
    void mouseMoveEvent(QMouseEvent* e) override { e->accept(); }
    void wheelEvent(QWheelEvent* e) override { e->accept(); }
    void keyPressEvent(QKeyEvent* e) override { keys.key(e), e->accept(); }
    void keyReleaseEvent(QKeyEvent* e) override { e->accept(); }
    bool focusNextPrevChild(bool next) override { return keys.move_focus(next); }

private:
    dialog_corner corner_;
    QPoint margin_;       // from the corner to the nearest edges, pixels
    bool moved_ = false;  // the user has put it somewhere
};

namespace {

void move_panel(QWidget* panel, QPoint to) {
    if (auto* p = dynamic_cast<panel_frame*>(panel)) p->place(to, true);
}

}  // namespace

// The About box: a window of its own, owned by the main window (it stays in
// front of it), not modal. Its close box is the cancel command; it is hidden,
// never closed, by the dialog procedure.
class popup_window : public QDialog {
public:
    popup_window(pl_window* window, QWidget* owner) : QDialog(owner), keys(window), window_(window) {
        setModal(false);
        // a caption with a close box, nothing to minimise, maximise or resize
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowCloseButtonHint);
    }
    tool_keys keys;

protected:
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        send_cancel(window_);
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (!keys.key(e)) QDialog::keyPressEvent(e);
    }
    bool focusNextPrevChild(bool next) override { return keys.move_focus(next); }
    void reject() override { send_cancel(window_); }
    // Centred on the main window when first shown: when it is made, the window
    // manager may not have placed the main window yet. Later shows keep where
    // the user put it.
    void showEvent(QShowEvent* e) override {
        if (!placed_ && parentWidget()) {
            const QRect owner = parentWidget()->window()->frameGeometry();
            move(owner.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
            placed_ = true;
        }
        QDialog::showEvent(e);
    }

private:
    pl_window* window_;
    bool placed_ = false;
};

int dialog_units_x(int units) { return (units * base_units().width() + 2) / 4; }
int dialog_units_y(int units) { return (units * base_units().height() + 4) / 8; }

const char* dialog_font_face() {
    static const std::string face = QFontInfo(dialog_font()).family().toStdString();
    return face.c_str();
}

pl_window* create_dialog(const dialog_template& templ, pl_window* parent, window_proc proc) {
    QWidget* area = panel_area(parent);
    if (!area) return nullptr;
    pl_window* window = new_window_record();
    window->proc = proc;
    window->parent = parent;
    const QString title = QString::fromUtf8(templ.title);

    tool_keys* keys;
    QWidget* frame;
    auto* client = new QFrame;
    client->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);  // the sunken client edge
    const int edge = client->frameWidth();
    const QRect inside = to_pixels(0, 0, templ.cx, templ.cy);
    client->setFixedSize(inside.width() + 2 * edge, inside.height() + 2 * edge);
    client->setFont(dialog_font());

    if (templ.kind == DLG_PANEL) {
        auto* panel = new panel_frame(window, area, templ.corner,
                                      QPoint(dialog_units_x(templ.x), dialog_units_y(templ.y)));
        auto* layout = new QVBoxLayout(panel);
        layout->setContentsMargins(panel->frameWidth(), panel->frameWidth(), panel->frameWidth(), panel->frameWidth());
        layout->setSpacing(0);
        layout->addWidget(new caption_bar(title, panel, window));
        layout->addWidget(client);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        keys = &panel->keys;
        frame = panel;
    } else {
        auto* popup = new popup_window(window, parent->widget);
        auto* layout = new QVBoxLayout(popup);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(client);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        keys = &popup->keys;
        frame = popup;
    }
    frame->setWindowTitle(title);
    frame->setAccessibleName(title);
    frame->hide();
    window->widget = frame;

    for (int i = 0; i < templ.control_count; ++i) {
        const control_template& t = templ.controls[i];
        QRect place = to_pixels(t.x, t.y, t.cx, t.cy).translated(edge, edge);
        QWidget* w = create_control(window, t, place, client);
        window->controls[t.id] = w;
        if (t.style & CTL_TAB_STOP) keys->tab_stops.push_back(w);
        if (is_default_button(w)) keys->default_button = w;
    }
    frame->adjustSize();
    if (auto* panel = dynamic_cast<panel_frame*>(frame)) panel->watch_presses();

    dispatch_message(window, WM_INITDIALOG, 0, 0);
    if (templ.visible && !window->destroyed) {
        frame->show();
        frame->raise();
        if (window->pending_focus) window->pending_focus->setFocus(Qt::OtherFocusReason);
    }
    window->pending_focus = nullptr;
    return window;
}

void destroy_tool_window(pl_window* window) {
    if (!window || window->destroyed) return;
    if (captured == window) captured = nullptr;
    dispatch_message(window, WM_DESTROY, 0, 0);
    window->destroyed = true;
    window->proc = nullptr;
    window->controls.clear();
    if (window->widget) {
        window->widget->hide();
        window->widget->deleteLater();  // we may be inside one of its own events
    }
}

// ---- Capture and focus ------------------------------------------------------------

namespace {

// While a tool window holds the capture, every release and move goes to its
// procedure, as Windows sends them to the capturing window itself rather than
// to the control under the pointer. The main window's view already gets the
// events of a press that began on it (Qt grabs the mouse for the pressed
// widget); anything bound elsewhere is sent to it.
class capture_filter : public QObject {
protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (!captured || captured->destroyed) return false;
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonRelease && type != QEvent::MouseMove) return false;
        auto* w = qobject_cast<QWidget*>(object);
        if (!w) return false;
        const bool main = !captured->parent;
        QWidget* target = main ? client_area(captured) : captured->widget.data();
        if (!target || (main && w == target)) return false;
        auto* e = static_cast<QMouseEvent*>(event);
        unsigned message = WM_MOUSEMOVE;
        if (type == QEvent::MouseButtonRelease) {
            if (e->button() == Qt::LeftButton) message = WM_LBUTTONUP;
            else if (e->button() == Qt::RightButton) message = WM_RBUTTONUP;
            else return true;
        }
        const QPoint p = target->mapFromGlobal(e->globalPosition().toPoint());
        unsigned flags = 0;
        if (e->buttons() & Qt::LeftButton) flags |= MK_LBUTTON;
        if (e->buttons() & Qt::RightButton) flags |= MK_RBUTTON;
        if (e->modifiers() & Qt::ShiftModifier) flags |= MK_SHIFT;
        if (e->modifiers() & Qt::ControlModifier) flags |= MK_CONTROL;
        dispatch_message(captured, message, flags, make_lparam(p.x(), p.y()));
        return true;
    }
};

}  // namespace

void install_capture_filter() {
    static capture_filter filter;
    qApp->installEventFilter(&filter);
}

void set_capture(pl_window* window) { captured = window && !window->destroyed ? window : nullptr; }
void release_capture() { captured = nullptr; }
pl_window* capture_window() { return captured; }

void set_focus(pl_window* window) {
    if (!window || window->destroyed) return;
    if (!window->parent) {
        if (QWidget* view = client_area(window)) view->setFocus(Qt::MouseFocusReason);
    } else if (window->widget) {
        window->widget->setFocus(Qt::OtherFocusReason);
    }
}

void set_focus_control(pl_window* dialog, unsigned id) {
    if (!dialog || dialog->destroyed) return;
    auto it = dialog->controls.find(id);
    if (it == dialog->controls.end() || !it->second) return;
    if (dialog->widget && !dialog->widget->isVisible()) dialog->pending_focus = it->second;
    it->second->setFocus(Qt::OtherFocusReason);
}

// ---- Screen readers ------------------------------------------------------------------

namespace {

// Qt describes its own widgets; the program's picture buttons and panels are
// described here: buttons and dialogs named by their accessible names.
QAccessibleInterface* describe(const QString&, QObject* object) {
    auto* w = qobject_cast<QWidget*>(object);
    if (!w) return nullptr;
    if (is_picture_button(object)) return new QAccessibleWidget(w, QAccessible::Button);
    if (dynamic_cast<panel_frame*>(object)) return new QAccessibleWidget(w, QAccessible::Dialog);
    return nullptr;
}

}  // namespace

void install_accessibility() { QAccessible::installFactory(describe); }
