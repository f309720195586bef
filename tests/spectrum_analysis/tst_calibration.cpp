// The energy calibration: from one or more peaks of known energy, applied to peaks, and kept per unit
// and settings in the user's settings.
#include "CalibrationModel.h"
#include "CalibrationStore.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using analysis::CalibrationPoint;
using spectrum::EnergyCalibration;

class CalibrationTest : public QObject {
    Q_OBJECT
private slots:
    void calibrate_data();
    void calibrate();
    void knownLines();
    void energiesOfPeaks();
    void store_data();
    void store();
    void storeRefuses();
};

void CalibrationTest::calibrate_data() {
    QTest::addColumn<QList<CalibrationPoint>>("points");
    QTest::addColumn<double>("offset");
    QTest::addColumn<double>("slope");
    QTest::addColumn<QString>("error");
    QTest::newRow("one point: proportional")
        << QList<CalibrationPoint>{{1024, 661.7}} << 0.0 << 661.7 / 1024 << QString();
    QTest::newRow("two points: linear") << QList<CalibrationPoint>{{1200, 1173.2}, {1360, 1332.5}}
                                        << 1173.2 - 1200 * 159.3 / 160 << 159.3 / 160 << QString();
    QTest::newRow("three points on a line")
        << QList<CalibrationPoint>{{100, 60}, {300, 160}, {500, 260}} << 10.0 << 0.5 << QString();
    QTest::newRow("none") << QList<CalibrationPoint>{} << 0.0 << 0.0
                          << u"Choose a peak and the energy of its line."_qs;
    QTest::newRow("no energy") << QList<CalibrationPoint>{{1024, 0}} << 0.0 << 0.0
                               << u"A line's energy must be above 0 keV."_qs;
    QTest::newRow("not a number") << QList<CalibrationPoint>{{qQNaN(), 662}} << 0.0 << 0.0
                                  << u"A peak has no position to calibrate with."_qs;
    QTest::newRow("at level 0") << QList<CalibrationPoint>{{0, 662}} << 0.0 << 0.0
                                << u"The peak must lie above level 0."_qs;
    QTest::newRow("same level") << QList<CalibrationPoint>{{500, 511}, {500, 1274.5}} << 0.0 << 0.0
                                << u"The peaks must lie at different levels."_qs;
    QTest::newRow("falling")
        << QList<CalibrationPoint>{{500, 1274.5}, {1200, 511}} << 0.0 << 0.0
        << u"The energies must rise with the level: check which line belongs to which peak."_qs;
}

void CalibrationTest::calibrate() {
    QFETCH(QList<CalibrationPoint>, points);
    QFETCH(double, offset);
    QFETCH(double, slope);
    QFETCH(QString, error);
    const analysis::CalibrationResult r = analysis::calibrate(points);
    QCOMPARE(r.error, error);
    QCOMPARE(r.calibration.has_value(), error.isEmpty());
    if (r.calibration) {
        QVERIFY(std::abs(r.calibration->offsetKeV - offset) < 1e-9);
        QVERIFY(std::abs(r.calibration->slopeKeVPerLevel - slope) < 1e-12);
    }
}

void CalibrationTest::knownLines() {
    QStringList labels;
    for (const analysis::KnownLine& l : analysis::knownLines())
        labels << l.label();
    QCOMPARE(labels, (QStringList{u"Cs-137 661.7 keV"_qs, u"Co-60 1173.2 keV"_qs, u"Co-60 1332.5 keV"_qs,
                                  u"Na-22 511.0 keV"_qs, u"Na-22 1274.5 keV"_qs, u"Am-241 59.5 keV"_qs,
                                  u"Ba-133 356.0 keV"_qs, u"K-40 1460.8 keV"_qs}));
}

void CalibrationTest::energiesOfPeaks() {
    analysis::Analysis a;
    a.peaks << analysis::Peak{} << analysis::Peak{};
    a.peaks[0].centroidLevel = 1000;
    a.peaks[0].fwhmLevels = 70;
    analysis::setEnergies(a, EnergyCalibration{10, 0.5});
    QCOMPARE(*a.peaks[0].energyKeV, 510.0);
    QCOMPARE(*a.peaks[0].fwhmKeV, 35.0);
    QCOMPARE(*a.peaks[1].energyKeV, 10.0);
    analysis::setEnergies(a, std::nullopt);
    QVERIFY(!a.peaks[0].energyKeV && !a.peaks[0].fwhmKeV);
}

