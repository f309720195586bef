// Draws the maker's logo "vtlogo.png": a stylised "V" mark and the "Veltrano" wordmark.
// Run once when the logo changes; the program ships the PNG it writes.
//   g++ -std=c++20 -fPIC make_vtlogo.cpp $(pkg-config --cflags --libs Qt6Gui) -o make_vtlogo
//   QT_QPA_PLATFORM=offscreen ./make_vtlogo vtlogo.png
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("vtlogo.png");

    QImage image(720, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QColor navy(0x15, 0x04, 0x6A);
    const QColor lilac(0x80, 0x80, 0xFF);

    // The mark: a rounded square holding a "V" cut from two slanted strokes, the right one lighter,
    // with a small pulse crossing it (a detector's signal).
    const QRectF badge(10, 10, 180, 180);
    QLinearGradient badgeFill(badge.topLeft(), badge.bottomRight());
    badgeFill.setColorAt(0.0, navy);
    badgeFill.setColorAt(1.0, QColor(0x3A, 0x2A, 0xB0));
    p.setPen(Qt::NoPen);
    p.setBrush(badgeFill);
    p.drawRoundedRect(badge, 34, 34);

    QPainterPath left;
    left.moveTo(42, 40);
    left.lineTo(76, 40);
    left.lineTo(108, 150);
    left.lineTo(88, 162);
    left.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(left);

    QPainterPath right;
    right.moveTo(124, 40);
    right.lineTo(158, 40);
    right.lineTo(112, 162);
    right.lineTo(96, 150);
    right.closeSubpath();
    p.setBrush(lilac);
    p.drawPath(right);

    QPen pulse(QColor(0xFF, 0xD8, 0x4A), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pulse);
    p.setBrush(Qt::NoBrush);
    QPainterPath trace;
    trace.moveTo(30, 120);
    trace.lineTo(62, 120);
    trace.lineTo(74, 86);
    trace.lineTo(88, 132);
    trace.lineTo(100, 112);
    trace.lineTo(170, 112);
    p.drawPath(trace);

    // The wordmark and the line under it.
    QFont word(QStringLiteral("Liberation Sans"));
    word.setPixelSize(96);
    word.setBold(true);
    word.setLetterSpacing(QFont::PercentageSpacing, 96);
    p.setFont(word);
    p.setPen(navy);
    p.drawText(QRectF(214, 14, 500, 118), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Veltrano"));

    p.setPen(Qt::NoPen);
    p.setBrush(lilac);
    p.drawRect(QRectF(218, 140, 488, 5));

    QFont sub(QStringLiteral("Liberation Sans"));
    sub.setPixelSize(30);
    sub.setLetterSpacing(QFont::AbsoluteSpacing, 9);
    p.setFont(sub);
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.drawText(QRectF(218, 150, 500, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("INSTRUMENTS"));
    p.end();

    return image.save(out) ? 0 : 1;
}
