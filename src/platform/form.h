#pragma once

#include <QColor>
#include <QWidget>

// A top-level window that behaves like a classic form: one instance for the
// whole run, loaded (Form_Load) when it is shown while not loaded, only raised
// when shown while open, and unloaded (Form_Unload) when closed, ready to be
// loaded again. Fixed client size given in twips, single border, no minimise or
// maximise button, centred on the screen, pure green background.
class Form : public QWidget
{
    Q_OBJECT
public:
    static const QColor background; // RGB(0,255,0)

    Form(const QString &name, const QString &caption, double widthTwips, double heightTwips,
         QWidget *parent = nullptr);
    ~Form() override;

    // Shows the window: loads it first when it is not loaded, otherwise only
    // brings it to the front.
    void showForm();
    // Closes the window as the user would: runs Form_Unload and hides it.
    void unloadForm();
    bool isLoaded() const { return loaded_; }

    // The client size in twips the window was designed with.
    QSize designSize() const { return designSize_; }

signals:
    void loadedChanged(bool loaded);

protected:
    virtual void Form_Load() {}
    virtual void Form_Unload() {}

    // Places a child control at a position and size given in twips.
    static void place(QWidget *control, double left, double top, double width, double height);
    void setClientSizeTwips(double widthTwips, double heightTwips);

    void closeEvent(QCloseEvent *event) override;

private:
    void centreOnScreen();

    QSize designSize_;
    bool loaded_ = false;
};
