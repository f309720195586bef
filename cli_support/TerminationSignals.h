// Turns SIGTERM, SIGINT and SIGHUP (a session ending, `kill`, Ctrl+C, the terminal closed) into Qt
// signals on the event loop, so a program ends as its own controls end it: KivoPanel closes its main
// window as the close box does, a command-line tool stops its measurement as a Stop button does.
//
// A signal that arrives twice in a row is one request: `timeout`, a terminal or a wrapper often deliver
// the same Ctrl+C to the process and to its group, so a repeat within the grace period (about a second)
// is ignored. A later one is a user who insists: insisted() tells the program to skip what is left of
// its device conversation (and still keep what it measured), and from then on the default action is
// back, so a third one ends the program at once should even that hang.
//
// Whether a request arrived is known at once, also while no event loop runs (during a blocking device
// call): requested() and insisted() read what the handler recorded.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace cli {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    static constexpr int GRACE_MS = 1000;

    // Only one instance may exist at a time.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the handlers could not be installed (the default actions then stay in place).
    bool isActive() const { return notifier_ != nullptr; }
    // A first request arrived / a second one after the grace period.
    bool requested() const;
    bool insisted() const;
    // Kept for the callers that ask whether a stop happened.
    bool happened() const { return requested(); }

signals:
    void received(int signalNumber);
    void insistedOn(int signalNumber);

private:
    static void handle(int signalNumber);
    void readPending();

    QSocketNotifier* notifier_ = nullptr;
    int delivered_ = 0;
};

} // namespace cli
