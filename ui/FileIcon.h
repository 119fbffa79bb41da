#pragma once
// Pictures of files on the machine: icon files and other pictures as the pages show them, and
// DrawFileIcon, which counts the icons of a file and draws one of them.

#include <QImage>
#include <QPixmap>
#include <QString>
#include <string>

namespace kestrel {

// The side of a large icon, in pixels.
constexpr int IconSide = 32;

// A picture from the bytes of a picture file (.ico, .bmp, .png, .gif, .jpg): of an icon file the
// image nearest to side by side, scaled to fit that square. Null when the bytes are no picture.
QImage pictureFromBytes(const std::string& bytes, int side = IconSide);
// The same from a file of the machine (a DOS path); null when it is missing or no picture.
QImage LoadPictureFile(const QString& path, int side = IconSide);

// The number of icons in the file (0 when it is missing or holds none). Unless index is -1,
// also draws that icon of the file at the large size at 0,0 of the canvas; an index the file
// does not have draws nothing.
int DrawFileIcon(const QString& file, int index, QPixmap& canvas);

} // namespace kestrel
