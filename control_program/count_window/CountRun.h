// The count window's run: the counting engine's host inside the program. It takes the main window's
// fresh readings and timer ticks (no poll of its own), puts a plateau's high voltages on the unit
// through the unit's settings (the main window's own HV path), keeps globals::countRunning, tells when
// fresh readings stop coming, and saves every series that ends automatically. Widget-free; the window
// follows it through its signals.
#pragma once

#include "CountEngine.h"
#include "CountFiles.h"

#include <QDateTime>
#include <QObject>

class UnitSettings;

class CountRun : public QObject, private counting::CountHost {
    Q_OBJECT

public:
    // No fresh reading for this long while a count runs is worth telling: the unit refreshes its
    // rate about once a second.
    static constexpr qint64 STALE_SECONDS = 5;

    // `settings` (the unit's, owned by the main window) must outlive the run's device calls; the
    // destructor makes none.
    explicit CountRun(UnitSettings& settings, QObject* parent = nullptr);
    ~CountRun() override;

    // Starts a series or a plateau at `nowUtc`; empty when it started, else why not.
    QString start(const counting::SeriesPlan& plan, const QDateTime& nowUtc);
    QString startPlateau(const counting::SeriesPlan& plan, const counting::PlateauPlan& plateau,
                         const QDateTime& nowUtc);
    // Stops the run as the user's Stop does: what was measured is kept, a plateau's user HV goes back.
    void stop();
    // Ends the run with no device call (the program ends at once); the series is still saved.
    void abandon();

    // The main window's timer: one tick, and one fresh reading.
    void tick(const QDateTime& nowUtc);
    void reading(qint32 cps, const QDateTime& utc);

    const counting::CountEngine& engine() const { return engine_; }
    counting::CountEngine& engine() { return engine_; }
    bool running() const { return engine_.running(); }
    // The automatic copy of the last series that ended.
    const countfiles::Saved& lastSaved() const { return saved_; }

signals:
    // The run's state or the current measurement's progress changed.
    void progressed();
    void measurementDone(int index);
    void ended(counting::SeriesEnd how);
    // Seconds without a fresh reading while a count runs; 0 when readings came back.
    void staleFor(qint64 seconds);

private:
    bool setHighVoltage(double volts) override;
    void waiting(const QDateTime& untilUtc) override;
    void measurementStarted(int index) override;
    void readingTaken(int index, qint32 cps) override;
    void measurementFinished(int index) override;
    void seriesEnded(counting::SeriesEnd how) override;
    void begun(const QString& problem, const QDateTime& nowUtc);

    UnitSettings& settings_;
    counting::CountEngine engine_;
    bool abandoning_ = false;
    QDateTime lastFresh_;
    qint64 staleShown_ = 0;
    countfiles::Saved saved_;
};
