#pragma once

#include "platform/drill_table.h"
#include "platform/form.h"
#include "sound/sound_device.h"
#include "store/results_log.h"

#include <QLabel>

#include <memory>

// What a drill window does around its sitting's rules, the same for the
// number drills and the clock: its own sound device, the clear count shown in
// Label3, and the results row written when the window closes.
class SittingForm : public Form
{
    Q_OBJECT
public:
    // The window of `drill`, writing its sittings to `log`. labelFamily: the
    // font of the clear count, as of the window's other labels.
    SittingForm(const DrillTable::Entry &drill, const ResultsLog &log, double widthTwips,
                double heightTwips, const QString &labelFamily);
    ~SittingForm() override;

    QLabel *Label3 = nullptr; // the clear count
    std::unique_ptr<SoundDevice> MMControl1;

protected:
    // The window takes the current drill name as its caption (its own drill's
    // name when it has none), the child's name after it in a family.
    void startSitting();
    void openSound();
    // Plays prompts one after another, each to its end; nothing while the
    // device is closed.
    void say(const QStringList &prompts);
    void showCount(int count);
    // False while the window is shown but has not reached the screen yet.
    bool isOnScreen() const;
    // Milliseconds of a clock that never goes back, for the sitting's waits.
    static qint64 monotonicMs();
    // Closes the sound device first, then writes the results row unless the
    // count is 0. A row that cannot be written is told, with what it held, so
    // a parent can note it; the window closes all the same.
    void endSitting(int count);

private:
    const DrillTable::Entry &drill_;
    const ResultsLog &log_;
    QString caption_; // the drill's name as the window took it at load: the row's 科目
};
