// The legend's picture, painted with Qt into an image. A font given by its
// file's family at a pixel size, grey anti-aliasing and no hinting: the
// viewer's screen and a render without a display then give the same pixels.
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "image/image.h"
#include "platform/legend_image.h"

namespace {

constexpr int PAD = 7;          // inside the frame, pixels
constexpr int BOX_W = 16, BOX_H = 11;
constexpr int GAP = 6;          // between a box and its text, and between the columns
constexpr int MAX_TITLE = 260;  // a longer label is cut short with an ellipsis

// Text needs a toolkit running; a program without windows (plexar-cli) gets
// one that draws nowhere.
void ensure_toolkit() {
    if (QCoreApplication::instance()) return;
    static int argc = 3;
    static char name[] = "plexar", platform[] = "-platform", offscreen[] = "offscreen";
    static char* argv[] = {name, platform, offscreen, nullptr};
    // what the toolkit says of its own set-up (no runtime folder, say) is no
    // business of a command's user
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtFatalMsg || type == QtCriticalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    new QGuiApplication(argc, argv);  // lives as long as the process
}

QFont legend_font(bool bold) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(12);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
    return font;
}

}  // namespace

int paint_legend(const legend_text& legend, rgb_image* image, std::vector<pixel_rect>* boxes) {
    ensure_toolkit();
    const QFont plain = legend_font(false), bold = legend_font(true);
    const QFontMetrics pm(plain), bm(bold);
    const QString title = bm.elidedText(QString::fromUtf8(legend.title.c_str()), Qt::ElideRight, MAX_TITLE);
    const QString footer = QString::fromUtf8(legend.footer.c_str());
    const int line = std::max(pm.height(), BOX_H) + 3;

    int range_w = 0, count_w = 0;
    for (const legend_text::row& r : legend.rows) {
        range_w = std::max(range_w, pm.horizontalAdvance(QString::fromUtf8(r.range.c_str())));
        count_w = std::max(count_w, pm.horizontalAdvance(QString::fromUtf8(r.count.c_str())));
    }
    const int rows_w = BOX_W + GAP + range_w + 2 * GAP + count_w;
    const int width = 2 * PAD + std::max({rows_w, bm.horizontalAdvance(title), pm.horizontalAdvance(footer)});
    const int height = 2 * PAD + bm.height() + 4 + line * int(legend.rows.size()) + 2 + pm.height();

    QImage picture(width, height, QImage::Format_RGB888);
    picture.fill(QColor(255, 255, 255));
    QPainter p(&picture);
    p.setPen(QColor(96, 96, 96));
    p.drawRect(0, 0, width - 1, height - 1);
    p.setPen(Qt::black);
    p.setFont(bold);
    int y = PAD;
    p.drawText(QRect(PAD, y, width - 2 * PAD, bm.height()), Qt::AlignLeft | Qt::AlignVCenter, title);
    y += bm.height() + 4;
    p.setFont(plain);
    if (boxes) boxes->clear();
    for (const legend_text::row& r : legend.rows) {
        const QRect box(PAD, y + (line - BOX_H) / 2, BOX_W, BOX_H);
        p.fillRect(box, QColor(r.r, r.g, r.b));
        p.setPen(QColor(64, 64, 64));
        p.drawRect(box.adjusted(-1, -1, 0, 0));  // a frame just outside the colour
        p.setPen(Qt::black);
        const int text_x = PAD + BOX_W + GAP;
        p.drawText(QRect(text_x, y, range_w, line), Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(r.range.c_str()));
        p.drawText(QRect(text_x + range_w + 2 * GAP, y, count_w, line), Qt::AlignRight | Qt::AlignVCenter,
                   QString::fromUtf8(r.count.c_str()));
        // the record's rows run bottom-up
        if (boxes) boxes->push_back({box.x(), height - box.y() - box.height(), box.width(), box.height()});
        y += line;
    }
    y += 2;
    p.drawText(QRect(PAD, y, width - 2 * PAD, pm.height()), Qt::AlignLeft | Qt::AlignVCenter, footer);
    p.end();

    if (!image_alloc(width, height, 3, image)) return 0;
    for (int row = 0; row < height; ++row)
        std::memcpy(image->pixels + std::size_t(height - 1 - row) * width * 3, picture.constScanLine(row),
                    std::size_t(width) * 3);
    return 1;
}
