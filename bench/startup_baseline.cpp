// The peer of KivoPanel's start-up memory measurement: a plain Qt Widgets program with the same kind
// of controls, and nothing else. A main window with push buttons, group boxes, a line edit, lists,
// sliders, labels, a check box, option buttons and a status bar, whose count label a 250 ms timer
// updates; a second window with a custom-painted 513-point graph, lists, option buttons, a line edit
// with a spin box, buttons and a status bar. Both windows open at start.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPainter>
#include <QPolygon>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

QComboBox* list(int entries, const QString& prefix) {
    auto* box = new QComboBox;
    for (int i = 0; i < entries; ++i)
        box->addItem(prefix + QString::number(i + 1));
    return box;
}

// A spectrum drawn with QPainter: grid, axes and a 513-point polyline.
class Graph : public QWidget {
public:
    Graph() {
        setMinimumSize(533, 353);
        for (int i = 0; i <= 512; ++i)
            counts_[i] = int(1000 * std::exp(-std::pow((i - 256) / 20.0, 2)) + 200 * std::exp(-i / 150.0));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        p.setPen(QColor(0, 128, 0));
        for (int x = 0; x < width(); x += width() / 10)
            p.drawLine(x, 0, x, height());
        for (int y = 0; y < height(); y += height() / 8)
            p.drawLine(0, y, width(), y);
        QPolygon line;
        for (int i = 0; i <= 512; ++i)
            line << QPoint(i * (width() - 1) / 512, height() - 1 - counts_[i] * (height() - 1) / 1200);
        p.setPen(Qt::yellow);
        p.drawPolyline(line);
        p.setPen(Qt::white);
        p.drawText(rect().adjusted(4, 4, -4, -4), Qt::AlignBottom | Qt::AlignHCenter,
                   QStringLiteral("Discriminator level (%)"));
    }

private:
    int counts_[513] = {};
};

class MainWindow : public QMainWindow {
public:
    MainWindow() {
        setWindowTitle(QStringLiteral("Baseline main window"));
        auto* central = new QWidget;
        auto* grid = new QGridLayout(central);

        auto* hv = new QGroupBox(QStringLiteral("High Voltage"));
        auto* hvRow = new QHBoxLayout(hv);
        hvRow->addWidget(new QLabel(QStringLiteral("Volts:")));
        hvRow->addWidget(new QLineEdit(QStringLiteral("1000")));
        hvRow->addWidget(new QPushButton(QStringLiteral("&Set")));
        grid->addWidget(hv, 0, 0);

        auto* gain = new QGroupBox(QStringLiteral("Gain"));
        auto* gainGrid = new QGridLayout(gain);
        gainGrid->addWidget(new QLabel(QStringLiteral("Coarse:")), 0, 0);
        gainGrid->addWidget(list(4, QStringLiteral("x")), 0, 1);
        gainGrid->addWidget(new QLabel(QStringLiteral("Fine:")), 1, 0);
        gainGrid->addWidget(new QSlider(Qt::Horizontal), 1, 1);
        gainGrid->addWidget(new QLabel(QStringLiteral("1.000")), 1, 2);
        grid->addWidget(gain, 1, 0);

        auto* window = new QGroupBox(QStringLiteral("Discriminator"));
        auto* windowGrid = new QGridLayout(window);
        for (int row = 0; row < 2; ++row) {
            windowGrid->addWidget(new QLabel(row ? QStringLiteral("ULD:") : QStringLiteral("LLD:")), row, 0);
            auto* slider = new QSlider(Qt::Horizontal);
            slider->setRange(0, 2047);
            slider->setTickPosition(QSlider::TicksBelow);
            windowGrid->addWidget(slider, row, 1);
            windowGrid->addWidget(new QLabel(QStringLiteral("0.00%")), row, 2);
        }
        windowGrid->addWidget(new QCheckBox(QStringLiteral("&Integral mode")), 2, 1);
        grid->addWidget(window, 2, 0);

        auto* outputs = new QGroupBox(QStringLiteral("Analog Output"));
        auto* outputGrid = new QGridLayout(outputs);
        outputGrid->addWidget(new QRadioButton(QStringLiteral("Amplifier pulse")), 0, 0);
        outputGrid->addWidget(new QRadioButton(QStringLiteral("CPS level")), 0, 1);
        outputGrid->addWidget(new QLabel(QStringLiteral("Range:")), 1, 0);
        outputGrid->addWidget(list(29, QStringLiteral("range ")), 1, 1);
        outputGrid->addWidget(new QLabel(QStringLiteral("Response time:")), 2, 0);
        outputGrid->addWidget(list(14, QStringLiteral("time ")), 2, 1);
        outputGrid->addWidget(new QLabel(QStringLiteral("Pulse duration:")), 3, 0);
        outputGrid->addWidget(list(14, QStringLiteral("duration ")), 3, 1);
        grid->addWidget(outputs, 3, 0);

        auto* buttons = new QVBoxLayout;
        for (const char* caption : {"&Connect", "&Device Info...", "&Refresh", "&Save", "S&can...", "E&xit"})
            buttons->addWidget(new QPushButton(QString::fromLatin1(caption)));
        count_ = new QLabel(QStringLiteral("0 CPS"));
        count_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        buttons->addWidget(count_);
        buttons->addStretch();
        grid->addLayout(buttons, 0, 1, 4, 1);
        setCentralWidget(central);
        statusBar()->showMessage(QStringLiteral("Connected"));

        // The count-rate poll.
        connect(&timer_, &QTimer::timeout, this, [this] {
            count_->setText(QString::number(4500 + QRandomGenerator::global()->bounded(400)) +
                            QStringLiteral(" CPS"));
        });
        timer_.start(250);
    }

private:
    QLabel* count_ = nullptr;
    QTimer timer_;
};

