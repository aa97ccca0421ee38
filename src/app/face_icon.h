#pragma once

#include <QIcon>
#include <QImage>

// The program's icon: a round yellow smiling face, drawn at any size.
class FaceIcon
{
public:
    static QImage image(int size);
    static QIcon icon();
};
