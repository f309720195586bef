// One counting series from the command line: the count engine on the unit of a DeviceSession, the
// count rate read every period as the main window's timer does and each fresh reading handed over with
// its UTC time, the plateau's HV steps sent to the unit, progress and result lines on stderr.
#pragma once

#include "CountEngine.h"
#include "Options.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <functional>

namespace cli {
class DeviceSession;
class Progress;
} // namespace cli

namespace kivocount {

class CountRun : public QObject, private counting::CountHost {
    Q_OBJECT
public:
    // `abandon` says when the user insists on ending at once: no more HV is sent (not even the user's).
    CountRun(cli::DeviceSession& session, cli::Progress& progress, const Options& options,
             std::function<bool()> abandon = {});

    // Runs the whole series and returns when it has ended. False when it could not start (told).
    bool run();
    // Ends the series (from a signal); run() then returns.
    void stop(counting::SeriesEnd how);
    // After a plateau whose end the unit did not take: sends the user's HV again, stepping down from the
    // last HV the unit took, every second for up to `waitMs` until the unit takes it (an unplugged unit
    // plugged back in). True when the user's HV is on the unit.
    bool restoreUserVoltage(qint64 waitMs);
    // Ends the wait of restoreUserVoltage() (from a signal).
    void giveUp();

    const counting::CountEngine& engine() const { return engine_; }
    const counting::Series& series() const { return engine_.series(); }
    bool deviceFailed() const { return deviceFailed_; }
    bool stalled() const { return stalled_; }
    // The last HV the unit took from this run, NO_VALUE before any.
    double lastAcceptedVolts() const { return lastAccepted_; }
    // Without a fresh reading for this long the unit is taken to have stopped counting.
    qint64 stallLimitMs() const;

private:
    void poll();
    void showProgress();
    bool rampToUserVoltage();
    bool setHighVoltage(double volts) override;
    void waiting(const QDateTime& untilUtc) override;
    void measurementStarted(int index) override;
    void readingTaken(int index, qint32 cps) override;
    void measurementFinished(int index) override;
    void seriesEnded(counting::SeriesEnd how) override;

    cli::DeviceSession& session_;
    cli::Progress& progress_;
    const Options& options_;
    std::function<bool()> abandon_;
    counting::CountEngine engine_;
    QTimer timer_;
    QEventLoop loop_;
    QElapsedTimer elapsed_;
    QElapsedTimer sinceFresh_;
    bool readFailureReported_ = false;
    bool hvFailureReported_ = false;
    bool deviceFailed_ = false;
    bool stalled_ = false;
    bool givenUp_ = false;
    double lastAccepted_ = counting::NO_VALUE;
};

} // namespace kivocount
