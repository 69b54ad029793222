// Draws Kestro's about picture: a long-legged racing bird with a number bib,
// running on a dirt track under an evening sky. Everything is drawn from
// shapes here, so the picture is the project's own.
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

constexpr int kWidth = 107;
constexpr int kHeight = 150;

void DrawSkyAndTrack(QPainter& p) {
    QLinearGradient sky(0, 0, 0, 95);
    sky.setColorAt(0.0, QColor(0x1B, 0x2A, 0x5C));
    sky.setColorAt(0.7, QColor(0xE0, 0x7A, 0x3C));
    sky.setColorAt(1.0, QColor(0xF6, 0xC4, 0x6A));
    p.fillRect(0, 0, kWidth, 95, sky);

    // A low sun behind the grandstand.
    QRadialGradient sun(78, 88, 22);
    sun.setColorAt(0.0, QColor(255, 240, 180));
    sun.setColorAt(0.5, QColor(255, 200, 100, 180));
    sun.setColorAt(1.0, QColor(255, 160, 60, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(78, 88), 22, 22);

    // Grandstand silhouette with flags.
    p.setBrush(QColor(0x2B, 0x1E, 0x2E));
    QPainterPath stand;
    stand.moveTo(0, 95);
    stand.lineTo(0, 78);
    stand.lineTo(30, 72);
    stand.lineTo(60, 80);
    stand.lineTo(60, 95);
    stand.closeSubpath();
    p.drawPath(stand);
    p.setPen(QPen(QColor(0x2B, 0x1E, 0x2E), 1));
    for (int x : {8, 22, 40}) {
        int top = x == 22 ? 62 : 66;
        p.drawLine(x, top, x, 76);
        p.fillRect(x + 1, top, 6, 4, x == 22 ? QColor(0xE8, 0x3A, 0x3A) : QColor(0xFF, 0xD4, 0x3B));
    }

    // Dirt track with rails drawn in perspective.
    QLinearGradient dirt(0, 95, 0, kHeight);
    dirt.setColorAt(0.0, QColor(0x9C, 0x6B, 0x3F));
    dirt.setColorAt(1.0, QColor(0x6B, 0x43, 0x22));
    p.fillRect(0, 95, kWidth, kHeight - 95, dirt);
    p.setPen(QPen(QColor(0xF2, 0xF2, 0xE8), 2));
    p.drawLine(0, 99, kWidth, 96);
    p.setPen(QPen(QColor(0xF2, 0xF2, 0xE8, 160), 1));
    for (int x = 4; x < kWidth; x += 12) {
        p.drawLine(x, 99 - x / 36, x, 93 - x / 36);
    }
    p.setPen(QPen(QColor(0x5A, 0x38, 0x1C), 1));
    for (int y = 108; y < kHeight; y += 9) {
        p.drawLine(0, y, kWidth, y - 3);
    }
}

void DrawRunner(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor outline(0x1A, 0x12, 0x10);
    const QColor feathers(0x3C, 0x8D, 0x5A);
    const QColor belly(0xB8, 0xE0, 0x8A);
    const QColor beak(0xFF, 0xB0, 0x20);

    // Shadow on the dirt.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(QPointF(52, 138), 30, 5);

    // Legs in full stride.
    p.setPen(QPen(beak.darker(130), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(48, 100), QPointF(36, 118), QPointF(24, 132)}));
    p.drawPolyline(QPolygonF({QPointF(24, 132), QPointF(18, 131)}));
    p.drawPolyline(QPolygonF({QPointF(58, 100), QPointF(70, 116), QPointF(66, 136)}));
    p.drawPolyline(QPolygonF({QPointF(66, 136), QPointF(74, 137)}));

    // Tail plumes streaming behind.
    p.setPen(QPen(outline, 1));
    p.setBrush(feathers.darker(120));
    QPainterPath tail;
    tail.moveTo(34, 84);
    tail.cubicTo(18, 70, 8, 74, 4, 66);
    tail.cubicTo(12, 84, 20, 92, 36, 96);
    tail.closeSubpath();
    p.drawPath(tail);

    // Body.
    QLinearGradient body(30, 70, 70, 110);
    body.setColorAt(0.0, feathers.lighter(115));
    body.setColorAt(1.0, feathers.darker(110));
    p.setBrush(body);
    p.drawEllipse(QRectF(28, 72, 48, 34));

    // Neck and head, leaning forward.
    QPainterPath neck;
    neck.moveTo(62, 80);
    neck.cubicTo(70, 62, 72, 48, 78, 38);
    neck.lineTo(86, 42);
    neck.cubicTo(80, 54, 78, 70, 72, 86);
    neck.closeSubpath();
    p.drawPath(neck);
    p.drawEllipse(QRectF(72, 26, 20, 18));

    // Crest.
    p.setBrush(QColor(0xE8, 0x3A, 0x3A));
    QPainterPath crest;
    crest.moveTo(76, 28);
    crest.lineTo(70, 16);
    crest.lineTo(80, 25);
    crest.lineTo(80, 12);
    crest.lineTo(84, 26);
    crest.closeSubpath();
    p.drawPath(crest);

    // Beak, open in a racing cry.
    p.setBrush(beak);
    QPainterPath upper;
    upper.moveTo(90, 31);
    upper.lineTo(104, 34);
    upper.lineTo(91, 36);
    upper.closeSubpath();
    p.drawPath(upper);
    QPainterPath lower;
    lower.moveTo(90, 37);
    lower.lineTo(101, 41);
    lower.lineTo(89, 40);
    lower.closeSubpath();
    p.drawPath(lower);

    // Eye with a racing goggle.
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(84, 32), 3.5, 3.5);
    p.setBrush(outline);
    p.drawEllipse(QPointF(85, 32), 1.5, 1.5);
    p.setPen(QPen(QColor(0x40, 0x40, 0x60), 1.5));
    p.drawLine(QPointF(74, 30), QPointF(80, 32));

    // Belly and wing.
    p.setPen(QPen(outline, 1));
    p.setBrush(belly);
    p.drawEllipse(QRectF(46, 88, 26, 16));
    p.setBrush(feathers.darker(140));
    QPainterPath wing;
    wing.moveTo(40, 80);
    wing.cubicTo(50, 74, 60, 78, 62, 86);
    wing.cubicTo(54, 90, 44, 90, 36, 86);
    wing.closeSubpath();
    p.drawPath(wing);

    // Number bib strapped on the side.
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(44, 84, 16, 13), 2, 2);
    p.setPen(QColor(0xC0, 0x10, 0x10));
    QFont font;
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(44, 84, 16, 13), Qt::AlignCenter, QStringLiteral("3"));

    // Speed lines.
    p.setPen(QPen(QColor(255, 255, 255, 150), 1));
    p.drawLine(2, 104, 20, 104);
    p.drawLine(6, 110, 26, 110);
    p.drawLine(0, 116, 14, 116);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.jpg\n", argv[0]);
        return 2;
    }
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    {
        QPainter p(&image);
        DrawSkyAndTrack(p);
        DrawRunner(p);
    }
    QImageWriter writer(QString::fromLocal8Bit(argv[1]), "jpeg");
    writer.setQuality(90);
    if (!writer.write(image)) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[1],
                     writer.errorString().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
