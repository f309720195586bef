// The main window on a fake device, with a message recorder, plus the few steps every test repeats.
#pragma once

#include "FakeDevice.h"
#include "Globals.h"
#include "TopLevel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTest>

#include <memory>

struct PanelFixture {
    FakeDevice device;
    MessageRecorder messages;
    std::unique_ptr<TopLevel> window;

    PanelFixture() {
        globals::scanRunning = false;
        window = std::make_unique<TopLevel>();
        window->show();
    }

    template <typename W = QWidget> W* find(const char* name) const {
        W* w = window->findChild<W*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QPushButton* button(const char* name) const { return find<QPushButton>(name); }
    QString text(const char* labelName) const { return find<QLabel>(labelName)->text(); }

    void click(const char* buttonName) const { QTest::mouseClick(button(buttonName), Qt::LeftButton); }

    // Connects and forgets what the connect itself did, so a test sees only its own calls.
    void connectAndReset() {
        click("cmdConnect");
        if (globals::hSCA == 0)
            qFatal("fake device did not connect");
        device.calls.clear();
        messages.shown.clear();
    }

    // Drags a slider's thumb with the mouse from where it is by `dx` pixels, in `steps` moves.
    static void dragThumb(QSlider* slider, int dx, int steps) {
        QStyleOptionSlider opt;
        opt.initFrom(slider);
        opt.orientation = slider->orientation();
        opt.minimum = slider->minimum();
        opt.maximum = slider->maximum();
        opt.sliderPosition = slider->sliderPosition();
        opt.sliderValue = slider->value();
        opt.subControls = QStyle::SC_SliderHandle;
        const QPoint start = slider->style()
                                 ->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider)
                                 .center();
        QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, start);
        for (int i = 1; i <= steps; ++i)
            QTest::mouseMove(slider, start + QPoint(dx * i / steps, 0));
        QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, start + QPoint(dx, 0));
    }
};
