#pragma once
// The main window: the navigation tree on the left third, the current page on the right two
// thirds, the status strip along the bottom. It carries out the page protocol for the whole
// program (MdlStart forwards CurPage, ArrangePage and ShowPage here).

#include "PageTable.h"
#include "ui/MdlStart.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QTimer;

namespace kestrel {

class Machine;
class PrefixChooser;
class frmTR;

// The strip along the bottom: the cursor position at x 0, the clock at x 70 and, right of the
// clock, which machine is being edited. Text is drawn only when it changed.
// While the pointer is over one of the program's windows, its position comes from the mouse
// events the window system sends anyway, and the clock is drawn on each new second; the status
// timer rests meanwhile. While the pointer is elsewhere the timer asks the window system for it
// (a round trip to the X server), less often once it stays still there (the clock is then drawn
// on each new second by a timer of its own).
class StatusStrip : public QWidget {
    Q_OBJECT
public:
    explicit StatusStrip(QWidget* parent = nullptr);

    void setMachineText(const QString& text);
    // One tick of the status timer: reads the cursor and the clock and redraws what changed.
    void tick();

    const QString& lastPos() const { return LastPos; }
    const QString& lastTime() const { return LastTime; }
    const QString& machineText() const { return machine_; }
    // How many times a text was found changed and redrawn (for tests and the benchmark).
    int redraws() const { return redraws_; }

    QSize sizeHint() const override;

signals:
    // The pointer came over one of the program's windows (true: its moves arrive as events,
    // the status timer is not needed) or went elsewhere (false: it has to be asked for).
    void followingChanged(bool following);
    // The pointer, elsewhere, has stayed still for a while (true: it may be asked for less
    // often) or moved again (false).
    void stillElsewhere(bool still);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPoint cursorPos();
    void setFollowing(bool following);
    void setStill(bool still);

    QString LastTime;
    QString LastPos;
    QString machine_;
    int redraws_ = 0;
    qint64 lastSecond_ = -1;
    QPoint lastCursor_;
    bool canFollow_ = false; // the platform sends pointer events (not the offscreen one)
    bool following_ = false; // the pointer is over one of our windows, at followed_
    QPoint followed_;
    int stillTicks_ = 0;      // ticks since the asked position last changed
    bool still_ = false;      // stillTicks_ reached StillTicks
    QTimer* clock_ = nullptr; // while following or still: fires on the next second
};

class frmStart : public QWidget, public Shell {
    Q_OBJECT
public:
    // Gives the page row for a node key, nullptr for the About page.
    using PageLookup = std::function<const PageRow*(const QString& key)>;

    explicit frmStart(PageLookup lookup = findPage, QWidget* parent = nullptr);
    ~frmStart() override;

    // Shell
    Page* curPage() const override { return CurPage_; }
    void arrangePage() override;
    void showPage(const QString& key) override;

    // The form name of the current page ("frmAbout", "frmPusk", …).
    const QString& curForm() const { return curForm_; }

    // The window keeps the machine it edits and ends it when it switches to another one.
    void adoptMachine(std::unique_ptr<Machine> machine);
    // Edits the Wine prefix at path from now on: a folder that is not a prefix is refused with
    // a message and nothing changes; otherwise the page shown is closed (its save prompt first),
    // the tree is built again for the prefix's Windows family and the page opens again on it.
    // True when the window switched.
    bool switchPrefix(const QString& path);
    // The chooser above the tree; nullptr where there are no Wine prefixes (on Windows).
    PrefixChooser* chooser() const { return chooser_; }

    frmTR* navigation() const { return frmTR_; }
    QWidget* client() const { return client_; }
    StatusStrip* statb() const { return statb_; }
    QTimer* tmrStat() const { return tmrStat_; }

    // Client area size in pixels, not counting the status strip.
    QSize clientSize() const;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Resize();
    void unloadCurPage();
    void ShowCurPage();
    void showMachineText();

    PageLookup lookup_;
    QWidget* client_ = nullptr;
    frmTR* frmTR_ = nullptr;
    StatusStrip* statb_ = nullptr;
    PrefixChooser* chooser_ = nullptr;
    std::unique_ptr<Machine> machine_;
    QString curKey_ = QStringLiteral("About");
    QTimer* tmrStat_ = nullptr;
    Page* CurPage_ = nullptr;
    bool curLoaded_ = false;
    bool warmedUp_ = false;
    QString curForm_;
};

} // namespace kestrel
