#pragma once

#include "platform/form.h"

// A number-drill window, one class for the six kinds (being completed).
class DrillWindow : public Form
{
    Q_OBJECT
public:
    // windowName: "たしざん10", "たして10", "たしざん20", "ひきざん10", "ひいて10", "ひきざん20".
    explicit DrillWindow(const QString &windowName);
};
