// The control's About box.
#pragma once

#include <QDialog>

namespace trevium {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace trevium
