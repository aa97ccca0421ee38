// sound_check: lists the voice prompts the drills need and says which of them
// are missing, unreadable or not valid WAV files in the program folder.
//
//   sound_check            checks the folder this tool lies in
//   sound_check FOLDER     checks FOLDER
//   sound_check --list     prints the names of the prompts, one a line (the
//                          build makes the copyright file's list from it)
//
// Exit status: 0 when every prompt is present and playable, 1 when any is
// missing or unplayable, 2 when the folder cannot be checked at all.

#include "sound/prompt_files.h"
#include "sound/wav_clip.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args == QStringList{QStringLiteral("--list")}) {
        for (const QString &name : PromptFiles::required())
            out << name << "\n";
        return 0;
    }
    if (args.size() > 1 || (args.size() == 1 && args[0].startsWith(QLatin1Char('-')))) {
        err << "usage: sound_check [FOLDER]\n"
               "       sound_check --list\n"
               "Checks that every voice prompt of the drills is present and is a playable WAV file\n"
               "in FOLDER (default: the folder this program lies in), or lists their names.\n";
        return 2;
    }
    const QString folder = args.isEmpty() ? QCoreApplication::applicationDirPath() : args[0];
    const QFileInfo folderInfo(folder);
    if (!folderInfo.isDir()) {
        err << "sound_check: " << QDir::toNativeSeparators(folder) << ": no such folder\n";
        return 2;
    }
    const QDir dir(folderInfo.absoluteFilePath());
    out << "Voice prompts in " << QDir::toNativeSeparators(dir.path()) << ":\n";

    int missing = 0;
    int unplayable = 0;
    const QStringList names = PromptFiles::required();
    for (const QString &name : names) {
        const QString path = dir.filePath(name);
        if (!QFileInfo::exists(path)) {
            ++missing;
            out << "  MISSING       " << name << "\n";
            continue;
        }
        QString error;
        const std::optional<WavClip> clip = WavClip::load(path, &error);
        if (clip && clip->frames() == 0)
            error = QStringLiteral("holds no sound");
        if (!clip || clip->frames() == 0) {
            ++unplayable;
            out << "  NOT PLAYABLE  " << name << ": " << error << "\n";
            continue;
        }
        const WavClip::SourceFormat &f = clip->source();
        out << "  ok            " << name << "  ("
            << QString::number(clip->seconds(), 'f', 2) << " s, " << f.rate << " Hz, "
            << (f.channels == 1 ? QStringLiteral("mono") : QStringLiteral("%1 channels").arg(f.channels))
            << ", " << f.bitsPerSample << "-bit" << (f.floatingPoint ? " float" : "") << ")\n";
    }
    out << names.size() << " prompts needed: " << names.size() - missing - unplayable << " ok, "
        << missing << " missing, " << unplayable << " not playable.\n";
    if (missing + unplayable > 0)
        out << "The drills stay silent where a prompt is missing or not playable.\n";
    out.flush();
    return missing + unplayable > 0 ? 1 : 0;
}
