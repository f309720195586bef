// Every message box and question of the program goes through this one service, so tests can replace
// the real boxes with a recorder that answers from a script.
#pragma once

#include <QString>

class QWidget;

enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgButtons { Ok, YesNoCancel };
enum class MsgAnswer { Ok, Yes, No, Cancel };

class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MsgAnswer show(QWidget* parent, const QString& title, const QString& text, MsgIcon icon,
                           MsgButtons buttons) = 0;

    // The service in use: the QMessageBox one unless a test installed another.
    static MessageService& current();
    // Installs `service` (not owned); nullptr restores the QMessageBox service.
    static void install(MessageService* service);
};

// Shorthands for the common cases.
void showMessage(QWidget* parent, const QString& title, const QString& text, MsgIcon icon);
MsgAnswer askQuestion(QWidget* parent, const QString& title, const QString& text);
