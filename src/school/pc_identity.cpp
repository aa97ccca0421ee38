#include "school/pc_identity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSysInfo>
#include <QUuid>

const QString PcIdentity::fileName = QStringLiteral("school-pc-id");

namespace {
QString machineId(const QString &file)
{
    QFile f(file);
    if (file.isEmpty() || !f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.read(256)).trimmed();
}
} // namespace

PcIdentity PcIdentity::ensure(const QString &folder, const QString &machineIdFile)
{
    PcIdentity pc;
    pc.name_ = QSysInfo::machineHostName();
    const QString path = QDir(folder).filePath(fileName);
    const QString machine = machineId(machineIdFile);

    // "pc_id=…" and "machine_id=…", one a line.
    QString keptId;
    QString keptMachine;
    QFile kept(path);
    // Only a file of its own is read: a named pipe put in its place would hold the start.
    if (QFileInfo(path).isFile() && kept.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : kept.read(4096).split('\n')) {
            if (line.startsWith("pc_id="))
                keptId = QString::fromLatin1(line.mid(6)).trimmed();
            else if (line.startsWith("machine_id="))
                keptMachine = QString::fromLatin1(line.mid(11)).trimmed();
        }
    }
    const QUuid id = QUuid::fromString(keptId);
    const bool cloned = !machine.isEmpty() && keptMachine != machine;
    if (!id.isNull() && !cloned) {
        pc.id_ = id.toString(QUuid::WithoutBraces);
        return pc;
    }

    const QString made = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QSaveFile file(path);
    const QByteArray text = "pc_id=" + made.toLatin1() + "\nmachine_id=" + machine.toLatin1() + '\n';
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) || file.write(text) != text.size()
        || !file.commit()) {
        pc.problem_ = file.errorString().isEmpty() ? QStringLiteral("cannot write ") + path : file.errorString();
        return pc;
    }
    pc.id_ = made;
    pc.made_ = true;
    return pc;
}
