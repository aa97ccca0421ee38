#pragma once

#include <QString>
#include <QStringList>

// The voice prompts in the program folder: program folder, separator, word,
// ".WAV". The fixed words are kept with their separator.
class PromptFiles
{
public:
    static const QString OK;        // "/OK.WAV"
    static const QString NG;        // "/NG.WAV"
    static const QString WHAT_TIME; // "/いまなんじ？.WAV"

    // The path of a fixed prompt (given with its separator).
    static QString fixed(const QString &separatorAndName);
    // The path of the prompt for a word taken from a window (a caption, a number).
    static QString forWord(const QString &word);

    // The file names the drills play, in a stable order: the one list that
    // sound_check checks, the package ships and the copyright file credits.
    static QStringList required();
};
