// One conversation with the device at a time. A handler holds a DeviceSequence while it makes its
// device calls; a failure box it opens runs a nested event loop in which the count-rate timer could
// fire and talk to the device in the middle of the handler's sequence. The timer asks inProgress()
// first and skips its tick instead.
#pragma once

class DeviceSequence {
public:
    DeviceSequence() { ++depth(); }
    ~DeviceSequence() { --depth(); }
    DeviceSequence(const DeviceSequence&) = delete;
    DeviceSequence& operator=(const DeviceSequence&) = delete;

    static bool inProgress() { return depth() > 0; }

private:
    static int& depth() {
        static int value = 0;
        return value;
    }
};
