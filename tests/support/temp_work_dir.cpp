#include "support/temp_work_dir.h"

#include <QDir>

TempWorkDir::TempWorkDir() : previous_(QDir::currentPath())
{
    QDir::setCurrent(dir_.path());
}

TempWorkDir::~TempWorkDir()
{
    QDir::setCurrent(previous_);
}
