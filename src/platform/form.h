#pragma once

#include <QWidget>

#include <optional>

class QLabel;

// A top-level window with a load/unload life: one instance for the whole run,
// loaded (Form_Load) when it is shown while not loaded, only raised when shown
// while open, and unloaded (Form_Unload) when closed, ready to be loaded again.
// Each window therefore starts a fresh sitting when it is opened again, while
// the menu can keep every window for the run. Fixed client size given in twips,
// single border, no minimise or maximise button, centred on the screen, pure
// green background.
class Form : public QWidget
{
    Q_OBJECT
public:
    Form(const QString &name, const QString &caption, double widthTwips, double heightTwips,
         QWidget *parent = nullptr);
    ~Form() override;

    // Shows the window: loads it first when it is not loaded, otherwise only
    // brings it to the front.
    void showForm();
    // Closes the window as the user would: runs Form_Unload and hides it.
    void unloadForm();
    bool isLoaded() const { return loaded_; }
    // The caption set afresh after the name of the child who practises
    // changed; a window that shows the name elsewhere too follows it here.
    virtual void showChildInCaption();
    // The same for every window open, after the family changed.
    static void showChildInAllCaptions();

signals:
    // The window was closed: Form_Unload has run.
    void unloaded();

protected:
    virtual void Form_Load() {}
    virtual void Form_Unload() {}

    // Places a child control at a position and size given in twips.
    static void place(QWidget *control, double left, double top, double width, double height);
    // Sets a label's text and keeps its accessible name in step, so that what
    // a screen reader (or a test through it) reads is what the child sees.
    static void setCaption(QLabel *label, const QString &text);
    // Sets the window caption followed by the name of the child who
    // practises, in a family of two or more: "得点（たろう）"; the caption
    // alone otherwise. A window about another child names that child
    // instead (`child`), whoever practises.
    void setCaptionWithChild(const QString &caption, const std::optional<QString> &child = std::nullopt);


    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void centreOnScreen();

    bool loaded_ = false;
    std::optional<QString> captionWithChild_;
    std::optional<QString> fixedChild_;
    // Set when the window is shown: the first move that brings a window
    // manager's frame is answered by centring the framed window again.
    bool centreWithFrame_ = false;
};
