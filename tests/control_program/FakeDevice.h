// Test doubles for the windows' tests: the in-process device, and a message service that records every
// box and answers questions from a script.
#pragma once

#include "FakeKivoLib.h"
#include "MessageService.h"
#include "NoticeService.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

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

// Records the notices that do not block instead of showing them.
class NoticeRecorder : public NoticeService {
public:
    NoticeRecorder() { install(this); }
    ~NoticeRecorder() override { install(nullptr); }
    NoticeRecorder(const NoticeRecorder&) = delete;
    NoticeRecorder& operator=(const NoticeRecorder&) = delete;

    QStringList titles;
    QStringList texts;
    void notify(QWidget*, const QString& title, const QString& text) override {
        titles << title;
        texts << text;
    }
};
