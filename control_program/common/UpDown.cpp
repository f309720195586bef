#include "UpDown.h"

#include <QKeyEvent>
#include <QToolButton>

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    up_->setAccessibleName(tr("Up"));
    down_->setAccessibleName(tr("Down"));
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus); // the control itself takes the focus and the arrow keys
    }
    connect(up_, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(down_, &QToolButton::clicked, this, &UpDown::stepDown);
    setFocusPolicy(Qt::StrongFocus);
    updateButtons();
}

void UpDown::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = qMax(minimum, maximum);
    setValue(value_);
    updateButtons();
}

void UpDown::setValue(int value) {
    const int limited = qBound(minimum_, value, maximum_);
    if (limited == value_)
        return;
    value_ = limited;
    updateButtons();
    emit valueChanged(value_);
}

void UpDown::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up)
        stepUp();
    else if (event->key() == Qt::Key_Down)
        stepDown();
    else
        QWidget::keyPressEvent(event);
}

void UpDown::resizeEvent(QResizeEvent*) {
    const int upper = height() / 2;
    up_->setGeometry(0, 0, width(), upper);
    down_->setGeometry(0, upper, width(), height() - upper);
}

void UpDown::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        updateButtons();
    QWidget::changeEvent(event);
}

void UpDown::updateButtons() {
    up_->setEnabled(isEnabled() && value_ < maximum_);
    down_->setEnabled(isEnabled() && value_ > minimum_);
}
