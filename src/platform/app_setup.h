#pragma once

class QApplication;

// What every run needs before its first window: the Japanese font substitutes,
// Qt's Japanese button texts (OK / キャンセル) and the application's names.
class AppSetup
{
public:
    static void configure(QApplication &app);
};
