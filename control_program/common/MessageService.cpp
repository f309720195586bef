#include "MessageService.h"

#include <QMessageBox>

namespace {

class BoxService final : public MessageService {
public:
    MsgAnswer show(QWidget* parent, const QString& title, const QString& text, MsgIcon icon,
                   MsgButtons buttons) override {
        QMessageBox box(parent);
        box.setWindowTitle(title);
        // Texts may carry device strings; never let them be read as rich text.
        box.setTextFormat(Qt::PlainText);
        box.setText(text);
        switch (icon) {
        case MsgIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case MsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MsgIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MsgIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case MsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        }
        if (buttons == MsgButtons::YesNoCancel) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::Cancel);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        switch (box.exec()) {
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        case QMessageBox::Cancel:
            return MsgAnswer::Cancel;
        default:
            return buttons == MsgButtons::YesNoCancel ? MsgAnswer::Cancel : MsgAnswer::Ok;
        }
    }
};

BoxService& boxService() {
    static BoxService service;
    return service;
}

MessageService* installed = nullptr;

} // namespace

MessageService& MessageService::current() { return installed ? *installed : boxService(); }

void MessageService::install(MessageService* service) { installed = service; }

void showMessage(QWidget* parent, const QString& title, const QString& text, MsgIcon icon) {
    MessageService::current().show(parent, title, text, icon, MsgButtons::Ok);
}

MsgAnswer askQuestion(QWidget* parent, const QString& title, const QString& text) {
    return MessageService::current().show(parent, title, text, MsgIcon::Question, MsgButtons::YesNoCancel);
}
