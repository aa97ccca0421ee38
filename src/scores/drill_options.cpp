#include "scores/drill_options.h"

#include "platform/colours.h"
#include "platform/drill_table.h"
#include "platform/fonts.h"
#include "platform/twips.h"

#include <QButtonGroup>
#include <QRadioButton>

QList<QRadioButton *> DrillOptions::make(QWidget *window, QButtonGroup *group, const QString &namePrefix)
{
    group->setExclusive(true);
    QList<QRadioButton *> options;
    for (const DrillTable::Entry &drill : DrillTable::all()) {
        const int i = drill.scoreIndex();
        auto *option = new QRadioButton(drill.name(), window);
        option->setObjectName(namePrefix + QString::number(i));
        option->setAccessibleName(option->text());
        option->setFont(Twips::font(Fonts::pGothic, 9.75));
        Colours::fill(option, Colours::green);
        option->setGeometry(Twips::rect(120, 240 + 480 * i, 1335, 495));
        group->addButton(option, i);
        options.append(option);
    }
    return options;
}
