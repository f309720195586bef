// One scan from the command line: the scan engine on the unit of a DeviceSession, a reading every
// period handed over as the main window's timer does, progress on stderr, and a stop on Ctrl+C or
// SIGTERM that writes the user's window back as the scan window's Stop does.
#pragma once

#include "ScanEngine.h"

#include <QElapsedTimer>
#include <QMap>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>
#include <utility>

namespace cli {
class DeviceSession;
class Progress;
} // namespace cli

namespace kivoscan {

using cli::DeviceSession;
using cli::Progress;

class ScanRun : public QObject, private scan::ScanHost {
    Q_OBJECT
public:
    // `abandon` says when the user insists on ending at once: what is left of the device conversation
    // (writing the user's window back) is then skipped.
    ScanRun(DeviceSession& session, Progress& progress, int periodMs, std::function<bool()> abandon = {});

    // Runs a whole scan and returns when it has ended, complete or stopped.
    void run(qint32 channels, qint16 sweeps);
    // Stops the scan (from a signal); run() then returns.
    void stop();
    // Asked once when the scan ends, its counts final: a window to leave on the unit instead of the
    // user's, or nothing to write the user's back as always.
    using WindowChoice = std::function<std::optional<spectrum::LevelWindow>(bool complete)>;
    void setWindowChoice(WindowChoice choose) { chooseWindow_ = std::move(choose); }

    const scan::ScanEngine& engine() const { return engine_; }
    const scan::Counts& counts() const { return counts_; }
    bool deviceFailed() const { return deviceFailed_; }
    bool stalled() const { return stalled_; }

    // Without a fresh reading for this long the scan is given up (a unit that stopped answering).
    qint64 stallLimitMs() const;

private:
    void poll();
    void sweepDone(int sweep);
    qint32 deviceHandle() const override;
    qint32 maxLevel() const override;
    scan::UnitDescription unitDescription() const override;
    void scanFailure(const QString& text) override;
    void channelFailure(const QString& text, qint32 channel) override;
    bool levelCountKnown() const override;
    bool abandonDevice() const override { return abandon_ && abandon_(); }
    void channelStarted() override;
    void readingAdded(qint32) override {}
    void countsCleared() override {}
    void movedOn(qint32) override {}
    std::optional<spectrum::LevelWindow> windowToLeave(bool complete) override {
        return chooseWindow_ ? chooseWindow_(complete) : std::nullopt;
    }
    void scanEnded(bool complete) override;

    DeviceSession& session_;
    Progress& progress_;
    scan::Counts counts_{};
    bool running_ = false;
    scan::ScanEngine engine_;
    QTimer timer_;
    QEventLoop loop_;
    QElapsedTimer elapsed_;
    QElapsedTimer sinceFresh_;
    int periodMs_;
    std::function<bool()> abandon_;
    WindowChoice chooseWindow_;
    qint16 lastSweep_ = 0;
    bool readFailureReported_ = false;
    // Channel failures by sentence: the first is told with its channel, the rest summed at the end.
    QMap<QString, int> channelFailures_;
    bool deviceFailed_ = false;
    bool stalled_ = false;
};

} // namespace kivoscan
