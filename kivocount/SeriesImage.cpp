#include "SeriesImage.h"

#include "CountStatistics.h"
#include "HvPlateau.h"

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kivocount {

namespace {

struct Point {
    double x;
    double y;
    double error; // NaN when unknown: no bar
};

// Tick spacing of 1, 2 or 5 times a power of ten, about `wanted` ticks over `span`.
double tickStep(double span, int wanted) {
    const double raw = span / wanted;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double f : {1.0, 2.0, 5.0})
        if (raw <= f * power)
            return f * power;
    return 10 * power;
}

struct Range {
    double lo;
    double hi;
};

// A range around the values with some room; a flat or single value gets room of its own.
Range padded(double lo, double hi) {
    const double span = hi - lo;
    const double room = span > 0 ? span * 0.08 : std::max(1.0, std::abs(hi) * 0.05);
    return {lo - room, hi + room};
}

} // namespace

QImage seriesImage(const counting::Series& series) {
    const bool plateau = series.kind == counting::SeriesKind::Plateau;
    const bool net = series.background.has_value();
    QList<Point> points;
    for (qsizetype i = 0; i < series.measurements.size(); ++i) {
        const counting::Measurement& m = series.measurements[i];
        const double y = net ? m.net : m.mean;
        const double x = plateau ? m.highVoltage : double(i + 1);
        if (std::isfinite(x) && std::isfinite(y))
            points.append({x, y, net ? m.netError : m.standardError});
    }

    QImage image(IMAGE_WIDTH, IMAGE_HEIGHT, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(14);
    painter.setFont(font);
    const QRectF plot(90, 50, IMAGE_WIDTH - 120, IMAGE_HEIGHT - 120);

    const QString title = plateau ? QStringLiteral("Count rate against high voltage")
                                  : QStringLiteral("Count rate per measurement");
    painter.drawText(QRectF(0, 10, IMAGE_WIDTH, 30), Qt::AlignCenter,
                     title + QStringLiteral(", started ") + series.started.toUTC().toString(Qt::ISODate));
    painter.drawText(QRectF(plot.left(), plot.bottom() + 35, plot.width(), 25), Qt::AlignCenter,
                     plateau ? QStringLiteral("high voltage (V)") : QStringLiteral("measurement"));
    painter.save();
    painter.translate(20, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, -10, plot.height(), 25), Qt::AlignCenter,
                     net ? QStringLiteral("net count rate (cps)") : QStringLiteral("count rate (cps)"));
    painter.restore();
    painter.drawRect(plot);
    if (points.isEmpty()) {
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("nothing measured"));
        return image;
    }

    double xlo = points.front().x, xhi = xlo, ylo = points.front().y, yhi = ylo;
    for (const Point& p : points) {
        const double e = std::isfinite(p.error) ? p.error : 0;
        xlo = std::min(xlo, p.x);
        xhi = std::max(xhi, p.x);
        ylo = std::min(ylo, p.y - e);
        yhi = std::max(yhi, p.y + e);
    }
    if (plateau)
        ylo = std::min(ylo, 0.0); // the knee shows against zero
    const Range xr = padded(xlo, xhi);
    const Range yr = padded(ylo, yhi);
    const auto px = [&](double x) { return plot.left() + (x - xr.lo) / (xr.hi - xr.lo) * plot.width(); };
    const auto py = [&](double y) { return plot.bottom() - (y - yr.lo) / (yr.hi - yr.lo) * plot.height(); };

    // Ticks and grid.
    painter.setPen(QPen(QColor(220, 220, 220), 1));
    const double xs = plateau ? tickStep(xr.hi - xr.lo, 8) : std::max(1.0, tickStep(xr.hi - xr.lo, 10));
    const double ys = tickStep(yr.hi - yr.lo, 6);
    for (double x = std::ceil(xr.lo / xs) * xs; x <= xr.hi; x += xs) {
        painter.setPen(QPen(QColor(220, 220, 220), 1));
        painter.drawLine(QPointF(px(x), plot.top()), QPointF(px(x), plot.bottom()));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(px(x) - 50, plot.bottom() + 5, 100, 20), Qt::AlignHCenter | Qt::AlignTop,
                         QString::number(x, 'g', 10));
    }
    for (double y = std::ceil(yr.lo / ys) * ys; y <= yr.hi; y += ys) {
        painter.setPen(QPen(QColor(220, 220, 220), 1));
        painter.drawLine(QPointF(plot.left(), py(y)), QPointF(plot.right(), py(y)));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(plot.left() - 85, py(y) - 10, 80, 20), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(y, 'g', 10));
    }

    painter.setClipRect(plot);
    if (plateau) {
        const counting::PlateauResult found =
            counting::findPlateau(counting::plateauCurve(series), series.plateau->thresholdPercentPer100V);
        if (found.found) {
            painter.fillRect(QRectF(QPointF(px(found.fromVolts), plot.top()),
                                    QPointF(px(found.toVolts), plot.bottom())),
                             QColor(200, 240, 200));
            painter.setPen(QPen(QColor(200, 0, 0), 2, Qt::DashLine));
            painter.drawLine(QPointF(px(found.operatingVolts), plot.top()),
                             QPointF(px(found.operatingVolts), plot.bottom()));
            painter.drawText(QRectF(px(found.operatingVolts) + 6, plot.top() + 6, 300, 20), Qt::AlignLeft,
                             QStringLiteral("operating point %1 V").arg(QString::number(found.operatingVolts, 'f', 1)));
        }
    } else if (const auto st = counting::seriesStatistics(series.measurements, series.background);
               std::isfinite(net ? st.net.rate : st.mean)) {
        painter.setPen(QPen(QColor(0, 120, 0), 1, Qt::DashLine));
        const double mean = net ? st.net.rate : st.mean;
        painter.drawLine(QPointF(plot.left(), py(mean)), QPointF(plot.right(), py(mean)));
    }

    painter.setPen(QPen(QColor(0, 0, 160), 1.5));
    painter.setBrush(QColor(0, 0, 160));
    QPointF previous;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const Point& p = points[i];
        const QPointF at(px(p.x), py(p.y));
        if (plateau && i > 0)
            painter.drawLine(previous, at);
        if (std::isfinite(p.error) && p.error > 0)
            painter.drawLine(QPointF(at.x(), py(p.y - p.error)), QPointF(at.x(), py(p.y + p.error)));
        painter.drawEllipse(at, 3.5, 3.5);
        previous = at;
    }
    return image;
}

} // namespace kivocount
