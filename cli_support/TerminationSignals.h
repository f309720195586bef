// Turns SIGTERM and SIGINT (a session ending, `kill`, Ctrl+C in the shell that started the program)
// into a Qt signal on the event loop, so a program can end as its own controls end it: KivoPanel closes
// its main window as the close box does, asking about unsaved settings first; a command-line tool stops
// its measurement as a Stop button does. The first signal restores the default action, so a second one
// ends the program at once should the first close hang.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace cli {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Only one instance may exist at a time.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the handlers could not be installed (the default actions then stay in place).
    bool isActive() const { return notifier_ != nullptr; }
    // True once a signal has arrived.
    bool happened() const { return happened_; }

signals:
    void received(int signalNumber);

private:
    static void handle(int signalNumber);
    void readPending();

    QSocketNotifier* notifier_ = nullptr;
    bool happened_ = false;
};

} // namespace cli
