#include "FileIcon.h"

#include "Ansi.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <cstdlib>

namespace kestrel {

QImage pictureFromBytes(const std::string& bytes, int side) {
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    QImage best;
    // An icon file holds several sizes: take the one nearest to the side asked for.
    do {
        const QImage image = reader.read();
        if (image.isNull())
            break;
        if (best.isNull() || std::abs(image.width() - side) < std::abs(best.width() - side))
            best = image;
    } while (reader.jumpToNextImage());
    if (best.isNull() || (best.width() == side && best.height() == side))
        return best;
    return best.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QImage LoadPictureFile(const QString& path, int side) {
    std::string bytes;
    if (path.isEmpty() || !Machine::current().readFile(toAnsi(path), bytes))
        return {};
    return pictureFromBytes(bytes, side);
}

int DrawFileIcon(const QString& file, int index, QPixmap& canvas) {
    Machine& machine = Machine::current();
    const std::string path = toAnsi(file);
    const int count = static_cast<int>(machine.iconCount(path));
    std::string ico;
    if (index < 0 || index >= count ||
        !machine.extractIcon(path, static_cast<std::uint32_t>(index), ico))
        return count;
    const QImage icon = pictureFromBytes(ico, IconSide);
    if (!icon.isNull() && !canvas.isNull()) {
        QPainter painter(&canvas);
        // A large icon is always drawn 32 by 32, whatever size its image has.
        painter.drawImage(QRect(0, 0, IconSide, IconSide), icon);
    }
    return count;
}

} // namespace kestrel
