// Test doubles for the main window's tests: an in-process device behind the device link's function
// table that records every call and fails on demand, and a message service that records every box
// and answers questions from a script.
#pragma once

#include "DeviceLink.h"
#include "MessageService.h"
#include "Params.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

#include <array>
#include <cstring>
#include <functional>

struct FakeCall {
    enum Op { Open, Close, Get, Set, ReadCPS, Save };
    Op op;
    qint32 id = -1;
    qint32 value = 0;
    qint32 size = 0;
    bool operator==(const FakeCall& o) const {
        return op == o.op && id == o.id && value == o.value && size == o.size;
    }
};

inline char* toString(const FakeCall& c) {
    static const char* names[] = {"Open", "Close", "Get", "Set", "ReadCPS", "Save"};
    return qstrdup(QStringLiteral("%1(id %2, value %3, size %4)")
                       .arg(QString::fromLatin1(names[c.op]))
                       .arg(c.id)
                       .arg(c.value)
                       .arg(c.size)
                       .toLatin1()
                       .constData());
}

class FakeDevice {
public:
    static constexpr qint32 HANDLE = 77;

    FakeDevice() {
        current() = this;
        table_.openSCA = &openSCA;
        table_.closeSCA = &closeSCA;
        table_.getParam = &getParam;
        table_.setParam = &setParam;
        table_.readCPS = &readCPS;
        table_.saveSettings = &saveSettings;
        kivo::DeviceLink::instance().overrideFunctions(&table_);
        // A Kivo-VR with current firmware in "CPS level" mode.
        texts[kivo::PARAM_PRODUCT_NAME] = "Kivo-VR 1000";
        texts[kivo::PARAM_MANUFACTURER] = "Vantoll Instruments";
        texts[kivo::PARAM_SERIAL_NUMBER] = "SN1234";
        texts[kivo::PARAM_FW_VERSION] = "2.0.1";
        texts[kivo::PARAM_PRODUCTION_DATE] = "20120315";
        numbers[kivo::PARAM_HV] = 2048;
        numbers[kivo::PARAM_GAIN] = 1 * 4096 + 1000;
        numbers[kivo::PARAM_LLD] = 100;
        numbers[kivo::PARAM_ULD] = 1900;
        numbers[kivo::PARAM_INTEGRAL_MODE] = 0;
        numbers[kivo::PARAM_ANALOG_MODE] = 1;
        numbers[kivo::PARAM_CPS_RANGE] = 3;
        numbers[kivo::PARAM_RESPONSE_TIME] = 2;
        numbers[kivo::PARAM_TTL_DURATION] = 9;
    }
    ~FakeDevice() {
        kivo::DeviceLink::instance().overrideFunctions(nullptr);
        current() = nullptr;
    }
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;

    // What the device answers.
    qint32 openResult = HANDLE;
    QMap<qint32, QByteArray> texts; // written into the 32-character buffer, NUL-padded
    QMap<qint32, qint32> numbers;
    qint32 levelCount = 2048;
    QList<std::array<qint32, 3>> cpsReadings; // status, cps, fresh; consumed one per ReadCPS
    qint32 saveResult = 0;

    // Failures on demand.
    QSet<qint32> failingGets;
    QSet<qint32> failingSets;
    bool failAllGets = false;

    QList<FakeCall> calls;

    QList<FakeCall> callsOf(FakeCall::Op op) const {
        QList<FakeCall> out;
        for (const FakeCall& c : calls)
            if (c.op == op)
                out << c;
        return out;
    }
    // Values sent with SetParam for `id`, in order.
    QList<qint32> sent(qint32 id) const {
        QList<qint32> out;
        for (const FakeCall& c : calls)
            if (c.op == FakeCall::Set && c.id == id)
                out << c.value;
        return out;
    }
    QList<qint32> readIds() const {
        QList<qint32> out;
        for (const FakeCall& c : callsOf(FakeCall::Get))
            out << c.id;
        return out;
    }

private:
    static FakeDevice*& current() {
        static FakeDevice* device = nullptr;
        return device;
    }
    static int32_t openSCA(int32_t port) {
        current()->calls << FakeCall{FakeCall::Open, -1, port, 0};
        return current()->openResult;
    }
    static int32_t closeSCA(int32_t handle) {
        current()->calls << FakeCall{FakeCall::Close, -1, handle, 0};
        return 0;
    }
    static int32_t getParam(int32_t, int32_t id, void* buffer, int32_t size) {
        FakeDevice& d = *current();
        d.calls << FakeCall{FakeCall::Get, id, 0, size};
        if (d.failAllGets || d.failingGets.contains(id))
            return 5;
        if (size == kivo::TEXT_PARAM_SIZE) {
            QByteArray text = d.texts.value(id).left(kivo::TEXT_PARAM_SIZE);
            text.append(QByteArray(kivo::TEXT_PARAM_SIZE - text.size(), '\0'));
            std::memcpy(buffer, text.constData(), kivo::TEXT_PARAM_SIZE);
        } else if (size == kivo::LEVEL_INFO_PARAM_SIZE) {
            const qint32 info[3] = {d.levelCount, 0, 0};
            std::memcpy(buffer, info, sizeof info);
        } else {
            const qint32 value = d.numbers.value(id);
            std::memcpy(buffer, &value, sizeof value);
        }
        return 0;
    }
    static int32_t setParam(int32_t, int32_t id, const void* value, int32_t size) {
        FakeDevice& d = *current();
        qint32 v = 0;
        std::memcpy(&v, value, sizeof v);
        d.calls << FakeCall{FakeCall::Set, id, v, size};
        if (d.failingSets.contains(id))
            return 6;
        d.numbers[id] = v;
        return 0;
    }
    static int32_t readCPS(int32_t, int32_t* cps, int32_t* fresh) {
        FakeDevice& d = *current();
        d.calls << FakeCall{FakeCall::ReadCPS, -1, 0, 0};
        if (d.cpsReadings.isEmpty()) {
            *fresh = 0;
            return 0;
        }
        const auto reading = d.cpsReadings.takeFirst();
        *cps = reading[1];
        *fresh = reading[2];
        return reading[0];
    }
    static int32_t saveSettings(int32_t) {
        current()->calls << FakeCall{FakeCall::Save, -1, 0, 0};
        return current()->saveResult;
    }

    kivo::KivoFunctions table_;
};

struct ShownMessage {
    QString title;
    QString text;
    MsgIcon icon;
    MsgButtons buttons;
};

class MessageRecorder : public MessageService {
public:
    MessageRecorder() { MessageService::install(this); }
    ~MessageRecorder() override { MessageService::install(nullptr); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QList<ShownMessage> shown;
    QList<MsgAnswer> answers; // for questions, in order; Cancel when the script runs out
    // Runs while a box is open, as the timers of a real box's event loop would.
    std::function<void()> whileOpen;

    MsgAnswer show(QWidget*, const QString& title, const QString& text, MsgIcon icon,
                   MsgButtons buttons) override {
        shown << ShownMessage{title, text, icon, buttons};
        if (whileOpen)
            whileOpen();
        if (buttons == MsgButtons::YesNoCancel)
            return answers.isEmpty() ? MsgAnswer::Cancel : answers.takeFirst();
        return MsgAnswer::Ok;
    }
    QStringList texts() const {
        QStringList out;
        for (const ShownMessage& m : shown)
            out << m.text;
        return out;
    }
};
