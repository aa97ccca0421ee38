#include "teacher/teacher_login.h"

#include "platform/colours.h"
#include "platform/fonts.h"
#include "platform/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
void place(QWidget *control, double left, double top, double width, double height)
{
    control->setGeometry(Twips::rect(left, top, width, height));
}

QLabel *caption(QWidget *parent, const QString &text, QWidget *buddy, double top)
{
    auto *label = new QLabel(text, parent);
    label->setFont(Twips::font(Fonts::pGothic, 10.5));
    label->setBuddy(buddy);
    place(label, 240, top, 1800, 390);
    return label;
}
} // namespace

TeacherLogin::TeacherLogin(const QString &service, QWidget *parent) : QDialog(parent), service_(service)
{
    setObjectName(QStringLiteral("TeacherLogin"));
    setWindowTitle(QStringLiteral("先生のログイン"));
    Colours::fill(this, Colours::green);
    setFixedSize(Twips::toPixels(6360), Twips::toPixels(3300));
    const QFont font = Twips::font(Fonts::pGothic, 10.5);

    Label1 = new QLabel(QStringLiteral("学校のサーバーに、先生のログインで入ります（パスワードはどこにも残しません）"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(font);
    Label1->setWordWrap(true);
    place(Label1, 240, 120, 5880, 600);

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("ログイン名"));
    Text1->setFont(font);
    place(Text1, 2040, 840, 4080, 390);
    caption(this, QStringLiteral("ログイン名(&L)"), Text1, 840);

    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setAccessibleName(QStringLiteral("パスワード"));
    Text2->setFont(font);
    Text2->setEchoMode(QLineEdit::Password);
    place(Text2, 2040, 1350, 4080, 390);
    caption(this, QStringLiteral("パスワード(&P)"), Text2, 1350);

    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setFont(Twips::font(Fonts::pGothic, 9.75));
    Label4->setWordWrap(true);
    Label4->setTextInteractionFlags(Qt::TextSelectableByMouse);
    place(Label4, 240, 1860, 5880, 660);

    Command1 = new QPushButton(QStringLiteral("入る(&O)"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    place(Command1, 3000, 2640, 1440, 480);
    Command2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    place(Command2, 4680, 2640, 1440, 480);
    connect(Command1, &QPushButton::clicked, this, &TeacherLogin::tryLogin);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Command1);
    setTabOrder(Command1, Command2);
    Text1->setFocus();
}

TeacherLogin::~TeacherLogin() = default;

std::unique_ptr<ClassServer> TeacherLogin::ask(const QString &service, QWidget *parent,
                                                   ClassServer::Opening *opening)
{
    TeacherLogin login(service, parent);
    if (login.exec() != QDialog::Accepted)
        return nullptr;
    if (opening)
        *opening = login.opening();
    return login.takeServer();
}

QString TeacherLogin::message(const ClassServer::Opening &opening)
{
    using Opened = ClassServer::Opened;
    switch (opening.opened) {
    case Opened::Ready:
        return QString();
    case Opened::LoginRefused:
        return QStringLiteral("ログイン名かパスワードが違います（%1）").arg(opening.words);
    case Opened::NotATeacher:
        return QStringLiteral("このログインには受け持ちのクラスがありません。先生のログインで入ってください");
    case Opened::SchemaOlder:
        return QStringLiteral("学校のサーバーの表が古い版（%1）です。管理者に新しい school-schema.sql を"
                              "適用してもらってください")
            .arg(opening.words);
    case Opened::SchemaNewer:
        return QStringLiteral("学校のサーバーの表が新しい版（%1）です。このプログラムを新しくしてください")
            .arg(opening.words);
    case Opened::NoDriver:
        return QStringLiteral("PostgreSQL につなぐ部品（libqt6sql6-psql）が入っていません");
    case Opened::Failed:
        break;
    }
    return QStringLiteral("学校のサーバーにつながりません（%1）").arg(opening.words);
}

void TeacherLogin::setWaiting(bool waiting)
{
    Text1->setEnabled(!waiting);
    Text2->setEnabled(!waiting);
    Command1->setEnabled(!waiting);
    if (waiting)
        Label4->setText(QStringLiteral("サーバーにつないでいます…"));
}

void TeacherLogin::tryLogin()
{
    const QString user = Text1->text().trimmed();
    if (user.isEmpty() || Text2->text().isEmpty()) {
        // An empty password would let libpq look for one in a file.
        Label4->setText(user.isEmpty() ? QStringLiteral("ログイン名を入れてください")
                                       : QStringLiteral("パスワードを入れてください"));
        (user.isEmpty() ? Text1 : Text2)->setFocus();
        return;
    }
    QString password = Text2->text();
    Text2->clear();
    setWaiting(true);
    server_ = std::make_unique<ClassServer>();
    server_->open({service_, user}, std::move(password),
                  [this](const ClassServer::Opening &opening) { opened(opening); });
}

void TeacherLogin::opened(const ClassServer::Opening &opening)
{
    opening_ = opening;
    if (opening.opened == ClassServer::Opened::Ready) {
        accept();
        return;
    }
    // Its own reply is running: it goes once that has returned.
    server_.release()->deleteLater();
    setWaiting(false);
    Label4->setText(message(opening));
    (opening.opened == ClassServer::Opened::LoginRefused ? Text2 : Text1)->setFocus();
}
