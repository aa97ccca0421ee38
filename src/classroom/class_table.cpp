#include "classroom/class_table.h"

#include "classroom/excel_csv.h"

#include <QHash>

#include <algorithm>

const QStringList &ClassTable::drills()
{
    static const QStringList names{
        "たしざん１０", "たして１０", "たしざん２０", "ひきざん１０", "ひいて１０", "ひきざん２０", "とけい"};
    return names;
}

bool ClassTable::Progress::idle() const
{
    return daysSince < 0 || daysSince >= idleDays;
}

bool ClassTable::Progress::stuck() const
{
    return idle() || std::any_of(drills.cbegin(), drills.cend(), [](const Drill &d) { return d.falling; });
}

QString ClassTable::Progress::stuckReason() const
{
    QStringList reasons;
    for (int i = 0; i < drillCount; ++i) {
        if (drills[i].falling)
            reasons << QStringLiteral("%1の点が3回続けて下がっています").arg(ClassTable::drills().at(i));
    }
    if (daysSince < 0)
        reasons << QStringLiteral("まだ一度も練習していません");
    else if (idle())
        reasons << QStringLiteral("%1日練習していません").arg(daysSince);
    return reasons.join(u'､');
}

ClassTable::Progress ClassTable::progressOf(const std::vector<Sitting> &sittings, const QDate &today)
{
    std::vector<Sitting> kept;
    std::copy_if(sittings.cbegin(), sittings.cend(), std::back_inserter(kept),
        [&today](const Sitting &s) { return s.day.isValid() && s.day <= today && drills().contains(s.drill); });
    std::stable_sort(kept.begin(), kept.end(),
        [](const Sitting &a, const Sitting &b) { return a.day != b.day ? a.day < b.day : a.time < b.time; });
    const QDate monday = today.addDays(1 - today.dayOfWeek());
    Progress progress;
    std::array<std::vector<int>, drillCount> scores;
    for (const Sitting &s : kept) {
        const auto index = drills().indexOf(s.drill);
        Drill &drill = progress.drills[index];
        drill.last = s.score;
        drill.best = std::max(s.score, drill.best.value_or(s.score));
        drill.thisWeek += s.day >= monday;
        drill.lastDay = s.day;
        scores[index].push_back(s.score);
        progress.lastDay = s.day;
    }
    for (int i = 0; i < drillCount; ++i) {
        const std::vector<int> &s = scores[i];
        const size_t n = s.size();
        progress.drills[i].falling = n >= 3 && s[n - 3] > s[n - 2] && s[n - 2] > s[n - 1];
    }
    progress.practisedToday = progress.lastDay == today;
    progress.daysSince = progress.lastDay.isValid() ? progress.lastDay.daysTo(today) : -1;
    return progress;
}

std::vector<ClassTable::Line> ClassTable::of(
    const std::vector<Pupil> &pupils, const std::vector<Sitting> &sittings, const QDate &today)
{
    QHash<QUuid, std::vector<Sitting>> byPupil;
    for (const Pupil &pupil : pupils)
        byPupil.insert(pupil.id, {});
    for (const Sitting &s : sittings) {
        const auto found = byPupil.find(s.pupil);
        if (found != byPupil.end())
            found->push_back(s);
    }
    std::vector<Line> lines;
    for (const Pupil &pupil : pupils)
        lines.push_back({pupil, progressOf(byPupil.value(pupil.id), today)});
    std::stable_sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) {
        return a.pupil.left != b.pupil.left ? b.pupil.left : a.pupil.number < b.pupil.number;
    });
    return lines;
}

QByteArray ClassTable::excelCsv(const std::vector<Line> &lines)
{
    ExcelCsv csv;
    QList<ExcelCsv::Cell> header{QStringLiteral("出席番号"), QStringLiteral("ふりがな"), QStringLiteral("転出"),
        QStringLiteral("今日"), QStringLiteral("最後に練習した日"), QStringLiteral("要注意")};
    for (const QString &drill : drills()) {
        for (const char16_t *what : {u"最新", u"最高", u"今週", u"最後の日"})
            header << drill + u' ' + QString::fromUtf16(what);
    }
    csv.addRow(header);
    auto optional = [](const auto &value) { return value ? ExcelCsv::Cell(qint64(*value)) : ExcelCsv::Cell(); };
    auto date = [](const QDate &day) { return day.isValid() ? ExcelCsv::Cell(day) : ExcelCsv::Cell(); };
    for (const Line &line : lines) {
        const Progress &p = line.progress;
        // A pupil on no roster has no 出席番号: an empty cell.
        QList<ExcelCsv::Cell> row{line.pupil.number > 0 ? ExcelCsv::Cell(qint64(line.pupil.number)) : ExcelCsv::Cell(),
            line.pupil.kana,
            line.pupil.left ? QStringLiteral("転出") : QString(), p.practisedToday ? QStringLiteral("○") : QString(),
            date(p.lastDay), line.stuck() ? p.stuckReason() : QString()};
        for (const Drill &d : p.drills)
            row << optional(d.last) << optional(d.best) << qint64(d.thisWeek) << date(d.lastDay);
        csv.addRow(row);
    }
    return csv.bytes();
}
