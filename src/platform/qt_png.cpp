#include <QBuffer>
#include <QImage>

#include "platform/files.h"
#include "platform/png.h"

int save_png(const char* path, const rgb_image* image) {
    if (!image->pixels || image->width <= 0 || image->height <= 0) return 0;
    // the record's rows are bottom-up, a PNG's top-down
    const QImage rows(image->pixels, image->width, image->height, qsizetype(image->width) * 3, QImage::Format_RGB888);
    QByteArray bytes;
    QBuffer out(&bytes);
    if (!out.open(QIODevice::WriteOnly) || !rows.mirrored(false, true).save(&out, "PNG")) return 0;
    return replace_file(path, bytes.constData(), static_cast<std::size_t>(bytes.size())) ? 1 : 0;
}
