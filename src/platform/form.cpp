#include "platform/form.h"

#include "platform/colours.h"
#include "platform/project_globals.h"
#include "platform/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

Form::Form(const QString &name, const QString &caption, double widthTwips, double heightTwips,
           QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(name);
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose, false);
    Colours::fill(this, Colours::green);
    setFixedSize(Twips::toPixels(widthTwips), Twips::toPixels(heightTwips));
}

Form::~Form() = default;

void Form::place(QWidget *control, double left, double top, double width, double height)
{
    control->setGeometry(Twips::rect(left, top, width, height));
}

void Form::setCaption(QLabel *label, const QString &text)
{
    label->setText(text);
    label->setAccessibleName(text);
}

void Form::setCaptionWithChild(const QString &caption, const std::optional<QString> &child)
{
    captionWithChild_ = caption;
    fixedChild_ = child;
    showChildInCaption();
}

void Form::showChildInAllCaptions()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *form = qobject_cast<Form *>(window))
            form->showChildInCaption();
    }
}

void Form::showChildInCaption()
{
    if (!captionWithChild_)
        return;
    const QString &child = fixedChild_ ? *fixedChild_ : ProjectGlobals::instance().childName;
    setWindowTitle(child.isEmpty() ? *captionWithChild_
                                   : *captionWithChild_ + QStringLiteral("（") + child + QStringLiteral("）"));
}

void Form::showForm()
{
    if (!loaded_) {
        loaded_ = true;
        Form_Load();
        if (!loaded_) // the load handler itself may have closed the window
            return;
        centreOnScreen();
        centreWithFrame_ = true;
        show();
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
        emit unloaded();
    }
    event->accept();
}

void Form::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // Before the first show the frame a window manager adds is unknown, so the
    // window was centred without it; once the frame is there, centre again.
    if (centreWithFrame_ && frameGeometry().size() != size()) {
        centreWithFrame_ = false;
        centreOnScreen();
    }
}

void Form::centreOnScreen()
{
    QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}
