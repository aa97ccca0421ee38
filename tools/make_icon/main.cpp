// Writes the program's icon as a PNG of the given size, for the desktop's icon theme.
// Usage: make_icon SIZE FILE.png
#include "app/face_icon.h"

#include <QGuiApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icon SIZE FILE.png\n");
        return 2;
    }
    bool ok = false;
    const int size = QString::fromLocal8Bit(argv[1]).toInt(&ok);
    if (!ok || size < 8 || size > 1024) {
        std::fprintf(stderr, "make_icon: size must be a number from 8 to 1024\n");
        return 2;
    }
    if (!FaceIcon::image(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
