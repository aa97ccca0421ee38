#pragma once

#include "platform/drill_table.h"
#include "platform/form.h"
#include "sound/sound_device.h"

#include <QLabel>

#include <memory>

// A drill window's sitting, the same for the number drills and the clock: the
// window's own sound device, the count of right answers shown in Label3, and
// the results row written when the window closes. Each window calls these
// steps in its own load order.
class SittingForm : public Form
{
    Q_OBJECT
public:
    // labelFamily: the font of the clear count, as of the window's other labels.
    SittingForm(const DrillTable::Entry &drill, double widthTwips, double heightTwips,
                const QString &labelFamily);
    ~SittingForm() override;

    // The clear count as shown: "クリア　N" (the fourth character is the
    // ideographic space U+3000).
    static QString clearCaption(int count);

    // Right answers of this sitting.
    int CLEAR_CNT = 0;
    QLabel *Label3 = nullptr; // the clear count
    std::unique_ptr<SoundDevice> MMControl1;

protected:
    // The window takes the current drill name as its caption (its own drill's
    // name when it has none), and the count starts at 0.
    void startSitting();
    void openSound();
    // Plays one prompt to its end; nothing while the device is closed.
    void play(const QString &path);
    // One more right answer, shown at once.
    void countRightAnswer();
    // Closes the sound device first, then writes the results row unless the
    // count is 0. A row that cannot be written is told, with what it held, so
    // a parent can note it; the window closes all the same.
    void endSitting();

private:
    const DrillTable::Entry &drill_;
};
