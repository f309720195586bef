// How long the unit has gone without a fresh count-rate reading. A unit that was unplugged, lost power
// or hangs answers every call with an error or never marks a reading fresh; after a few seconds of that
// the windows say the number shown is stale and a running scan waits, instead of waiting silently.
#pragma once

#include <QDateTime>
#include <QElapsedTimer>

class ReadingWatch {
public:
    // A reading period is at most a second; three missed seconds are no chance.
    static constexpr qint64 DEFAULT_LIMIT_MS = 3000;

    // A connection begins: its first reading is awaited from now.
    void start() {
        clock_.start();
        lastFresh_ = QDateTime::currentDateTimeUtc();
        stale_ = false;
    }
    // A fresh reading arrived. True when that ends a stale spell.
    bool fresh() {
        clock_.start();
        lastFresh_ = QDateTime::currentDateTimeUtc();
        const bool changed = stale_;
        stale_ = false;
        return changed;
    }
    // A tick brought no fresh reading. True when that begins a stale spell.
    bool missed() {
        if (stale_ || !clock_.isValid() || clock_.elapsed() < limitMs_)
            return false;
        stale_ = true;
        return true;
    }
    bool stale() const { return stale_; }
    QDateTime lastFreshUtc() const { return lastFresh_; }
    qint64 limitMs() const { return limitMs_; }
    void setLimitMs(qint64 ms) { limitMs_ = ms; }

private:
    QElapsedTimer clock_;
    QDateTime lastFresh_;
    qint64 limitMs_ = DEFAULT_LIMIT_MS;
    bool stale_ = false;
};
