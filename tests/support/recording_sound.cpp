#include "support/recording_sound.h"

#include <QFileInfo>

void RecordingSound::open()
{
    events() << QStringLiteral("open");
}

void RecordingSound::play(const QString &path)
{
    events() << QFileInfo(path).fileName();
}

void RecordingSound::close()
{
    if (onClose())
        onClose()();
    events() << QStringLiteral("close");
}

QStringList &RecordingSound::events()
{
    static QStringList list;
    return list;
}

std::function<void()> &RecordingSound::onClose()
{
    static std::function<void()> hook;
    return hook;
}
