#pragma once

#include "platform/form.h"

// The clock-reading drill window "とけい" (being completed).
class ClockWindow : public Form
{
    Q_OBJECT
public:
    ClockWindow();
};
