#include "app/child_picker.h"

#include "platform/fonts.h"
#include "platform/twips.h"

#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QRegularExpression>

#include <algorithm>

namespace {
// Twips. A family's few names stand in one column of big buttons; a class's
// names in columns of eight smaller ones, so that 40 fit a 1366 × 768 screen.
constexpr double margin = 360;
constexpr double headingHeight = 900;
constexpr double gap = 240;
constexpr double parentsWidth = 2400;
constexpr double parentsHeight = 450;

struct Grid
{
    int perColumn;
    double buttonWidth, buttonHeight, points;
};

Grid gridFor(int count)
{
    return count <= 6 ? Grid{6, 3600, 840, 20} : Grid{8, 3300, 690, 14};
}

int columnsFor(int count)
{
    const int perColumn = gridFor(count).perColumn;
    return std::max(1, (count + perColumn - 1) / perColumn);
}

double widthFor(int count)
{
    const Grid g = gridFor(count);
    return std::max(2 * margin + columnsFor(count) * (g.buttonWidth + gap) - gap, 2 * margin + 2 * 3600.0);
}

// A name too long for its button is broken at its last space onto a second
// line, and set smaller while it is still too wide: no letter is cut off.
void fitText(QPushButton *button, const QString &text, int width)
{
    QString shown = text;
    const qsizetype space = shown.lastIndexOf(QRegularExpression(QStringLiteral("[ \u3000]")));
    QFont font = button->font();
    const auto widest = [&] {
        int most = 0;
        for (const QString &line : shown.split(QLatin1Char('\n')))
            most = std::max(most, QFontMetrics(font).horizontalAdvance(line));
        return most;
    };
    if (widest() > width && space > 0)
        shown = shown.left(space) + QLatin1Char('\n') + shown.mid(space + 1);
    while (widest() > width && font.pixelSize() > 8)
        font.setPixelSize(font.pixelSize() - 1);
    button->setFont(font);
    button->setText(shown);
}

double heightFor(int count)
{
    const Grid g = gridFor(count);
    const int rows = std::clamp(count, 1, g.perColumn);
    return margin + headingHeight + rows * (g.buttonHeight + gap) + parentsHeight + margin;
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
    // With no name chosen in advance the window itself has the focus, and
    // the first key moves it to a name.
    setFocusPolicy(Qt::StrongFocus);
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
    const Grid g = gridFor(count);
    perColumn_ = g.perColumn;
    const double left = (width - (columnsFor(count) * (g.buttonWidth + gap) - gap)) / 2;
    for (int i = 0; i < count; ++i) {
        auto *button = new QPushButton(names[i], names_);
        button->setFont(Twips::font(Fonts::pGothic, g.points));
        fitText(button, names[i], Twips::toPixels(g.buttonWidth) - 16);
        button->setObjectName(QStringLiteral("Command1_%1").arg(i));
        button->setAccessibleName(names[i]);
        button->setAutoDefault(true); // Enter chooses the button that has the focus
        if (troubled.value(i)) {
            button->setProperty("troubled", true);
            button->setAccessibleDescription(QStringLiteral("せいせきの ばしょが みつかりません"));
        }
        place(button, left + (i / g.perColumn) * (g.buttonWidth + gap),
              margin + headingHeight + (i % g.perColumn) * (g.buttonHeight + gap), g.buttonWidth, g.buttonHeight);
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
    if (!Command1.empty())
        setTabOrder(Command1.back(), Command2);
    if (focused >= 0 && focused < count)
        Command1[static_cast<size_t>(focused)]->setFocus();
    else if (focused == noneChosen || Command1.empty())
        setFocus();
    else
        Command1.front()->setFocus();
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
    // Down and up walk a column, right and left go to the next column (in a
    // single column, the next name).
    const auto count = static_cast<int>(Command1.size());
    const int across = count > perColumn_ ? perColumn_ : 1;
    const int step = key == Qt::Key_Down ? 1 : key == Qt::Key_Up ? -1 : key == Qt::Key_Right ? across
                     : key == Qt::Key_Left ? -across : 0;
    if (step == 0)
        return Form::eventFilter(watched, event);
    const int index = ((static_cast<int>(current - Command1.begin()) + step) % count + count) % count;
    Command1[static_cast<size_t>(index)]->setFocus(Qt::OtherFocusReason);
    return true;
}

void ChildPicker::keyPressEvent(QKeyEvent *event)
{
    // Nothing chosen yet: an arrow or Tab takes the child to the first name.
    const int key = event->key();
    if (!Command1.empty() && (key == Qt::Key_Down || key == Qt::Key_Up || key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Tab)) {
        Command1.front()->setFocus(Qt::TabFocusReason);
        return;
    }
    Form::keyPressEvent(event);
}
