#include "app/family_messages.h"

#include "app/record_file_naming.h"
#include "store/store_messages.h"

#include <QDir>
#include <QFileInfo>

QString FamilyMessages::failure(const FamilyOutcome &outcome, const QString &what)
{
    if (outcome.nameProblem != ChildName::Problem::None)
        return ChildName::message(outcome.nameProblem);
    if (outcome.held)
        return QStringLiteral("ほかのさんすうドリルが子どもの一覧を変えているところです､少したってからもう一度してください");
    if (outcome.inUse) {
        return outcome.inUseBy.isEmpty()
                   ? QStringLiteral("さんすうドリルが ほかのウィンドウで ひらいています､とじてから もう一度してください")
                   : QStringLiteral("%1が ほかのウィンドウで れんしゅうしています､おわってから もう一度してください")
                         .arg(outcome.inUseBy);
    }
    if (!outcome.lockInTheWay.isEmpty()) {
        const QString name = QFileInfo(outcome.lockInTheWay).fileName();
        return QStringLiteral("%1は%2です､%3\n(%4を消すか名前を変えてから､もう一度してください)")
            .arg(name, RecordFileNaming::kindName(RecordFile::entryKind(outcome.lockInTheWay)), what,
                 QDir::toNativeSeparators(outcome.lockInTheWay));
    }
    if (!outcome.resultsNotAFile.isEmpty()) {
        const QString &path = outcome.resultsNotAFile;
        const QString name = QFileInfo(path).fileName();
        const QString folder = QDir::toNativeSeparators(QFileInfo(path).path());
        if (QFileInfo(path).isSymLink())
            return QStringLiteral("%1は%2へのリンクです､リンクのままでは子どもごとに分けられません\n"
                                  "(リンク先のファイルそのものを%3に移してから､もう一度してください)")
                .arg(name, QDir::toNativeSeparators(QFileInfo(path).symLinkTarget()), folder);
        return QStringLiteral("%1は%2です､成績ファイルではないために子どもごとに分けられません\n(%3)")
            .arg(name, RecordFileNaming::kindName(RecordFile::entryKind(path)), folder);
    }
    return StoreMessages::withReason(what, outcome.reason);
}

QStringList FamilyMessages::finished(const FamilyOutcome &outcome)
{
    QStringList lines;
    for (const FamilyOutcome::Finished &change : outcome.finished) {
        if (change.kind == FamilyOutcome::Finished::Kind::Formed)
            lines << QStringLiteral("前に途中で止まった､子どもごとに分ける作業を終えました(いままでの成績は%1のものです)")
                         .arg(change.name);
        else if (change.kind == FamilyOutcome::Finished::Kind::Rebuilt)
            lines << QStringLiteral("子どもの一覧がなかったので､子どもごとのフォルダから作り直しました");
        else
            lines << QStringLiteral("前に途中で止まった､%1を一覧から外す作業を終えました%2")
                         .arg(change.name, change.backup.isEmpty() ? QString()
                                                                     : QStringLiteral("(成績は%1に残しています)")
                                                                           .arg(QDir::toNativeSeparators(change.backup)));
    }
    return lines;
}

QString FamilyMessages::trouble(const Child &child, Family::Trouble trouble, const QString &folder)
{
    QString what;
    switch (trouble) {
    case Family::Trouble::None:
        return QString();
    case Family::Trouble::Missing:
        what = QStringLiteral("がありません");
        break;
    case Family::Trouble::Link:
        what = QStringLiteral("がリンクになっています");
        break;
    case Family::Trouble::NotAFolder:
        what = QStringLiteral("がフォルダではありません");
        break;
    }
    return QStringLiteral("%1の せいせきの ばしょが みつかりません｡おうちの ひとに いってね\n(%1のフォルダ%2%3)")
        .arg(child.name, QDir::toNativeSeparators(folder), what);
}
