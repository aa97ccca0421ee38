#include "teacher/class_settings_dialog.h"

#include "platform/colours.h"
#include "platform/fonts.h"
#include "platform/twips.h"
#include "store/retention.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace {
void place(QWidget *control, double left, double top, double width, double height)
{
    control->setGeometry(Twips::rect(left, top, width, height));
}

QLabel *caption(QWidget *parent, const QString &text, QWidget *buddy, double top)
{
    auto *label = new QLabel(text, parent);
    label->setFont(Twips::font(Fonts::pGothic, 9.75));
    label->setBuddy(buddy);
    place(label, 120, top, 3480, 390);
    return label;
}
} // namespace

ClassSettingsDialog::ClassSettingsDialog(const ClassRecords::Snapshot &snapshot,
                                         const std::vector<ClassTable::Line> &lines, const QUuid &chosen,
                                         QWidget *parent)
    : QDialog(parent), snapshot_(snapshot)
{
    setObjectName(QStringLiteral("ClassSettingsDialog"));
    setWindowTitle(QStringLiteral("設定"));
    Colours::fill(this, Colours::green);
    setFixedSize(Twips::toPixels(7800), Twips::toPixels(3480));
    const QFont font = Twips::font(Fonts::pGothic, 9.75);

    Combo1 = new QComboBox(this);
    Combo1->setFont(font);
    Combo1->addItem(QStringLiteral("クラス全体"), QUuid());
    for (const ClassTable::Line &line : lines) {
        if (!line.pupil.left && line.pupil.number > 0)
            Combo1->addItem(QStringLiteral("%1番 %2").arg(line.pupil.number).arg(line.pupil.kana), line.pupil.id);
    }
    place(Combo1, 3600, 120, 4080, 420);
    caption(this, QStringLiteral("だれの設定(&W)"), Combo1, 150);

    Text1 = new QSpinBox(this);
    Text1->setFont(font);
    Text1->setRange(0, Retention::longestPeriodDays);
    Text1->setSuffix(QStringLiteral(" 日"));
    Text1->setSpecialValueText(QStringLiteral("決めない"));
    place(Text1, 3600, 720, 2040, 420);
    caption(this, QStringLiteral("成績を残す日数(&D)"), Text1, 750);

    Combo2 = new QComboBox(this);
    Combo2->setFont(font);
    Combo2->addItems({QStringLiteral("決めない"), QStringLiteral("する"), QStringLiteral("しない")});
    place(Combo2, 3600, 1320, 2040, 420);
    caption(this, QStringLiteral("まちがえた もんだいを\nもういちど(&M)"), Combo2, 1290)->resize(Twips::toPixels(3480),
                                                                                                   Twips::toPixels(600));

    Label4 = new QLabel(this);
    Label4->setFont(Twips::font(Fonts::pGothic, 9));
    Label4->setWordWrap(true);
    place(Label4, 120, 1980, 7560, 720);

    auto *ok = new QPushButton(QStringLiteral("保存する(&O)"), this);
    ok->setDefault(true);
    place(ok, 4200, 2880, 1680, 480);
    auto *cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    place(cancel, 6000, 2880, 1680, 480);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &ClassSettingsDialog::showSettings);
    Combo1->setCurrentIndex(std::max(0, int(Combo1->findData(chosen))));
    showSettings(Combo1->currentIndex());
}

QUuid ClassSettingsDialog::pupil() const
{
    return Combo1->currentData().toUuid();
}

ClassRecords::Settings ClassSettingsDialog::settings() const
{
    ClassRecords::Settings s;
    if (Text1->value() > 0)
        s.keptDays = Text1->value();
    if (Combo2->currentIndex() > 0)
        s.retryMissed = Combo2->currentIndex() == 1;
    return s;
}

void ClassSettingsDialog::showSettings(int)
{
    const QUuid id = pupil();
    const ClassRecords::Settings own = id.isNull() ? snapshot_.classSettings : snapshot_.pupilSettings.value(id);
    Text1->setValue(own.keptDays.value_or(0));
    Combo2->setCurrentIndex(!own.retryMissed ? 0 : *own.retryMissed ? 1 : 2);
    Text1->setSpecialValueText(id.isNull() ? QStringLiteral("決めない") : QStringLiteral("クラスと同じ"));
    Combo2->setItemText(0, id.isNull() ? QStringLiteral("決めない") : QStringLiteral("クラスと同じ"));
    Label4->setText(id.isNull() ? QStringLiteral("クラス全体の設定です。「決めない」にすると、それぞれのPCの設定のままです")
                                : QStringLiteral("この児童だけの設定で、クラスの設定より先に使います"));
}
