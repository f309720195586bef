// The count series as kivocount draws it: each measurement where the axes put it, with its error bar,
// the series mean across, and grid lines at whole measurement numbers.
#include "SeriesImage.h"

#include <QTest>

namespace {

counting::Measurement measured(double mean, double error) {
    counting::Measurement m;
    m.readings = 10;
    m.mean = mean;
    m.standardError = error;
    return m;
}

struct Mark {
    int left = 0, right = 0, top = 0, bottom = 0;
    int centreX() const { return (left + right) / 2; }
    int centreY() const { return (top + bottom) / 2; }
};

// Runs of columns holding `colour`, each with the rows it spans.
QList<Mark> marksOf(const QImage& image, QRgb colour) {
    QList<Mark> marks;
    bool inside = false;
    for (int x = 0; x < image.width(); ++x) {
        int top = -1, bottom = -1;
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) == colour) {
                top = top < 0 ? y : top;
                bottom = y;
            }
        if (top < 0) {
            inside = false;
            continue;
        }
        if (!inside)
            marks.append({x, x, top, bottom});
        Mark& m = marks.last();
        m.right = x;
        m.top = qMin(m.top, top);
        m.bottom = qMax(m.bottom, bottom);
        inside = true;
    }
    return marks;
}

} // namespace

class TestSeriesImage : public QObject {
    Q_OBJECT

private slots:
    void measurementsStandWhereTheirRatesAre() {
        counting::Series series;
        series.started = QDateTime(QDate(2026, 12, 9), QTime(1, 0), Qt::UTC);
        series.measurements = {measured(10.0, 0.8), measured(10.8, 0.8), measured(10.4, 0.8)};
        const QImage image = kivocount::seriesImage(series);
        QCOMPARE(image.size(), QSize(kivocount::IMAGE_WIDTH, kivocount::IMAGE_HEIGHT));

        const QList<Mark> marks = marksOf(image, qRgb(0, 0, 160));
        QCOMPARE(marks.size(), 3);
        // Evenly spaced by measurement number, higher for a higher rate.
        QVERIFY(qAbs((marks[1].centreX() - marks[0].centreX()) - (marks[2].centreX() - marks[1].centreX())) <=
                1);
        QVERIFY(marks[1].centreY() < marks[2].centreY() && marks[2].centreY() < marks[0].centreY());
        const double perCps = (marks[0].centreY() - marks[1].centreY()) / 0.8; // pixels
        QVERIFY(qAbs(marks[0].centreY() - marks[2].centreY() - 0.4 * perCps) <= 2);
        // Each error bar reaches 0.8 counts per second either side, far beyond the dot.
        for (const Mark& m : marks)
            QVERIFY2(qAbs(m.bottom - m.top - 1.6 * perCps) <= 3,
                     qPrintable(QString::number(m.bottom - m.top)));

        // The series mean, 10.4, across the plot through the third measurement.
        int meanRow = -1, most = 0;
        for (int y = 0; y < image.height(); ++y) {
            int green = 0;
            for (int x = 0; x < image.width(); ++x)
                green += image.pixel(x, y) == qRgb(0, 120, 0);
            if (green > most)
                most = green, meanRow = y;
        }
        QVERIFY(qAbs(meanRow - marks[2].centreY()) <= 1);

        // Grid lines at measurements 1, 2 and 3, none between.
        int gridLines = 0;
        for (int x = 0; x < image.width(); ++x) {
            int grey = 0;
            for (int y = 0; y < image.height(); ++y)
                grey += image.pixel(x, y) == qRgb(220, 220, 220);
            gridLines += grey > image.height() / 4; // the error bars cover part of theirs
        }
        QCOMPARE(gridLines, 3);
    }
};

QTEST_MAIN(TestSeriesImage)
#include "tst_series_image.moc"
