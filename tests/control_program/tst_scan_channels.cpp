// The scan's arithmetic: rounding with halves to even, the discriminator window of a channel, the
// mappings between levels and plot channels, saturated sums and the sweep count from its text.
#include "ScanChannels.h"
#include "ScanTexts.h"

#include <QTest>

#include <limits>

using scan::ChannelWindow;

namespace QTest {
template <> inline char* toString(const ChannelWindow& w) {
    return qstrdup(QByteArray::number(w.lld) + "/" + QByteArray::number(w.uld));
}
} // namespace QTest

class TestScanChannels : public QObject {
    Q_OBJECT

private slots:
    void halvesGoToTheEvenNeighbour() {
        QCOMPARE(scan::roundHalfEven(0.5), 0);
        QCOMPARE(scan::roundHalfEven(1.5), 2);
        QCOMPARE(scan::roundHalfEven(2.5), 2);
        QCOMPARE(scan::roundHalfEven(-0.5), 0);
        QCOMPARE(scan::roundHalfEven(-1.5), -2);
        QCOMPARE(scan::roundHalfEven(2.4999), 2);
        QCOMPARE(scan::roundHalfEven(2.5001), 3);
        QCOMPARE(scan::roundHalfEven(1e12), std::numeric_limits<qint32>::max());
        QCOMPARE(scan::roundHalfEven(-1e12), std::numeric_limits<qint32>::min());
        QCOMPARE(scan::roundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
    }

    void channelWindows_data() {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("maxLevel");
        QTest::addColumn<ChannelWindow>("window");
        QTest::newRow("128 first") << 1 << 128 << 2047 << ChannelWindow{12, 36};
        QTest::newRow("128 last, ULD limited") << 127 << 128 << 2047 << ChannelWindow{2028, 2047};
        QTest::newRow("512 first, overlap 1") << 1 << 512 << 2047 << ChannelWindow{3, 9};
        QTest::newRow("64 last") << 63 << 64 << 2047 << ChannelWindow{2008, 2047};
        QTest::newRow("4096 levels") << 1 << 128 << 4095 << ChannelWindow{24, 72};
        // A quarter bin of 2.5 levels widens by 2, not 3.
        QTest::newRow("overlap tie") << 1 << 64 << 639 << ChannelWindow{8, 22};
        // Tiny level ranges: the overlap is at least one level and the LLD never negative.
        QTest::newRow("tiny") << 1 << 512 << 15 << ChannelWindow{0, 1};
    }
    void channelWindows() {
        QFETCH(int, channel);
        QFETCH(int, channels);
        QFETCH(int, maxLevel);
        QFETCH(ChannelWindow, window);
        QCOMPARE(scan::channelWindow(channel, channels, maxLevel), window);
    }

    void levelsAndChannels() {
        QCOMPARE(scan::levelToChannel(1024, 128, 2047), 64);
        QCOMPARE(scan::levelToChannel(2047, 128, 2047), 128);
        QCOMPARE(scan::levelToChannel(0, 512, 2047), 0);
        QCOMPARE(scan::channelToLevel(40, 128, 2047), 640);
        QCOMPARE(scan::channelToLevel(80, 128, 2047), 1279);
        QCOMPARE(scan::channelToLevel(50, 128, 2047), 800);
        QCOMPARE(scan::channelToLevel(64, 128, 2045), 1022); // 1022.5
        QCOMPARE(scan::channelToLevel(128, 128, 2047), 2047);
        // No division by zero for a nonsense level range or channel count.
        QCOMPARE(scan::levelToChannel(5, 128, 0), 640);
        QCOMPARE(scan::channelToLevel(5, 0, 2047), 10235);
    }

    void sumsAndLevelsHoldAtTheirLimits() {
        constexpr qint32 top = std::numeric_limits<qint32>::max();
        QCOMPARE(scan::addSaturated(top - 1, 5), top);
        QCOMPARE(scan::addSaturated(7, 5), 12);
        QCOMPARE(scan::addSaturated(std::numeric_limits<qint32>::min() + 1, -5),
                 std::numeric_limits<qint32>::min());
        QCOMPARE(scan::toLevel16(2047), qint16(2047));
        QCOMPARE(scan::toLevel16(70000), qint16(32767));
        QCOMPARE(scan::toLevel16(-70000), qint16(-32768));
    }

    void sweepsFromText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<int>("sweeps");
        QTest::newRow("plain") << u"10"_qs << true << 10;
        QTest::newRow("blanks and tail") << u"  12 sweeps"_qs << true << 12;
        QTest::newRow("sign") << u"+7"_qs << true << 7;
        QTest::newRow("exponent") << u"1e2"_qs << true << 100;
        QTest::newRow("half") << u"3.5"_qs << true << 4;
        QTest::newRow("point first") << u".5"_qs << true << 0;
        QTest::newRow("zero") << u"0"_qs << true << 0;
        QTest::newRow("negative") << u"-3"_qs << true << -3;
        QTest::newRow("above the up-down range") << u"500"_qs << true << 500;
        QTest::newRow("16-bit top") << u"32767"_qs << true << 32767;
        QTest::newRow("16-bit bottom") << u"-32768"_qs << true << -32768;
        QTest::newRow("one above 16 bits") << u"32768"_qs << true << 200;
        QTest::newRow("one below 16 bits") << u"-32769"_qs << true << 1;
        QTest::newRow("far above") << u"99999999999"_qs << true << 200;
        QTest::newRow("empty") << QString() << false << 0;
        QTest::newRow("word") << u"ten"_qs << false << 0;
        QTest::newRow("lone sign") << u"-"_qs << false << 0;
    }
    void sweepsFromText() {
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        QFETCH(int, sweeps);
        QCOMPARE(scan::leadingInteger(text).has_value(), isNumber);
        QCOMPARE(int(scan::sweepsFromText(text)), sweeps);
    }
};

QTEST_MAIN(TestScanChannels)
#include "tst_scan_channels.moc"
