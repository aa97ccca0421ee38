#include "platform/form.h"

#include "platform/twips.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

const QColor Form::background(0, 255, 0);

Form::Form(const QString &name, const QString &caption, double widthTwips, double heightTwips,
           QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(name);
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, background);
    setPalette(pal);
    setClientSizeTwips(widthTwips, heightTwips);
}

Form::~Form() = default;

void Form::setClientSizeTwips(double widthTwips, double heightTwips)
{
    designSize_ = QSize(Twips::toPixels(widthTwips), Twips::toPixels(heightTwips));
    setFixedSize(designSize_);
}

void Form::place(QWidget *control, double left, double top, double width, double height)
{
    control->setGeometry(Twips::rect(left, top, width, height));
}

void Form::showForm()
{
    if (!loaded_) {
        loaded_ = true;
        Form_Load();
        if (!loaded_) // the load handler itself may have closed the window
            return;
        centreOnScreen();
        show();
        emit loadedChanged(true);
    } else {
        if (isMinimized())
            showNormal();
        else
            show();
    }
    raise();
    activateWindow();
}

void Form::unloadForm()
{
    if (loaded_)
        close();
}

void Form::closeEvent(QCloseEvent *event)
{
    if (loaded_) {
        loaded_ = false;
        Form_Unload();
        emit loadedChanged(false);
    }
    event->accept();
}

void Form::centreOnScreen()
{
    QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    QRect frame = frameGeometry();
    frame.moveCenter(available.center());
    move(frame.topLeft());
}
