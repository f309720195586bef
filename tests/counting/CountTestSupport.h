// A host that records what the counting engine asks and tells, and a Poisson reading source: each
// reading is one second's counts drawn with GSL's Mersenne Twister, so every seed gives the same run.
#pragma once

#include "CountEngine.h"

#include <QStringList>

#include <gsl/gsl_randist.h>
#include <gsl/gsl_rng.h>

#include <functional>
#include <memory>

inline const QDateTime START{QDate(2024, 3, 15), QTime(10, 20, 30), Qt::UTC};

struct RecordingHost : counting::CountHost {
    QStringList events;
    QList<double> hv;           // every HV asked for, in order
    QList<double> refuse;       // HVs the unit refuses
    std::function<void()> onHv; // runs inside an HV call
    std::function<void()> onReading;

    bool setHighVoltage(double volts) override {
        hv << volts;
        if (onHv)
            onHv();
        return !refuse.contains(volts);
    }
    void waiting(const QDateTime& until) override {
        events << u"wait "_qs + until.toString(Qt::ISODateWithMs);
    }
    void measurementStarted(int index) override { events << u"start %1"_qs.arg(index); }
    void readingTaken(int, qint32) override {
        if (onReading)
            onReading();
    }
    void measurementFinished(int index) override { events << u"done %1"_qs.arg(index); }
    void seriesEnded(counting::SeriesEnd how) override { events << u"end "_qs + counting::endName(how); }
};

class PoissonSource {
public:
    explicit PoissonSource(unsigned long seed) : rng_(gsl_rng_alloc(gsl_rng_mt19937), gsl_rng_free) {
        gsl_rng_set(rng_.get(), seed);
    }
    qint32 draw(double mean) { return qint32(gsl_ran_poisson(rng_.get(), mean)); }

private:
    std::unique_ptr<gsl_rng, void (*)(gsl_rng*)> rng_;
};

// Feeds readings every `periodMs` from `from` until the engine stops (or `limit` readings); `rate` gives
// the mean at each reading's time. Returns the time of the last reading.
inline QDateTime feed(counting::CountEngine& engine, PoissonSource& source,
                      const std::function<double(qint64 ms)>& rate, QDateTime from = START,
                      qint64 periodMs = 1000, int limit = 1000000) {
    QDateTime t = from;
    for (int i = 0; i < limit && engine.running(); ++i) {
        t = t.addMSecs(periodMs);
        engine.addReading(source.draw(rate(from.msecsTo(t))), t);
    }
    return t;
}
