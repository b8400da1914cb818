// The yardstick for the viewer's start-up: an empty Qt OpenGL window of the
// same size and surface format, measured as bench_app measures the viewer
// (from main and from the start of the process to its first frame drawn and
// on screen, then the resident memory once it has settled).
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build-release/bench_qt_empty
#include <QApplication>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QSurfaceFormat>
#include <QTimer>

#include "bench_startup.h"

namespace {

class empty_view : public QOpenGLWidget, protected QOpenGLFunctions {
public:
    explicit empty_view(const bench::stopwatch& clock) : clock_(clock) {}
    double drawn_ms = -1.0;

protected:
    void initializeGL() override { initializeOpenGLFunctions(); }
    void paintGL() override {
        glClearColor(0.6275f, 0.6275f, 0.6275f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();  // as the viewer's present does
        if (drawn_ms < 0) drawn_ms = clock_.ms();
    }

private:
    const bench::stopwatch& clock_;
};

}  // namespace

int main(int argc, char** argv) {
    bench::stopwatch from_main;
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
    QApplication app(argc, argv);
    empty_view view(from_main);
    view.resize(1024, 768);
    double shown = -1.0, from_process = -1.0;
    QObject::connect(&view, &QOpenGLWidget::frameSwapped, [&] {
        if (shown >= 0) return;
        shown = from_main.ms();
        from_process = bench::ms_since_process_start();
        QTimer::singleShot(500, [] { QCoreApplication::exit(0); });  // settle, as bench_app does
    });
    view.show();
    QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
    int code = app.exec();
    bench::report("empty QOpenGLWidget", view.drawn_ms, shown, from_process, bench::status_kb("VmRSS"),
                  bench::status_kb("VmHWM"));
    return code;
}
