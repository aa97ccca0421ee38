#pragma once

#include <QString>
#include <QTemporaryDir>

// Makes a fresh temporary directory the current directory for the life of the
// object (the database lives in the current directory), and goes back after.
class TempWorkDir
{
public:
    TempWorkDir();
    ~TempWorkDir();
    QString path() const { return dir_.path(); }
    QString filePath(const QString &name) const { return dir_.filePath(name); }

private:
    QString previous_;
    QTemporaryDir dir_;
};
