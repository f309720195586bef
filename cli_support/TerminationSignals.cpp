#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <ctime>
#include <sys/socket.h>
#include <unistd.h>

namespace cli {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The pair the handler writes to (end 0) and the event loop reads from (end 1).
int pipeEnds[2] = {-1, -1};

// What the handler saw: 0 nothing, 1 a request, 2 a request insisted on. Lock-free atomics are safe
// to touch in a signal handler.
std::atomic<int> stage{0};
std::atomic<long long> firstAtMs{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<long long>::is_always_lock_free);

long long monotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now); // async-signal-safe
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

void TerminationSignals::handle(int signalNumber) {
    // Only async-signal-safe calls here: the clock, atomics, sigaction and one byte into the socket.
    const long long now = monotonicMs();
    if (stage.load() == 0) {
        firstAtMs.store(now);
        stage.store(1);
    } else if (stage.load() == 1 && now - firstAtMs.load() >= GRACE_MS) {
        stage.store(2);
        struct sigaction fallback = {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        for (int s : kSignals)
            ::sigaction(s, &fallback, nullptr);
    } else {
        return; // the same request delivered twice
    }
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[0], &byte, 1);
}

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (pipeEnds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0)
        return;
    stage.store(0);
    notifier_ = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readPending);

    struct sigaction action = {};
    action.sa_handler = &TerminationSignals::handle;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals)
        sigaddset(&action.sa_mask, s); // one handler at a time
    action.sa_flags = SA_RESTART;
    for (int signalNumber : kSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_)
        return;
    for (int signalNumber : kSignals)
        ::signal(signalNumber, SIG_DFL);
    delete notifier_;
    notifier_ = nullptr;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
    stage.store(0);
}

bool TerminationSignals::requested() const {
    return notifier_ && stage.load() >= 1;
}

bool TerminationSignals::insisted() const {
    return notifier_ && stage.load() >= 2;
}

void TerminationSignals::readPending() {
    unsigned char byte = 0;
    if (::read(pipeEnds[1], &byte, 1) != 1)
        return;
    // The first byte is the request, a second one the insisting.
    if (delivered_++ == 0)
        emit received(byte);
    else
        emit insistedOn(byte);
}

} // namespace cli
