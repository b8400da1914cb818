// The main window's OpenGL view: paints, presents, and the mouse, wheel and
// keys over it turned into the main window's messages.
#include "platform/qt_view.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QToolTip>

#include <algorithm>

#include "platform/qt_layer.h"
#include "platform/surface.h"

namespace {

unsigned key_flags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    unsigned flags = 0;
    if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
    if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) flags |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier) flags |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) flags |= MK_CONTROL;
    return flags;
}

}  // namespace

view_widget::view_widget(pl_window* owner) : owner_(owner) {
    // The frame drawn outside a paint must survive until it is composed.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    setMouseTracking(true);  // moves arrive without a button held, too
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Map view"));
    // The pointer at rest over the view, no button held, for half a second.
    hover_.setSingleShot(true);
    hover_.setInterval(500);
    QObject::connect(&hover_, &QTimer::timeout, this, [this] {
        if (QGuiApplication::mouseButtons() == Qt::NoButton && underMouse())
            dispatch_message(owner_, WM_MOUSEHOVER, 0, make_lparam(pixels(rest_.x()), pixels(rest_.y())));
    });
}

void view_widget::tip(QPoint at, const QString& text) {
    if (text.isEmpty()) return QToolTip::hideText();
    QToolTip::showText(mapToGlobal(at), text, this, QRect(at - QPoint(4, 4), QSize(9, 9)));
}

void view_widget::present() {
    if (painting_ || !isVisible()) return;  // a paint shows its frame when it ends
    frame_waiting_ = true;
    update();
}

void view_widget::initializeGL() {
    context_ok_ = context() && context()->isValid();
    frame_outdated();
}

void view_widget::resizeGL(int width, int height) {
    frame_outdated();  // the framebuffer is new and empty
    frame_waiting_ = false;
    dispatch_message(owner_, WM_SIZE, 0, make_lparam(pixels(width), pixels(height)));
}

void view_widget::paintGL() {
    if (frame_waiting_) {  // the frame presented is already in the framebuffer
        frame_waiting_ = false;
        return;
    }
    // Showing the window paints it at once, before the program has its
    // context or any scene: that paint draws nothing, and the scene start-up
    // draws the first frame, as a paint message would only have come from the
    // message loop.
    if (!handed_over_) return;
    painting_ = true;
    dispatch_message(owner_, WM_PAINT, 0, 0);
    painting_ = false;
    take_frame_drawn();  // this paint shows what it drew
}

void view_widget::keyReleaseEvent(QKeyEvent* e) {
    if (!e->isAutoRepeat()) dispatch_message(owner_, WM_KEYUP, e->nativeVirtualKey(), 0);
}

void view_widget::mousePressEvent(QMouseEvent* e) {
    hover_.stop();
    QToolTip::hideText();
    mouse(e, true);
}

void view_widget::mouseReleaseEvent(QMouseEvent* e) { mouse(e, false); }

void view_widget::mouseMoveEvent(QMouseEvent* e) {
    rest_ = e->position().toPoint();
    if (e->buttons() == Qt::NoButton) hover_.start();
    else hover_.stop();
    dispatch_message(owner_, WM_MOUSEMOVE, key_flags(e->buttons(), e->modifiers()), position(e));
}

void view_widget::leaveEvent(QEvent* e) {
    hover_.stop();
    QOpenGLWidget::leaveEvent(e);
}

// A quick second click is a second press.
void view_widget::mouseDoubleClickEvent(QMouseEvent* e) { mouse(e, true); }

// The wheel's turn in eighths of a degree, 120 a notch; a touchpad sends parts
// of a notch.
void view_widget::wheelEvent(QWheelEvent* e) {
    e->accept();
    const int delta = std::clamp(e->angleDelta().y(), -32768, 32767);
    if (delta == 0) return;
    const QPoint p = e->position().toPoint();
    const wparam w = (wparam(uint16_t(int16_t(delta))) << 16) | key_flags(e->buttons(), e->modifiers());
    dispatch_message(owner_, WM_MOUSEWHEEL, w, make_lparam(pixels(p.x()), pixels(p.y())));
}

lparam view_widget::position(QMouseEvent* e) const {
    QPoint p = e->position().toPoint();
    return make_lparam(pixels(p.x()), pixels(p.y()));
}

void view_widget::mouse(QMouseEvent* e, bool down) {
    unsigned message;
    if (e->button() == Qt::LeftButton) message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    else if (e->button() == Qt::RightButton) message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    else return;
    dispatch_message(owner_, message, key_flags(e->buttons(), e->modifiers()), position(e));
}
