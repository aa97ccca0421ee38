#pragma once

#include <QString>

// The clear count as the drill windows show it, "クリア　N" (the fourth
// character is the ideographic space U+3000), and the score text that the
// results row takes from it: the caption without its first four characters.
class ClearCountText
{
public:
    static QString caption(int count);
    static QString scoreText(const QString &caption);
};
