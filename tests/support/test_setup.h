#pragma once

#include <QString>

// Common set-up for the test programs.
class TestSetup
{
public:
    // Fonts, translations and the program folder (the build folder, where the
    // prompts are copied).
    static void application();
    // The project globals as the menu sets them at start-up.
    static void globals();
    // Creates ADO_ZEM.MDB in the current directory with ENV ("90") and an empty LOG.
    static void createDatabase(const QString &period = QStringLiteral("90"));
};
