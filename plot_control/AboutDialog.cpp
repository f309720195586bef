#include "AboutDialog.h"

#include "TreviumTypeLib.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace trevium {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(typelib::kAboutTitle));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* version = new QLabel(QString::fromLatin1(typelib::kAboutVersionLine), this);
    version->setObjectName(QStringLiteral("versionLine"));
    auto* maker = new QLabel(QString::fromLatin1(typelib::kAboutMakerLine), this);
    maker->setObjectName(QStringLiteral("makerLine"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(version);
    layout->addWidget(maker);
    layout->addWidget(buttons);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    setFixedSize(sizeHint());
}

} // namespace trevium
