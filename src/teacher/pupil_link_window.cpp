#include "teacher/pupil_link_window.h"

#include "classroom/roster_name.h"
#include "platform/colours.h"
#include "platform/fonts.h"
#include "platform/twips.h"
#include "teacher/class_server.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>

namespace {
void place(QWidget *control, double left, double top, double width, double height)
{
    control->setGeometry(Twips::rect(left, top, width, height));
}

QString described(const ClassRecords::Pupil &p)
{
    return QStringLiteral("%1番 %2").arg(p.number).arg(p.kana);
}
} // namespace

std::vector<PupilLinkWindow::Offer> PupilLinkWindow::offersOf(const ClassRecords::Snapshot &snapshot)
{
    std::vector<Offer> offers;
    for (const ClassRecords::Pupil &made : snapshot.pupils) {
        if (made.number > 0 || !made.linkedTo.isNull() || !made.named)
            continue;
        Offer offer{made.id, {}};
        const QString key = RosterName::key(made.kana);
        for (const ClassRecords::Pupil &listed : snapshot.pupils) {
            const QString given = listed.kana.section(QChar(u'　'), -1);
            if (listed.number > 0 && !listed.left
                && (RosterName::key(listed.kana) == key || RosterName::key(given) == key))
                offer.sameName << listed.id;
        }
        offers.push_back(offer);
    }
    return offers;
}

PupilLinkWindow::PupilLinkWindow(const ClassRecords::Snapshot &snapshot, ClassServer &server, QWidget *parent)
    : QDialog(parent), snapshot_(snapshot), server_(server), offers_(offersOf(snapshot))
{
    setObjectName(QStringLiteral("PupilLinkWindow"));
    setWindowTitle(QStringLiteral("名簿にない児童"));
    Colours::fill(this, Colours::green);
    setFixedSize(Twips::toPixels(8400), Twips::toPixels(6000));
    const QFont font = Twips::font(Fonts::pGothic, 9.75);
    Label1 = new QLabel(QStringLiteral("PCで作られた、名簿にない児童です。名簿のどの児童か選ぶと、その記録は名簿の児童の"
                                       "記録として数えます。同じ名前の児童を先に出しています。"),
                        this);
    Label1->setFont(font);
    Label1->setWordWrap(true);
    place(Label1, 120, 120, 8160, 660);

    std::vector<const ClassRecords::Pupil *> roster;
    for (const ClassRecords::Pupil &p : snapshot.pupils) {
        if (p.number > 0 && !p.left)
            roster.push_back(&p);
    }
    std::sort(roster.begin(), roster.end(), [](auto *a, auto *b) { return a->number < b->number; });
    Grid1 = new QTableWidget(int(offers_.size()), 2, this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setAccessibleName(QStringLiteral("名簿にない児童の一覧"));
    Grid1->setFont(font);
    Grid1->setHorizontalHeaderLabels({QStringLiteral("PCで作られた児童"), QStringLiteral("名簿の児童")});
    Grid1->verticalHeader()->hide();
    Grid1->horizontalHeader()->setStretchLastSection(true);
    Grid1->setColumnWidth(0, Twips::toPixels(3000));
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int row = 0; row < int(offers_.size()); ++row) {
        const Offer &offer = offers_[row];
        auto *name = new QTableWidgetItem(snapshot.pupil(offer.pupil)->kana);
        name->setFlags(Qt::ItemIsEnabled);
        Grid1->setItem(row, 0, name);
        auto *choice = new QComboBox(Grid1);
        choice->setAccessibleName(name->text());
        choice->addItem(QStringLiteral("つながない"), QUuid());
        for (const QUuid &id : offer.sameName)
            choice->addItem(described(*snapshot.pupil(id)), id);
        choice->insertSeparator(choice->count());
        for (const ClassRecords::Pupil *p : roster) {
            if (!offer.sameName.contains(p->id))
                choice->addItem(described(*p), p->id);
        }
        choice->setCurrentIndex(offer.sameName.size() == 1 ? 1 : 0);
        Grid1->setCellWidget(row, 1, choice);
        choices_.push_back(choice);
    }
    place(Grid1, 120, 840, 8160, 4200);

    Label2 = new QLabel(this);
    Label2->setFont(font);
    Label2->setWordWrap(true);
    place(Label2, 120, 5100, 4800, 660);
    Command1 = new QPushButton(QStringLiteral("つなぐ(&O)"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    place(Command1, 5040, 5280, 1560, 480);
    Command2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    place(Command2, 6720, 5280, 1560, 480);
    connect(Command1, &QPushButton::clicked, this, &PupilLinkWindow::save);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
}

std::vector<std::pair<QUuid, QUuid>> PupilLinkWindow::chosen() const
{
    std::vector<std::pair<QUuid, QUuid>> ties;
    for (size_t i = 0; i < offers_.size(); ++i) {
        if (const QUuid to = choices_[i]->currentData().toUuid(); !to.isNull())
            ties.emplace_back(offers_[i].pupil, to);
    }
    return ties;
}

void PupilLinkWindow::save()
{
    const std::vector<std::pair<QUuid, QUuid>> ties = chosen();
    if (ties.empty()) {
        reject();
        return;
    }
    writing_ = true;
    Command1->setEnabled(false);
    Command2->setEnabled(false);
    Label2->setText(QStringLiteral("学校のサーバーに書いています…"));
    server_.run([self = QPointer<PupilLinkWindow>(this), ties](QSqlDatabase &db) -> ClassServer::Reply {
        const QString failure = ClassRecords::link(db, ties);
        return [self, failure] {
            if (!self)
                return;
            self->writing_ = false;
            if (failure.isEmpty()) {
                self->accept();
                return;
            }
            self->Command1->setEnabled(true);
            self->Command2->setEnabled(true);
            self->Label2->setText(QStringLiteral("つなげませんでした（%1）").arg(failure));
        };
    });
}

void PupilLinkWindow::reject()
{
    if (!writing_)
        QDialog::reject();
}
