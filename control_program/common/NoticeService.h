// Notices that must not stop what the program is doing: shown in a window that does not block (no
// modal box), so the step that reports them goes on unchanged. Tests install a recorder instead.
#pragma once

#include <QString>

class QWidget;

class NoticeService {
public:
    virtual ~NoticeService() = default;
    virtual void notify(QWidget* parent, const QString& title, const QString& text) = 0;

    // The service in use: a non-modal message window unless a test installed another.
    static NoticeService& current();
    // Installs `service` (not owned); nullptr restores the message-window service.
    static void install(NoticeService* service);
};