void CalibrationTest::store_data() {
    QTest::addColumn<analysis::UnitSettings>("now");
    QTest::addColumn<analysis::StoredCalibration::Status>("status");
    QTest::addColumn<QString>("message");
    const analysis::UnitSettings made{u"VR-24/03117"_qs, 2730, 1, 100};
    QTest::newRow("same unit and settings")
        << made << analysis::StoredCalibration::Status::Valid
        << u"Energy calibration of unit VR-24/03117 at HV count 2730, coarse gain x2, fine gain 100: E = 1.5 keV + 0.64 keV x level."_qs;
    QTest::newRow("other HV")
        << analysis::UnitSettings{u"VR-24/03117"_qs, 2800, 1, 100}
        << analysis::StoredCalibration::Status::Stale
        << u"The energy calibration of unit VR-24/03117 was made at HV count 2730, coarse gain x2, fine gain 100; the unit now has HV count 2800, coarse gain x2, fine gain 100, so it is no longer valid. Calibrate again."_qs;
    QTest::newRow("other gain") << analysis::UnitSettings{u"VR-24/03117"_qs, 2730, 2, 100}
                                << analysis::StoredCalibration::Status::Stale << QString();
    QTest::newRow("other unit") << analysis::UnitSettings{u"VR-24"_qs, 2730, 1, 100}
                                << analysis::StoredCalibration::Status::None
                                << u"No energy calibration is kept for this unit."_qs;
}

// Saved through one settings object, read through another on the same file, as after a restart.
void CalibrationTest::store() {
    QFETCH(analysis::UnitSettings, now);
    QFETCH(analysis::StoredCalibration::Status, status);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString file = dir.filePath(u"kivo.ini"_qs);
    const QDateTime when(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);
    {
        QSettings settings(file, QSettings::IniFormat);
        QCOMPARE(
            analysis::CalibrationStore(settings).save({u"VR-24/03117"_qs, 2730, 1, 100}, {1.5, 0.64}, when),
            QString());
    }
    QSettings settings(file, QSettings::IniFormat);
    const analysis::StoredCalibration s = analysis::CalibrationStore(settings).lookup(now);
    QCOMPARE(s.status, status);
    QCOMPARE(analysis::CalibrationStore(settings).lookup(now).status,
             status); // the settings are left as found
    if (!message.isEmpty())
        QCOMPARE(s.message, message);
    QCOMPARE(s.usable().has_value(), status == analysis::StoredCalibration::Status::Valid);
    if (status != analysis::StoredCalibration::Status::None) {
        QCOMPARE(s.calibration, (EnergyCalibration{1.5, 0.64}));
        QCOMPARE(s.savedAt, when);
    }
    analysis::CalibrationStore(settings).forget(u"VR-24/03117"_qs);
    QCOMPARE(analysis::CalibrationStore(settings).lookup(now).status,
             analysis::StoredCalibration::Status::None);
}

void CalibrationTest::storeRefuses() {
    QTemporaryDir dir;
    QSettings settings(dir.filePath(u"kivo.ini"_qs), QSettings::IniFormat);
    analysis::CalibrationStore store(settings);
    QCOMPARE(store.save({u" "_qs, 2730, 0, 0}, {0, 0.6}),
             u"The unit has no serial number, so the calibration cannot be kept for it."_qs);
    QCOMPARE(store.save({u"A"_qs, 2730, 0, 0}, {0, -0.6}),
             u"The calibration is not usable and was not kept."_qs);
    QCOMPARE(store.lookup({u"A"_qs, 2730, 0, 0}).status, analysis::StoredCalibration::Status::None);
    settings.setValue(u"EnergyCalibration/A/slopeKeVPerLevel"_qs, u"steep"_qs); // damaged by hand
    QCOMPARE(store.lookup({u"A"_qs, 2730, 0, 0}).status, analysis::StoredCalibration::Status::None);
    spectrum::ScanRecord r;
    QVERIFY(!analysis::unitSettingsOf(r));
    r.serialNumber = u"VR-1"_qs;
    r.highVoltageCount = 2730;
    r.coarseGainIndex = 3;
    r.fineGain = 7;
    QCOMPARE(*analysis::unitSettingsOf(r), (analysis::UnitSettings{u"VR-1"_qs, 2730, 3, 7}));
}

QTEST_APPLESS_MAIN(CalibrationTest)
#include "tst_calibration.moc"
