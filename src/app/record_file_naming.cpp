#include "app/record_file_naming.h"

#include "platform/project_globals.h"
#include "store/jet_file.h"
#include "store/store_messages.h"

#include <QFileInfo>

#include <cerrno>

namespace {
QString fileName()
{
    return ProjectGlobals::instance().databaseFileName;
}
} // namespace

QString RecordFileNaming::cannotGoOn()
{
    return QStringLiteral("処理が続行できないので終了します");
}

QString RecordFileNaming::notFound()
{
    return fileName() + QStringLiteral("が見つかりません");
}

QString RecordFileNaming::oldFormat()
{
    return fileName() + QStringLiteral("は以前の形式の成績ファイルです");
}

QString RecordFileNaming::missing(const QString &name)
{
    return name + QStringLiteral("がありません");
}

QString RecordFileNaming::folderGone()
{
    return QStringLiteral("起動したフォルダがなくなっています､") + fileName() + QStringLiteral("を作れないために")
           + cannotGoOn();
}

QString RecordFileNaming::notAFile(RecordFile::Kind kind)
{
    return fileName() + QStringLiteral("は") + kindName(kind) + QStringLiteral("です､成績ファイルではないために")
           + cannotGoOn();
}

QString RecordFileNaming::unusable(const QString &path, const StoreOutcome &opened)
{
    const QString name = fileName();
    if (JetFile::isNewerAccess(path))
        return name + QStringLiteral("は新しい形式のAccessのファイルです､このプログラムでは読めないために")
               + cannotGoOn();
    const QString what = !QFileInfo(path).isReadable() ? QStringLiteral("を読む権限がありません､")
                         : opened.held                 ? QStringLiteral("はほかのプログラムが使っています､")
                                                       : QStringLiteral("は壊れているか成績ファイルではありません､");
    return StoreMessages::withReason(name + what + cannotGoOn(), opened.reason);
}

QString RecordFileNaming::cannotMake(const StoreOutcome &made)
{
    QString why;
    switch (made.systemError) {
    case EACCES:
    case EPERM:
        why = QStringLiteral("を作れません､このフォルダに書き込む権限がないために");
        break;
    case ENOSPC:
    case EDQUOT:
        why = QStringLiteral("を作れません､ディスクがいっぱいのために");
        break;
    default:
        why = QStringLiteral("を作れないために");
        break;
    }
    return StoreMessages::withReason(fileName() + why + cannotGoOn(), made.reason);
}

QString RecordFileNaming::lockInTheWay(const QString &lock, RecordFile::Kind kind)
{
    return QFileInfo(lock).fileName() + QStringLiteral("は") + kindName(kind) + QStringLiteral("です､")
           + fileName() + QStringLiteral("を今の形式に移せないために") + cannotGoOn();
}

QString RecordFileNaming::kindName(RecordFile::Kind kind)
{
    switch (kind) {
    case RecordFile::Kind::Folder:
        return QStringLiteral("フォルダ");
    case RecordFile::Kind::NamedPipe:
        return QStringLiteral("名前付きパイプ");
    case RecordFile::Kind::Socket:
        return QStringLiteral("ソケット");
    case RecordFile::Kind::Device:
        return QStringLiteral("デバイス");
    case RecordFile::Kind::DanglingLink:
        return QStringLiteral("行き先のないリンク");
    case RecordFile::Kind::LoopingLink:
        return QStringLiteral("循環しているリンク");
    case RecordFile::Kind::Link:
        return QStringLiteral("リンク");
    case RecordFile::Kind::Missing:
    case RecordFile::Kind::Regular:
    case RecordFile::Kind::Other:
        break;
    }
    return QStringLiteral("特殊なファイル");
}
