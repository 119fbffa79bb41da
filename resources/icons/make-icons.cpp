// Draws Kestrel's own icons and writes them as PNG files next to this source:
//   tree/<key>.png   the 22 pictures of the navigation tree, 16×16
//   app.png          the program's icon (32×32), app-<n>.png in more sizes for the desktop
//   default.png      a plain document, 32×32, 256 colours
//   folder.png       a closed folder, 32×32, 256 colours
// Run it after changing a picture (cmake --build build --target kestrel-make-icons, then
// build/resources/icons/kestrel-make-icons resources/icons) and commit the PNG files.
//
// Every picture is drawn on a 16-unit grid with one palette and one outline colour, so the set
// looks alike at any size.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

namespace {

// The palette.
const QColor Outline(0x33, 0x3b, 0x48);
const QColor White(0xff, 0xff, 0xff);
const QColor Paper(0xf4, 0xf6, 0xf8);
const QColor Grey(0x9a, 0xa4, 0xb1);
const QColor LightGrey(0xd5, 0xda, 0xe1);
const QColor Blue(0x2f, 0x74, 0xd0);
const QColor LightBlue(0x8e, 0xc1, 0xf2);
const QColor Yellow(0xf3, 0xbf, 0x3f);
const QColor DarkYellow(0xd6, 0x9b, 0x1e);
const QColor Green(0x3e, 0xa8, 0x55);
const QColor Red(0xd9, 0x4a, 0x3d);
const QColor Orange(0xe8, 0x84, 0x2c);
const QColor Brown(0x8a, 0x5a, 0x34);

using Drawing = std::function<void(QPainter&)>;

QPen outline(qreal width = 1.0) {
    QPen pen(Outline, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

// A rectangle whose 1-unit outline sits on the pixel grid at 16×16.
QRectF box(qreal x, qreal y, qreal w, qreal h) {
    return QRectF(x + 0.5, y + 0.5, w - 1, h - 1);
}

void fillBox(QPainter& p, const QRectF& r, const QColor& fill, qreal radius = 0) {
    p.setPen(outline());
    p.setBrush(fill);
    if (radius > 0)
        p.drawRoundedRect(r, radius, radius);
    else
        p.drawRect(r);
}

void line(QPainter& p, qreal x1, qreal y1, qreal x2, qreal y2, const QColor& c, qreal w = 1) {
    QPen pen(c, w);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void folder(QPainter& p, qreal x, qreal y, qreal w, qreal h) {
    QPainterPath tab;
    tab.moveTo(x + 0.5, y + 2.5);
    tab.lineTo(x + 0.5, y + 0.5);
    tab.lineTo(x + w * 0.4, y + 0.5);
    tab.lineTo(x + w * 0.4 + 1.5, y + 2.5);
    p.setPen(outline());
    p.setBrush(DarkYellow);
    p.drawPath(tab);
    fillBox(p, box(x, y + 2, w, h - 2), Yellow);
    line(p, x + 1, y + 3.5, x + w - 1, y + 3.5, QColor(0xfa, 0xdc, 0x8a));
}

void document(QPainter& p, qreal x, qreal y, qreal w, qreal h) {
    QPainterPath page;
    page.moveTo(x + 0.5, y + 0.5);
    page.lineTo(x + w - 3.5, y + 0.5);
    page.lineTo(x + w - 0.5, y + 3.5);
    page.lineTo(x + w - 0.5, y + h - 0.5);
    page.lineTo(x + 0.5, y + h - 0.5);
    page.closeSubpath();
    p.setPen(outline());
    p.setBrush(White);
    p.drawPath(page);
    p.setBrush(LightGrey);
    QPainterPath corner;
    corner.moveTo(x + w - 3.5, y + 0.5);
    corner.lineTo(x + w - 3.5, y + 3.5);
    corner.lineTo(x + w - 0.5, y + 3.5);
    p.drawPath(corner);
}

void drive(QPainter& p, qreal x, qreal y, qreal w, qreal h, const QColor& led) {
    fillBox(p, box(x, y, w, h), LightGrey, 1.5);
    line(p, x + 2, y + h - 3.5, x + w - 5, y + h - 3.5, Grey);
    p.setPen(Qt::NoPen);
    p.setBrush(led);
    p.drawRect(QRectF(x + w - 4, y + h - 4, 2, 1));
}

void globe(QPainter& p, qreal cx, qreal cy, qreal r) {
    p.setPen(outline());
    p.setBrush(LightBlue);
    p.drawEllipse(QPointF(cx, cy), r, r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Blue, 0.9));
    p.drawEllipse(QPointF(cx, cy), r * 0.45, r - 0.3);
    p.drawLine(QPointF(cx - r + 0.5, cy), QPointF(cx + r - 0.5, cy));
    p.drawLine(QPointF(cx, cy - r + 0.5), QPointF(cx, cy + r - 0.5));
}

void magnifier(QPainter& p, qreal cx, qreal cy, qreal r) {
    QPen handle(Outline, 2.2);
    handle.setCapStyle(Qt::RoundCap);
    p.setPen(handle);
    p.drawLine(QPointF(cx + r * 0.7, cy + r * 0.7), QPointF(cx + r * 1.8, cy + r * 1.8));
    p.setPen(outline());
    p.setBrush(QColor(0xe8, 0xf3, 0xfd));
    p.drawEllipse(QPointF(cx, cy), r, r);
}

void window(QPainter& p, qreal x, qreal y, qreal w, qreal h, const QColor& title) {
    fillBox(p, box(x, y, w, h), White);
    p.setPen(Qt::NoPen);
    p.setBrush(title);
    p.drawRect(QRectF(x + 1, y + 1, w - 2, 2.5));
}

// --- The navigation tree ------------------------------------------------------------------------

const std::map<std::string, Drawing>& treePictures() {
    static const std::map<std::string, Drawing> pictures = {
        // Start menu: the menu column over its button.
        {"imgWin",
         [](QPainter& p) {
             fillBox(p, box(1, 1, 10, 11), White);
             p.setPen(Qt::NoPen);
             p.setBrush(Blue);
             p.drawRect(QRectF(1.5, 1.5, 2.5, 10));
             for (int i = 0; i < 4; ++i)
                 line(p, 5.5, 3.5 + 2 * i, 9.5, 3.5 + 2 * i, Grey);
             fillBox(p, box(1, 12, 8, 4), Green, 1);
             p.setPen(Qt::NoPen);
             p.setBrush(White);
             p.drawRect(QRectF(2.5, 13.5, 1.5, 1.5));
         }},
        // On start-up: a notice window with an exclamation mark.
        {"imgStart",
         [](QPainter& p) {
             window(p, 0, 2, 16, 12, Blue);
             p.setPen(outline());
             p.setBrush(Yellow);
             QPainterPath tri;
             tri.moveTo(5, 12.5);
             tri.lineTo(8, 6.5);
             tri.lineTo(11, 12.5);
             tri.closeSubpath();
             p.drawPath(tri);
             line(p, 8, 8.5, 8, 10.5, Outline);
             line(p, 8, 11.3, 8, 12, Outline);
         }},
        // Control panel: a panel with three sliders.
        {"ControlPanel",
         [](QPainter& p) {
             fillBox(p, box(0, 1, 16, 14), Paper, 1.5);
             const qreal knobs[3] = {5, 10, 7};
             const QColor colors[3] = {Blue, Green, Orange};
             for (int i = 0; i < 3; ++i) {
                 const qreal x = 4 + 4 * i;
                 line(p, x, 3.5, x, 12.5, Grey);
                 p.setPen(outline());
                 p.setBrush(colors[i]);
                 p.drawRect(QRectF(x - 1.5, knobs[i] - 1, 3, 2));
             }
         }},
        // The browser: a globe.
        {"imgIE", [](QPainter& p) { globe(p, 8, 8, 7); }},
        // A group of pages: a closed folder.
        {"RootDir", [](QPainter& p) { folder(p, 0, 2, 16, 12); }},
        // Explorer: a folder with a window in front of it.
        {"imgExpl",
         [](QPainter& p) {
             folder(p, 0, 1, 12, 10);
             window(p, 5, 7, 11, 8, Blue);
         }},
        // About: a blue disc with an "i".
        {"imgHlp",
         [](QPainter& p) {
             p.setPen(outline());
             p.setBrush(Blue);
             p.drawEllipse(QPointF(8, 8), 7, 7);
             p.setPen(Qt::NoPen);
             p.setBrush(White);
             p.drawEllipse(QPointF(8, 4.8), 1.2, 1.2);
             p.drawRect(QRectF(7, 7, 2, 5.5));
         }},
        // Active desktop: a monitor showing a landscape.
        {"imgDesk",
         [](QPainter& p) {
             fillBox(p, box(0, 1, 16, 11), LightGrey, 1);
             p.setPen(Qt::NoPen);
             p.setBrush(LightBlue);
             p.drawRect(QRectF(2, 3, 12, 7));
             p.setBrush(Green);
             QPainterPath hill;
             hill.moveTo(2, 10);
             hill.lineTo(6, 6);
             hill.lineTo(9, 8.5);
             hill.lineTo(11, 7);
             hill.lineTo(14, 10);
             hill.closeSubpath();
             p.drawPath(hill);
             p.setBrush(Yellow);
             p.drawEllipse(QPointF(11.5, 4.8), 1.2, 1.2);
             fillBox(p, box(5, 12, 6, 3), Grey);
         }},
        // Folder icon: a folder with a star on it.
        {"imgFldIco",
         [](QPainter& p) {
             folder(p, 0, 2, 16, 12);
             QPainterPath star;
             for (int i = 0; i < 10; ++i) {
                 const qreal r = i % 2 ? 1.6 : 3.8;
                 const qreal a = -M_PI / 2 + i * M_PI / 5;
                 const QPointF pt(10 + r * std::cos(a), 9.5 + r * std::sin(a));
                 i ? star.lineTo(pt) : star.moveTo(pt);
             }
             star.closeSubpath();
             p.setPen(QPen(Outline, 0.8));
             p.setBrush(Red);
             p.drawPath(star);
         }},
        // Disk icon: a hard disk with a coloured label.
        {"imgDrvIco",
         [](QPainter& p) {
             drive(p, 0, 5, 16, 8, Green);
             p.setPen(outline());
             p.setBrush(Orange);
             p.drawRect(box(9, 1, 6, 6));
         }},
        // Administration tools: a wrench.
        {"imgAdm",
         [](QPainter& p) {
             p.translate(8, 8);
             p.rotate(45);
             p.setPen(outline());
             p.setBrush(Grey);
             p.drawRoundedRect(QRectF(-1.5, -2, 3, 9.5), 1, 1);
             QPainterPath head;
             head.addEllipse(QPointF(0, -4), 3.6, 3.6);
             QPainterPath slot;
             slot.addRect(QRectF(-1.2, -8, 2.4, 4.5));
             p.drawPath(head.subtracted(slot));
             p.resetTransform();
         }},
        // Context menu: a pop-up menu and the mouse pointer.
        {"imgMenu",
         [](QPainter& p) {
             fillBox(p, box(4, 0, 12, 14), White);
             p.setPen(Qt::NoPen);
             p.setBrush(LightBlue);
             p.drawRect(QRectF(5, 5, 10, 3));
             line(p, 6.5, 2.5, 13.5, 2.5, Grey);
             line(p, 6.5, 6.5, 13.5, 6.5, Blue);
             line(p, 6.5, 10.5, 12.5, 10.5, Grey);
             QPainterPath arrow;
             arrow.moveTo(0.5, 5.5);
             arrow.lineTo(0.5, 15);
             arrow.lineTo(3, 12.5);
             arrow.lineTo(5, 15.5);
             arrow.lineTo(6.3, 14.8);
             arrow.lineTo(4.5, 11.8);
             arrow.lineTo(7.5, 11.8);
             arrow.closeSubpath();
             p.setPen(QPen(Outline, 0.9));
             p.setBrush(White);
             p.drawPath(arrow);
         }},
        // Clock text: a clock face.
        {"imgClock",
         [](QPainter& p) {
             p.setPen(outline());
             p.setBrush(White);
             p.drawEllipse(QPointF(8, 8), 7, 7);
             for (int i = 0; i < 12; i += 3) {
                 const qreal a = i * M_PI / 6;
                 line(p, 8 + 5.2 * std::sin(a), 8 - 5.2 * std::cos(a), 8 + 6.2 * std::sin(a),
                      8 - 6.2 * std::cos(a), Grey);
             }
             QPen hand(Outline, 1.3);
             hand.setCapStyle(Qt::RoundCap);
             p.setPen(hand);
             p.drawLine(QPointF(8, 8), QPointF(8, 3.8));
             p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
             p.setPen(Qt::NoPen);
             p.setBrush(Red);
             p.drawEllipse(QPointF(8, 8), 1, 1);
         }},
        // TCP/IP tuning: a speed gauge.
        {"imgTel",
         [](QPainter& p) {
             p.setPen(outline());
             p.setBrush(White);
             QPainterPath dial;
             dial.moveTo(1, 12.5);
             dial.arcTo(QRectF(1, 2.5, 14, 20), 180, -180);
             dial.closeSubpath();
             p.drawPath(dial);
             QPen arc(Green, 1.6);
             arc.setCapStyle(Qt::FlatCap);
             p.setPen(arc);
             p.drawArc(QRectF(3, 4.5, 10, 16), 180 * 16, -60 * 16);
             arc.setColor(Orange);
             p.setPen(arc);
             p.drawArc(QRectF(3, 4.5, 10, 16), 120 * 16, -60 * 16);
             arc.setColor(Red);
             p.setPen(arc);
             p.drawArc(QRectF(3, 4.5, 10, 16), 60 * 16, -60 * 16);
             QPen needle(Outline, 1.3);
             needle.setCapStyle(Qt::RoundCap);
             p.setPen(needle);
             p.drawLine(QPointF(8, 12), QPointF(12, 7));
             line(p, 1, 13.5, 15, 13.5, Outline);
         }},
        // Automount: a drive with a start triangle.
        {"runSubst",
         [](QPainter& p) {
             drive(p, 0, 7, 13, 7, Green);
             p.setPen(QPen(Outline, 0.9));
             p.setBrush(Green);
             QPainterPath play;
             play.moveTo(9.5, 0.5);
             play.lineTo(15.5, 4);
             play.lineTo(9.5, 7.5);
             play.closeSubpath();
             p.drawPath(play);
         }},
        // Mount/unmount: a folder that becomes a drive.
        {"Subst",
         [](QPainter& p) {
             folder(p, 0, 0, 9, 7);
             drive(p, 4, 9, 12, 6, Green);
             QPen arrow(Blue, 1.4);
             arrow.setCapStyle(Qt::RoundCap);
             arrow.setJoinStyle(Qt::RoundJoin);
             p.setPen(arrow);
             p.setBrush(Qt::NoBrush);
             p.drawLine(QPointF(12, 1.5), QPointF(12, 6.5));
             p.drawPolyline(QPolygonF({QPointF(10, 4.8), QPointF(12, 6.8), QPointF(14, 4.8)}));
         }},
        // File type icons: a document with a coloured picture.
        {"FIcon",
         [](QPainter& p) {
             document(p, 2, 0, 12, 16);
             p.setPen(QPen(Outline, 0.8));
             p.setBrush(Blue);
             p.drawRect(QRectF(4.5, 6.5, 7, 6));
             p.setBrush(Yellow);
             p.drawEllipse(QPointF(8, 9.5), 1.6, 1.6);
         }},
        // Uninstall: a program box with a red cross.
        {"Uninst",
         [](QPainter& p) {
             fillBox(p, box(0, 4, 12, 11), QColor(0xd9, 0xb3, 0x82));
             line(p, 1, 8.5, 11, 8.5, Brown);
             p.setPen(outline());
             p.setBrush(Red);
             p.drawEllipse(QPointF(11.5, 4.5), 4, 4);
             QPen cross(White, 1.4);
             cross.setCapStyle(Qt::RoundCap);
             p.setPen(cross);
             p.drawLine(QPointF(10, 3), QPointF(13, 6));
             p.drawLine(QPointF(13, 3), QPointF(10, 6));
         }},
        // Shortcuts: the shortcut arrow in its white box.
        {"imgShort",
         [](QPainter& p) {
             fillBox(p, box(1, 1, 14, 14), White);
             QPen curve(Blue, 1.8);
             curve.setCapStyle(Qt::FlatCap);
             p.setPen(curve);
             p.setBrush(Qt::NoBrush);
             QPainterPath path;
             path.moveTo(4.5, 12.5);
             path.cubicTo(4.5, 7.5, 6.5, 6.5, 9.5, 6.5);
             p.drawPath(path);
             p.setPen(Qt::NoPen);
             p.setBrush(Blue);
             QPainterPath head;
             head.moveTo(9, 3);
             head.lineTo(13, 6.5);
             head.lineTo(9, 10);
             head.closeSubpath();
             p.drawPath(head);
         }},
        // System icons: four small icons.
        {"imgIcons",
         [](QPainter& p) {
             const QColor colors[4] = {Blue, Yellow, Green, Red};
             for (int i = 0; i < 4; ++i)
                 fillBox(p, box(1 + 7.5 * (i % 2), 1 + 7.5 * (i / 2), 6.5, 6.5), colors[i], 1);
         }},
        // Domain search: a magnifier over a globe.
        {"imgSF",
         [](QPainter& p) {
             globe(p, 6.5, 6.5, 6);
             magnifier(p, 10, 10, 3);
         }},
        // System elements: the taskbar with its button and tray.
        {"imgSE",
         [](QPainter& p) {
             fillBox(p, box(0, 2, 16, 8), LightBlue);
             fillBox(p, box(0, 10, 16, 5), LightGrey);
             fillBox(p, box(1, 11, 5, 3), Green);
             p.setPen(Qt::NoPen);
             p.setBrush(Grey);
             p.drawRect(QRectF(11, 11.5, 4, 2));
             p.setBrush(White);
             p.drawRect(QRectF(2, 4, 4, 3));
         }},
    };
    return pictures;
}

// --- The program and the stock icons
// --------------------------------------------------------------

// A kestrel in flight on a blue tile.
void appIcon(QPainter& p) {
    QLinearGradient sky(0, 0, 0, 16);
    sky.setColorAt(0, QColor(0x4a, 0x90, 0xe2));
    sky.setColorAt(1, QColor(0x1f, 0x5f, 0xb8));
    p.setPen(QPen(QColor(0x1a, 0x4a, 0x8c), 0.6));
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    QPainterPath bird;
    bird.moveTo(1.8, 6.2);           // left wing tip
    bird.quadTo(5.0, 5.2, 7.2, 7.8); // to the body
    bird.quadTo(8.2, 5.6, 9.6, 5.0); // head
    bird.lineTo(10.4, 4.6);          // beak
    bird.lineTo(10.0, 5.6);
    bird.quadTo(9.4, 6.8, 9.0, 8.0);   // neck to shoulder
    bird.quadTo(11.5, 6.0, 14.4, 5.4); // right wing tip
    bird.quadTo(11.6, 8.6, 9.6, 9.6);
    bird.lineTo(10.6, 13.2); // tail
    bird.lineTo(7.8, 13.0);
    bird.lineTo(8.2, 9.8);
    bird.quadTo(5.2, 9.0, 1.8, 6.2);
    bird.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf6, 0xa4, 0x4c));
    p.drawPath(bird);
    p.setBrush(QColor(0x5a, 0x35, 0x1e));
    p.drawEllipse(QPointF(9.5, 5.6), 0.45, 0.45);
}

void defaultIcon(QPainter& p) {
    document(p, 2, 0, 12, 16);
    for (int i = 0; i < 4; ++i)
        line(p, 4, 6.5 + 2 * i, i == 3 ? 9 : 12, 6.5 + 2 * i, Grey, 0.8);
}

void folderIcon(QPainter& p) {
    folder(p, 0, 2, 16, 12);
}

QImage render(const Drawing& draw, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    draw(painter);
    painter.end();
    return image;
}

bool write(const QImage& image, const QString& path) {
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// 256 colours, as the stock icons are kept; transparency stays in the palette.
QImage indexed(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QList<QRgb> colors;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            if (!colors.contains(argb.pixel(x, y)))
                colors << argb.pixel(x, y);
    if (colors.size() <= 256) // exact: every colour of the drawing has its palette entry
        return argb.convertToFormat(QImage::Format_Indexed8, colors, Qt::AvoidDither);
    return argb.convertToFormat(QImage::Format_Indexed8,
                                Qt::AvoidDither | Qt::ThresholdAlphaDither);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out + QStringLiteral("/tree"));
    bool ok = true;
    for (const auto& [key, draw] : treePictures())
        ok &= write(render(draw, 16),
                    out + QStringLiteral("/tree/") + QString::fromStdString(key) + ".png");
    ok &= write(render(appIcon, 32), out + QStringLiteral("/app.png"));
    for (int size : {16, 48, 64, 128, 256})
        ok &= write(render(appIcon, size), out + QStringLiteral("/app-%1.png").arg(size));
    ok &= write(indexed(render(defaultIcon, 32)), out + QStringLiteral("/default.png"));
    ok &= write(indexed(render(folderIcon, 32)), out + QStringLiteral("/folder.png"));
    std::printf("%zu tree pictures\n", treePictures().size());
    return ok ? 0 : 1;
}
