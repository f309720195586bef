// The control's one property page, "General". It carries no property controls: everything is set
// through the automation interface or the stored property bag.
#pragma once

#include "Automation.h"

#include <QWidget>

class TREVIUM_EXPORT CTreviumPropPage : public QWidget {
    Q_OBJECT
public:
    explicit CTreviumPropPage(QWidget* parent = nullptr);

    // The caption the property frame shows on the page's tab.
    QString caption() const { return windowTitle(); }

private:
    trevium::LiveObjectToken token_;
};
