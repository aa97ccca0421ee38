#include "app/child_picker.h"

#include "platform/fonts.h"
#include "platform/twips.h"

#include <QEventLoop>
#include <QKeyEvent>

#include <algorithm>

namespace {
// Twips: a column of up to six names, as many columns as the names need.
constexpr int perColumn = 6;
constexpr double margin = 360;
constexpr double headingHeight = 900;
constexpr double buttonWidth = 3600;
constexpr double buttonHeight = 840;
constexpr double gap = 240;
constexpr double parentsWidth = 2400;
constexpr double parentsHeight = 450;

int columnsFor(int count)
{
    return std::max(1, (count + perColumn - 1) / perColumn);
}

double widthFor(int count)
{
    return std::max(2 * margin + columnsFor(count) * (buttonWidth + gap) - gap, 2 * margin + 2 * buttonWidth);
}

double heightFor(int count)
{
    const int rows = std::clamp(count, 1, perColumn);
    return margin + headingHeight + rows * (buttonHeight + gap) + parentsHeight + margin;
}
} // namespace

ChildPicker::ChildPicker(const QString &question, const QStringList &names, int focused, const QList<bool> &troubled)
    : Form(QStringLiteral("ChildPicker"), question, widthFor(static_cast<int>(names.size())),
           heightFor(static_cast<int>(names.size())))
{
    Label1 = new QLabel(question, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(Twips::font(Fonts::pGothic, 18));
    Command2 = new QPushButton(QStringLiteral("おうちのかたへ"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setFont(Twips::font(Fonts::pGothic, 9.75));
    setNames(names, focused, troubled);
}

ChildPicker::~ChildPicker() = default;

void ChildPicker::setNames(const QStringList &names, int focused, const QList<bool> &troubled)
{
    delete names_;
    Command1.clear();
    const int count = static_cast<int>(names.size());
    const double width = widthFor(count);
    const double height = heightFor(count);
    setFixedSize(Twips::toPixels(width), Twips::toPixels(height));
    place(Label1, margin, margin, width - 2 * margin, headingHeight);
    // The names stand in a layer of their own, made anew with each list.
    names_ = new QWidget(this);
    names_->setGeometry(rect());
    names_->lower();
    // The name that Enter would choose stands out for a child who reads no
    // focus frame.
    names_->setStyleSheet(QStringLiteral(
        "QPushButton { background: white; color: black; border: 2px solid #606060; border-radius: 10px; }"
        "QPushButton:focus { background: #FFFF00; border: 6px solid #FF0000; }"
        "QPushButton[troubled=\"true\"] { color: #909090; border-style: dashed; }"));
    const double left = (width - (columnsFor(count) * (buttonWidth + gap) - gap)) / 2;
    for (int i = 0; i < count; ++i) {
        auto *button = new QPushButton(names[i], names_);
        button->setObjectName(QStringLiteral("Command1_%1").arg(i));
        button->setAccessibleName(names[i]);
        button->setFont(Twips::font(Fonts::pGothic, 20));
        button->setAutoDefault(true); // Enter chooses the button that has the focus
        if (troubled.value(i)) {
            button->setProperty("troubled", true);
            button->setAccessibleDescription(QStringLiteral("せいせきの ばしょが みつかりません"));
        }
        place(button, left + (i / perColumn) * (buttonWidth + gap),
              margin + headingHeight + (i % perColumn) * (buttonHeight + gap), buttonWidth, buttonHeight);
        connect(button, &QPushButton::clicked, this, [this, i] { emit chosen(i); });
        button->installEventFilter(this);
        button->show();
        Command1.push_back(button);
    }
    // Made after the window was shown: shown with it.
    names_->show();
    place(Command2, width - margin - parentsWidth, height - margin - parentsHeight, parentsWidth, parentsHeight);
    for (size_t i = 1; i < Command1.size(); ++i)
        setTabOrder(Command1[i - 1], Command1[i]);
    if (!Command1.empty()) {
        setTabOrder(Command1.back(), Command2);
        Command1[static_cast<size_t>(focused >= 0 && focused < count ? focused : 0)]->setFocus();
    }
}

std::optional<int> ChildPicker::choose(const std::function<void()> &onParents)
{
    std::optional<int> picked;
    QEventLoop waiting;
    const QMetaObject::Connection onChosen = connect(this, &ChildPicker::chosen, &waiting, [&](int index) {
        picked = index;
        waiting.quit();
    });
    const QMetaObject::Connection onClicked = connect(Command2, &QPushButton::clicked, &waiting, [&] {
        if (onParents)
            onParents();
    });
    const QMetaObject::Connection onClosed = connect(this, &Form::unloaded, &waiting, &QEventLoop::quit);
    showForm();
    if (isLoaded())
        waiting.exec();
    disconnect(onChosen);
    disconnect(onClicked);
    disconnect(onClosed);
    unloadForm();
    return picked;
}

bool ChildPicker::eventFilter(QObject *watched, QEvent *event)
{
    const auto current = std::find(Command1.begin(), Command1.end(), watched);
    if (event->type() != QEvent::KeyPress || current == Command1.end())
        return Form::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    const int step = key == Qt::Key_Down || key == Qt::Key_Right ? 1 : key == Qt::Key_Up || key == Qt::Key_Left ? -1 : 0;
    if (step == 0)
        return Form::eventFilter(watched, event);
    const auto count = static_cast<int>(Command1.size());
    const int index = (static_cast<int>(current - Command1.begin()) + step + count) % count;
    Command1[static_cast<size_t>(index)]->setFocus(Qt::OtherFocusReason);
    return true;
}
