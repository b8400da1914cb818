// Printing over Qt: the print dialog, QPrinter, and an offscreen OpenGL
// context whose framebuffer the page is drawn into, band by band, before
// QPainter puts each band on the page.
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QFile>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>
#include <memory>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/modal.h"
#include "platform/printer.h"
#include "platform/qt_layer.h"

namespace {

// A band holds at most this many pixels (4 bytes each): an A4 page at 1200
// dots an inch is 139 million pixels, far more than a printout should take
// from memory at once.
constexpr qint64 BAND_PIXELS = 8 * 1024 * 1024;

bool refuse_contexts = false;  // tests
int band_side_limit = 0;

}  // namespace

struct pl_printer {
    std::unique_ptr<QPrinter> printer;
    QPainter painter;
    std::unique_ptr<QOffscreenSurface> surface;
    std::unique_ptr<QOpenGLContext> context;
    std::unique_ptr<QOpenGLFramebufferObject> band;
    int page_width = 0, page_height = 0;
};

namespace {

pl_printer* wrap(std::unique_ptr<QPrinter> printer) {
    auto* p = new pl_printer;
    p->printer = std::move(printer);
    const QRect area = p->printer->pageLayout().paintRectPixels(p->printer->resolution());
    p->page_width = area.width();
    p->page_height = area.height();
    return p;
}

// Qt's own dialog, for a printer with the default printer's settings (a new
// QPrinter each time: nothing chosen in an earlier dialog carries over).
pl_printer* show_print_dialog(pl_window* owner) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), owner ? owner->widget.data() : nullptr);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setWindowTitle(QStringLiteral("Print"));
    if (dialog.exec() != QDialog::Accepted) return nullptr;
    return wrap(std::move(printer));
}

// Releases the context and its framebuffer; no context is current afterwards.
// A page takes some tens of megabytes while it is drawn (the band, its pixels,
// the driver's buffers); glibc keeps much of that once freed, so the
// free memory goes back to the system here rather than staying with a viewer
// that may run for days.
void drop_context(pl_printer* p) {
    if (p->context && p->surface && p->context->makeCurrent(p->surface.get())) {
        p->band.reset();
        p->context->doneCurrent();
    }
    p->band.reset();
    p->context.reset();
    p->surface.reset();
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

// What the user is told when the printer does not take the job. For a PDF
// file the reason is the file's: it is opened as the PDF writer would open it
// (without emptying a file that is there, and keeping none that was not).
std::string refusal(const QPrinter& printer) {
    const QString name = printer.outputFileName();
    if (printer.outputFormat() != QPrinter::PdfFormat || name.isEmpty()) {
        const QString printer_name = printer.printerName();
        return printer_name.isEmpty() ? "The printer refused the job!"
                                      : "The printer " + printer_name.toStdString() + " refused the job!";
    }
    QFile file(name);
    const bool existed = file.exists();
    QString reason = QStringLiteral("the PDF file could not be started");
    if (!file.open(QIODevice::Append)) reason = file.errorString();
    else if (!existed) file.remove();
    return "Can't print to " + name.toStdString() + ": " + reason.toStdString();
}

}  // namespace

void install_print_dialog() { set_print_dialog_handler(show_print_dialog); }

pl_printer* pdf_printer(const std::string& path) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QFile::decodeName(path.c_str()));
    return wrap(std::move(printer));
}

void printer_page_size(const pl_printer* p, int32_t* width, int32_t* height) {
    *width = p ? p->page_width : 0;
    *height = p ? p->page_height : 0;
}

bool printer_start(pl_printer* p, const char* document, std::string* refused) {
    if (!p || p->page_width <= 0 || p->page_height <= 0) return false;
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(0);
    p->surface = std::make_unique<QOffscreenSurface>();
    p->surface->setFormat(format);
    p->surface->create();
    p->context = std::make_unique<QOpenGLContext>();
    p->context->setFormat(format);
    if (refuse_contexts || !p->surface->isValid() || !p->context->create() ||
        !p->context->makeCurrent(p->surface.get())) {
        drop_context(p);
        return false;
    }
    // The band: the whole page where the driver's framebuffers, viewports and
    // the band's memory allow, else strips of whole rows, else tiles.
    QOpenGLFunctions* gl = p->context->functions();
    GLint max_texture = 0, max_renderbuffer = 0, max_viewport[2] = {0, 0};
    gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_texture);
    gl->glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &max_renderbuffer);
    gl->glGetIntegerv(GL_MAX_VIEWPORT_DIMS, max_viewport);
    int side = std::min({max_texture, max_renderbuffer, max_viewport[0], max_viewport[1]});
    if (band_side_limit > 0) side = std::min(side, band_side_limit);
    const int width = std::min(p->page_width, side);
    const int height = static_cast<int>(std::clamp<qint64>(BAND_PIXELS / std::max(width, 1), 1,
                                                           std::min(p->page_height, side)));
    if (side > 0) p->band = std::make_unique<QOpenGLFramebufferObject>(width, height);
    if (!p->band || !p->band->isValid()) {
        drop_context(p);
        return false;
    }
    p->printer->setDocName(QString::fromUtf8(document));
    if (!p->painter.begin(p->printer.get())) {
        if (refused) *refused = refusal(*p->printer);
        drop_context(p);
        return false;
    }
    return true;
}

bool printer_draw_page(pl_printer* p, band_fn draw, void* data) {
    if (!p || !p->band || !p->painter.isActive() || !p->context->makeCurrent(p->surface.get())) return false;
    QOpenGLFunctions* gl = p->context->functions();
    const int bw = p->band->width(), bh = p->band->height();
    // One band's pixels, read straight into an image in the form the PDF
    // writer takes (each read of a band into fresh memory costs tens of
    // megabytes of page faults, and every conversion as many again).
    QImage rows;
    for (int y = 0; y < p->page_height; y += bh) {
        for (int x = 0; x < p->page_width; x += bw) {
            const int w = std::min(bw, p->page_width - x), h = std::min(bh, p->page_height - y);
            p->band->bind();
            draw(x, y, w, h, data);
            if (rows.width() != w || rows.height() != h) rows = QImage(w, h, QImage::Format_RGB32);
            if (rows.isNull()) return false;
            // The band is drawn in the framebuffer's bottom-left corner, read
            // bottom row first; the page counts rows from the top.
            gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
            gl->glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.bits());
            rows = std::move(rows).mirrored();  // in place
            p->painter.drawImage(QPoint(x, p->page_height - y - h), rows);
        }
    }
    p->band->release();
    return true;
}

void printer_finish(pl_printer* p) {
    if (!p) return;
    if (p->painter.isActive()) p->painter.end();  // the page and the document: the job goes out
    drop_context(p);
    delete p;
}

void printer_abort(pl_printer* p) {
    if (!p) return;
    if (p->painter.isActive()) {
        p->printer->abort();
        p->painter.end();
        // a PDF printer cannot take back what it wrote: no half page is left behind
        if (p->printer->outputFormat() == QPrinter::PdfFormat && !p->printer->outputFileName().isEmpty())
            QFile::remove(p->printer->outputFileName());
    }
    drop_context(p);
    delete p;
}

void set_printer_test_limits(bool refuse_context, int max_band_side) {
    refuse_contexts = refuse_context;
    band_side_limit = max_band_side;
}
