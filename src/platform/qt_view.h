// The main window's client area: an OpenGL view whose frames the program
// draws whenever it likes (draw, then present), not only when the toolkit
// asks for a paint. Its input becomes the main window's messages.
#pragma once

#include <QOpenGLWidget>
#include <QPoint>
#include <QTimer>

#include "platform/window.h"

class view_widget : public QOpenGLWidget {
public:
    explicit view_widget(pl_window* owner);

    // A tip at a point of the view (logical pixels), going when the pointer
    // leaves the few pixels around it.
    void tip(QPoint at, const QString& text);

    bool ready() const { return context_ok_; }

    // The program has taken the view's context (view_context): from now on the
    // toolkit's paints reach it as WM_PAINT.
    void hand_over() { handed_over_ = true; }

    // Shows the frame just drawn in this view's framebuffer. The toolkit
    // composes the window as soon as the message that drew it returns, in one
    // pass with whatever else of the window that message changed (a panel's
    // list, an appended report): each composition redraws the whole window.
    void present();

    int pixels(int logical) const { return static_cast<int>(logical * devicePixelRatioF() + 0.5); }

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    lparam position(QMouseEvent* e) const;
    void mouse(QMouseEvent* e, bool down);

    pl_window* owner_;
    QTimer hover_;  // started by every move without a button
    QPoint rest_;   // where the pointer last moved to, logical pixels
    bool context_ok_ = false;
    bool handed_over_ = false;
    bool painting_ = false;
    bool frame_waiting_ = false;  // presented, not yet composed
};
