// The yardstick for start-up time and memory: a bare Qt Widgets program that
// shows a window of the menu's client size (248 x 275 px) with eight buttons
// and nothing else - no database, no fonts of its own, no sound.
#include <QApplication>
#include <QPushButton>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.setFixedSize(248, 275);
    for (int i = 0; i < 8; ++i) {
        auto *button = new QPushButton(QStringLiteral("Button %1").arg(i + 1), &window);
        button->setGeometry(24 + (i % 2) * 112, 24 + (i / 2) * 56, 89, 41);
    }
    window.show();
    return app.exec();
}
