#pragma once

#include "platform/form.h"

// The score-history window "得点" (being completed).
class ScoreWindow : public Form
{
    Q_OBJECT
public:
    ScoreWindow();
};
