// Draws the program's pictures once: the opening card's background (412 x 442,
// 8-bit palette), its title (410 x 140, 24-bit colour) and the program icon
// (icon.png, and windows/icon.ico with every size Windows asks for).
// Usage: make_artwork <output folder>
#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

const QColor Navy(0x1f, 0x3a, 0x5c);
const QColor Sea(0x2f, 0x6a, 0x96);
const QColor Mist(0xe8, 0xee, 0xf4);
const QColor Frost(0xcf, 0xe1, 0xef);

// A handheld radio seen from the front, fitted into box.
void DrawRadio(QPainter& p, const QRectF& box, const QColor& body, const QColor& face)
{
    const qreal w = box.width();
    const qreal h = box.height();
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(box.left() + w * 0.18, box.top(), w * 0.12, h * 0.32), w * 0.05, w * 0.05);
    const QRectF shell(box.left() + w * 0.08, box.top() + h * 0.26, w * 0.84, h * 0.74);
    p.drawRoundedRect(shell, w * 0.14, w * 0.14);
    p.setBrush(face);
    const QRectF screen(shell.left() + shell.width() * 0.16, shell.top() + shell.height() * 0.12,
                        shell.width() * 0.68, shell.height() * 0.26);
    p.drawRoundedRect(screen, w * 0.04, w * 0.04);
    const qreal dot = shell.width() * 0.12;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const QPointF c(shell.left() + shell.width() * (0.28 + 0.22 * col),
                            shell.top() + shell.height() * (0.52 + 0.15 * row));
            p.drawEllipse(c, dot / 2, dot / 2);
        }
    }
}

// Three arcs spreading from point, like waves leaving an antenna.
void DrawWaves(QPainter& p, const QPointF& from, qreal step, const QColor& colour)
{
    for (int i = 1; i <= 3; ++i) {
        QColor c = colour;
        c.setAlphaF(0.75 - 0.2 * i);
        p.setPen(QPen(c, step * 0.22, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        const qreal r = step * i;
        p.drawArc(QRectF(from.x() - r, from.y() - r, 2 * r, 2 * r), 20 * 16, 70 * 16);
    }
}

QImage Card()
{
    QImage image(412, 442, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fade(0, 0, 0, 442);
    fade.setColorAt(0.0, Mist);
    fade.setColorAt(0.45, QColor(0xf7, 0xf9, 0xfb));
    fade.setColorAt(1.0, Qt::white);
    p.fillRect(image.rect(), fade);
    p.setPen(QPen(Frost, 1));
    p.drawLine(10, 160, 402, 160);
    p.setPen(QPen(QColor(0xa9, 0xb8, 0xc8), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 411, 441));
    p.end();
    return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
}

QImage Title()
{
    QImage image(410, 140, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient sky(0, 0, 410, 140);
    sky.setColorAt(0.0, Navy);
    sky.setColorAt(1.0, Sea);
    p.fillRect(image.rect(), sky);
    QRadialGradient glow(QPointF(70, 70), 110);
    glow.setColorAt(0.0, QColor(255, 255, 255, 40));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(image.rect(), glow);

    DrawRadio(p, QRectF(34, 22, 64, 100), Frost, Navy);
    DrawWaves(p, QPointF(50, 24), 13, Frost);

    QFont name(QStringLiteral("DejaVu Sans"));
    name.setPixelSize(32);
    name.setBold(true);
    p.setFont(name);
    p.setPen(Qt::white);
    p.drawText(QRectF(128, 34, 280, 42), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("RX-77NOVA"));
    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setPixelSize(17);
    p.setFont(sub);
    p.setPen(Frost);
    p.drawText(QRectF(130, 78, 280, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Firmware Update"));
    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    p.drawLine(QPointF(130, 110), QPointF(390, 110));
    p.end();
    return image;
}

// The icon is drawn on a 64-point grid and scaled, so that every size the
// Windows icon holds is drawn rather than resampled.
QImage Icon(int size = 64)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient tile(0, 0, 64, 64);
    tile.setColorAt(0.0, Sea);
    tile.setColorAt(1.0, Navy);
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    DrawRadio(p, QRectF(14, 9, 26, 46), Frost, Navy);
    // An arrow pointing up: new firmware going in.
    QPainterPath arrow;
    arrow.moveTo(48, 18);
    arrow.lineTo(56, 28);
    arrow.lineTo(51, 28);
    arrow.lineTo(51, 44);
    arrow.lineTo(45, 44);
    arrow.lineTo(45, 28);
    arrow.lineTo(40, 28);
    arrow.closeSubpath();
    p.setBrush(QColor(0xf2, 0xc1, 0x4e));
    p.drawPath(arrow);
    p.end();
    return image;
}

void PutLe16(QByteArray& out, int value)
{
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

void PutLe32(QByteArray& out, quint32 value)
{
    PutLe16(out, int(value & 0xffff));
    PutLe16(out, int(value >> 16));
}

// One icon image as Windows keeps it below 256 pixels: a 32-bit bottom-up
// bitmap (its header counts the mask's rows in the height) and a 1-bit AND
// mask, all clear, since the alpha channel does the masking.
QByteArray IconBitmap(const QImage& image)
{
    const int size = image.width();
    QByteArray out;
    PutLe32(out, 40);
    PutLe32(out, quint32(size));
    PutLe32(out, quint32(size * 2));
    PutLe16(out, 1);
    PutLe16(out, 32);
    for (int i = 0; i < 6; ++i) {
        PutLe32(out, 0);
    }
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const QRgb pixel = image.pixel(x, y);
            out.append(char(qBlue(pixel)));
            out.append(char(qGreen(pixel)));
            out.append(char(qRed(pixel)));
            out.append(char(qAlpha(pixel)));
        }
    }
    const int maskRow = ((size + 31) / 32) * 4;
    out.append(QByteArray(maskRow * size, '\0'));
    return out;
}

// The Windows icon (icon.ico): every size from 16 to 256 pixels, the
// largest as PNG, as Windows Vista and later read it.
bool SaveWindowsIcon(const QString& path)
{
    const int sizes[] = {16, 20, 24, 32, 40, 48, 64, 128, 256};
    QList<QByteArray> images;
    for (int size : sizes) {
        const QImage image = Icon(size).convertToFormat(QImage::Format_ARGB32);
        if (size < 256) {
            images.append(IconBitmap(image));
        } else {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            if (!image.save(&buffer, "PNG")) {
                return false;
            }
            images.append(png);
        }
    }
    QByteArray out;
    PutLe16(out, 0);
    PutLe16(out, 1);
    PutLe16(out, int(images.size()));
    quint32 offset = 6 + 16 * quint32(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const int size = sizes[i];
        out.append(char(size % 256));
        out.append(char(size % 256));
        out.append(char(0));
        out.append(char(0));
        PutLe16(out, 1);
        PutLe16(out, 32);
        PutLe32(out, quint32(images[i].size()));
        PutLe32(out, offset);
        offset += quint32(images[i].size());
    }
    for (const QByteArray& image : images) {
        out.append(image);
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_artwork <output folder>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const bool ok = Card().save(dir + QStringLiteral("/card.png")) &&
                    Title().save(dir + QStringLiteral("/title.png")) &&
                    Icon().save(dir + QStringLiteral("/icon.png")) &&
                    SaveWindowsIcon(dir + QStringLiteral("/windows/icon.ico"));
    return ok ? 0 : 1;
}