class ScanWindow : public QWidget {
public:
    ScanWindow() {
        setWindowTitle(QStringLiteral("Baseline scan window"));
        auto* row = new QHBoxLayout(this);
        auto* left = new QVBoxLayout;
        left->addWidget(new Graph);
        auto* status = new QStatusBar;
        status->addWidget(new QLabel(QStringLiteral("Sweep 1 of 10")));
        status->addWidget(new QLabel(QStringLiteral("Channel 1 of 128")));
        left->addWidget(status);
        row->addLayout(left);

        auto* side = new QVBoxLayout;
        side->addWidget(new QPushButton(QStringLiteral("&Start")));
        side->addWidget(new QPushButton(QStringLiteral("Clear")));
        auto* channels = new QGroupBox(QStringLiteral("Channels"));
        (new QVBoxLayout(channels))->addWidget(list(4, QStringLiteral("channels ")));
        side->addWidget(channels);
        auto* scale = new QGroupBox(QStringLiteral("Scale"));
        auto* scaleLayout = new QVBoxLayout(scale);
        scaleLayout->addWidget(new QRadioButton(QStringLiteral("Lin")));
        scaleLayout->addWidget(new QRadioButton(QStringLiteral("Log")));
        scaleLayout->addWidget(list(12, QStringLiteral("scale ")));
        side->addWidget(scale);
        auto* sweeps = new QGroupBox(QStringLiteral("Sweeps"));
        auto* sweepsLayout = new QHBoxLayout(sweeps);
        sweepsLayout->addWidget(new QLineEdit(QStringLiteral("10")));
        sweepsLayout->addWidget(new QSpinBox);
        side->addWidget(sweeps);
        side->addWidget(new QPushButton(QStringLiteral("&Print...")));
        side->addWidget(new QPushButton(QStringLiteral("&Close")));
        side->addStretch();
        row->addLayout(side);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    MainWindow main;
    main.show();
    ScanWindow scan;
    scan.show();
    return app.exec();
}
