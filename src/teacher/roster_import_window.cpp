#include "teacher/roster_import_window.h"

#include "platform/colours.h"
#include "platform/fonts.h"
#include "platform/twips.h"
#include "teacher/class_records.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>

namespace {
enum Column { NumberColumn, KanaColumn, KanjiColumn, PupilNumberColumn, WhoColumn, QuestionColumn };

void place(QWidget *control, double left, double top, double width, double height)
{
    control->setGeometry(Twips::rect(left, top, width, height));
}

QTableWidgetItem *item(const QString &text)
{
    auto *cell = new QTableWidgetItem(text);
    cell->setFlags(Qt::ItemIsEnabled);
    cell->setToolTip(text);
    return cell;
}
} // namespace

RosterImportWindow::RosterImportWindow(RosterImport import, const QString &fileName,
                                       QList<ClassServer::ClassName> otherClasses, ClassServer &server, QWidget *parent)
    : QDialog(parent), import_(std::move(import)), classes_(std::move(otherClasses)), server_(server)
{
    setObjectName(QStringLiteral("RosterImportWindow"));
    setWindowTitle(QStringLiteral("名簿の読み込み"));
    Colours::fill(this, Colours::green);
    setFixedSize(Twips::toPixels(13200), Twips::toPixels(8400));
    const QFont font = Twips::font(Fonts::pGothic, 9.75);

    Label1 = new QLabel(QStringLiteral("%1：%2人").arg(fileName).arg(import_.rows().size()), this);
    Label1->setFont(font);
    place(Label1, 120, 180, 6000, 330);
    auto *label2 = new QLabel(QStringLiteral("去年のクラス(&Y)"), this);
    label2->setFont(font);
    place(label2, 6240, 180, 1800, 330);
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setFont(font);
    Combo1->addItem(QStringLiteral("（なし）"), QString());
    for (const ClassServer::ClassName &c : std::as_const(classes_))
        Combo1->addItem(c.name == c.id ? c.id : c.name + QStringLiteral("（") + c.id + QStringLiteral("）"), c.id);
    label2->setBuddy(Combo1);
    place(Combo1, 8040, 120, 5040, 420);

    Grid1 = new QTableWidget(int(import_.rows().size()), 6, this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setAccessibleName(QStringLiteral("名簿の行"));
    Grid1->setFont(Twips::font(Fonts::pGothic, 9));
    Grid1->setHorizontalHeaderLabels({QStringLiteral("番号"), QStringLiteral("ふりがな"), QStringLiteral("氏名"),
                                      QStringLiteral("児童番号"), QStringLiteral("だれか"), QStringLiteral("確かめること")});
    Grid1->verticalHeader()->hide();
    Grid1->setTabKeyNavigation(false);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->horizontalHeader()->setStretchLastSection(true);
    for (const auto &[column, twips] : {std::pair{NumberColumn, 600}, std::pair{KanaColumn, 2100},
                                        std::pair{KanjiColumn, 1500}, std::pair{PupilNumberColumn, 1080},
                                        std::pair{WhoColumn, 4200}})
        Grid1->setColumnWidth(column, Twips::toPixels(twips));
    for (int row = 0; row < int(import_.rows().size()); ++row) {
        const RosterCsv::Row &r = import_.rows()[row];
        Grid1->setItem(row, NumberColumn, item(QString::number(r.number)));
        Grid1->setItem(row, KanaColumn, item(r.kana));
        Grid1->setItem(row, KanjiColumn, item(r.kanji));
        Grid1->setItem(row, PupilNumberColumn, item(r.pupilNumber));
    }
    place(Grid1, 120, 660, 12960, 5700);

    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(font);
    Label3->setWordWrap(true);
    place(Label3, 120, 6480, 12960, 660);
    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setFont(font);
    Label4->setWordWrap(true);
    place(Label4, 120, 7260, 8400, 1020);
    Command1 = new QPushButton(QStringLiteral("この名簿で登録する(&W)"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    place(Command1, 8640, 7800, 2520, 480);
    Command2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    place(Command2, 11280, 7800, 1800, 480);
    setTabOrder(Combo1, Grid1);
    setTabOrder(Grid1, Command1);
    setTabOrder(Command1, Command2);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &RosterImportWindow::plan);
    connect(Command1, &QPushButton::clicked, this, &RosterImportWindow::save);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
    plan();
}

void RosterImportWindow::plan()
{
    Command1->setEnabled(false);
    Label4->setText(QStringLiteral("学校のサーバーから、知っている児童を読んでいます…"));
    const QString classId = import_.classId(), lastYear = Combo1->currentData().toString();
    const QStringList numbers = import_.pupilNumbers();
    server_.run([self = QPointer<RosterImportWindow>(this), classId, lastYear, numbers](QSqlDatabase &db) {
        QString failure;
        std::vector<RosterMatch::Pupil> known = ClassRecords::candidates(db, classId, lastYear, numbers, &failure);
        return ClassServer::Reply([self, known = std::move(known), failure, lastYear] {
            if (!self || self->Combo1->currentData().toString() != lastYear)
                return;
            if (!failure.isEmpty()) {
                self->Label4->setText(QStringLiteral("知っている児童を読めませんでした（%1）").arg(failure));
                return;
            }
            self->import_.plan(known, lastYear);
            self->fill();
        });
    });
}

QString RosterImportWindow::described(const QUuid &id) const
{
    const RosterMatch::Pupil *p = import_.known(id);
    if (!p)
        return QString();
    QStringList about;
    if (!p->classId.isEmpty())
        about << (p->number > 0 ? QStringLiteral("%1 %2番").arg(p->classId).arg(p->number) : p->classId);
    if (p->left)
        about << QStringLiteral("転出");
    if (!p->pupilNumber.isEmpty())
        about << QStringLiteral("児童番号 ") + p->pupilNumber;
    return p->kana + QStringLiteral("（") + about.join(QStringLiteral("、")) + QStringLiteral("）");
}

void RosterImportWindow::fill()
{
    const RosterMatch::Plan &plan = import_.plan();
    choices_.assign(import_.rows().size(), nullptr);
    for (int row = 0; row < int(plan.rows.size()); ++row) {
        const RosterMatch::RowPlan &r = plan.rows[row];
        Grid1->removeCellWidget(row, WhoColumn);
        Grid1->setItem(row, QuestionColumn, item(RosterMatch::question(r.doubt)));
        switch (r.outcome) {
        case RosterMatch::Outcome::Matched:
            Grid1->setItem(row, WhoColumn, item(QStringLiteral("同じ児童（%1）：").arg(
                                                    r.rule == RosterMatch::Rule::ByPupilNumber ? QStringLiteral("児童番号で")
                                                                                                : QStringLiteral("名前で"))
                                                + described(r.pupil)));
            break;
        case RosterMatch::Outcome::New:
            Grid1->setItem(row, WhoColumn, item(QStringLiteral("新しい児童")));
            break;
        case RosterMatch::Outcome::Ambiguous: {
            Grid1->setItem(row, WhoColumn, item(QString()));
            auto *choice = new QComboBox(Grid1);
            choice->setAccessibleName(QStringLiteral("%1番 %2はだれか").arg(import_.rows()[row].number).arg(import_.rows()[row].kana));
            choice->addItem(QStringLiteral("選んでください"));
            for (const QUuid &id : r.candidates)
                choice->addItem(described(id), id);
            choice->addItem(QStringLiteral("新しい児童として加える"), QUuid());
            connect(choice, &QComboBox::currentIndexChanged, this, [this, row, choice](int index) {
                import_.answer(row, index <= 0 ? std::nullopt : std::optional<QUuid>(choice->itemData(index).toUuid()));
                answered();
            });
            Grid1->setCellWidget(row, WhoColumn, choice);
            choices_[row] = choice;
            break;
        }
        }
    }
    QStringList left;
    for (const QUuid &id : plan.leftOut) {
        if (const RosterMatch::Pupil *p = import_.known(id))
            left << QStringLiteral("%1番 %2").arg(p->number).arg(p->kana);
    }
    Label3->setText(left.isEmpty() ? QStringLiteral("転出にする児童はいません")
                                   : QStringLiteral("この名簿にないので転出にする児童（記録は残ります）：")
                                         + left.join(QStringLiteral("、")));
    answered();
}

void RosterImportWindow::answered()
{
    const QString problem = import_.problem();
    Command1->setEnabled(problem.isEmpty() && !writing_);
    Label4->setText(problem.isEmpty() ? QStringLiteral("よろしければ「この名簿で登録する」を押してください") : problem);
}

void RosterImportWindow::save()
{
    if (!import_.problem().isEmpty())
        return;
    writing_ = true;
    Command1->setEnabled(false);
    Command2->setEnabled(false);
    Combo1->setEnabled(false);
    Label4->setText(QStringLiteral("学校のサーバーに書いています…"));
    server_.run([self = QPointer<RosterImportWindow>(this), import = import_](QSqlDatabase &db) {
        const QString failure = import.write(db);
        return ClassServer::Reply([self, failure] {
            if (!self)
                return;
            self->writing_ = false;
            if (failure.isEmpty()) {
                self->accept();
                return;
            }
            self->Command2->setEnabled(true);
            self->Combo1->setEnabled(true);
            self->answered();
            self->Label4->setText(QStringLiteral("登録できませんでした。何も変えていません（%1）").arg(failure));
        });
    });
}

void RosterImportWindow::reject()
{
    if (!writing_)
        QDialog::reject();
}
