// Ctrl+C and SIGTERM as an event: the first one is delivered to the event loop as triggered(), so the
// scan can be stopped as its Stop button does; a second one ends the program at once.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace kivoscan {

class Interrupt : public QObject {
    Q_OBJECT
public:
    Interrupt();
    ~Interrupt() override;
    bool happened() const { return happened_; }

signals:
    void triggered();

private:
    QSocketNotifier* notifier_ = nullptr;
    bool happened_ = false;
};

} // namespace kivoscan
