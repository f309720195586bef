#include "CTreviumPropPage.h"

#include "TreviumTypeLib.h"

CTreviumPropPage::CTreviumPropPage(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QString::fromLatin1(trevium::typelib::kPropPageCaption));
    setAccessibleName(windowTitle());
    setMinimumSize(250, 62);
}
