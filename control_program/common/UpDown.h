// A narrow up-down spin control: two stacked arrow buttons that step a value within a range, for a
// text box beside it that shows the number. Up and Down keys step it too when it has the focus.
#pragma once

#include <QWidget>

class QToolButton;

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);

    int value() const { return value_; }
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    void setRange(int minimum, int maximum);
    // Limited to the range; emits valueChanged when the value changes.
    void setValue(int value);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

public slots:
    void stepUp() { setValue(value_ + 1); }
    void stepDown() { setValue(value_ - 1); }

signals:
    void valueChanged(int value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateButtons();

    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    int minimum_ = 0;
    int maximum_ = 99;
    int value_ = 0;
};
