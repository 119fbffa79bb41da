#include "frmStart.h"

#include "StartUp.h"
#include "StatusText.h"
#include "frmAbout.h"
#include "frmTR.h"
#ifdef KESTREL_HISTORY
#include "frmHistory.h"
#endif
#include "platform/Machine.h"
#include "resources/Catalogue.h"
#include "ui/Module.h"
#include "ui/Page.h"
#include "ui/StandardIcons.h"
#include "ui/Twips.h"

#ifndef _WIN32
#include "PrefixChooser.h"
#include "StartUp.h"
#include "platform/wine/WineMachine.h"
#endif

#include <QCloseEvent>
#include <QCursor>
#include <QDateTime>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QTreeWidget>
#include <cmath>

namespace kestrel {

namespace {

constexpr int StatusInterval = 10; // ms
// With the pointer outside the program's windows and still for this many ticks, it is asked
// for every StillInterval ms only.
constexpr int StillTicks = 200;
constexpr int StillInterval = 100; // ms
constexpr int MinWidthTwips = 10000;
constexpr int MinHeightTwips = 6000;
constexpr int TimeX = 70; // pixel positions of the two texts on the strip
constexpr int PosX = 0;
constexpr int MachineGap = 24;

// Twips to pixels, rounded up so that the window is never smaller than asked.
int pixelsAtLeast(int twipsValue) {
    return (twipsValue + TwipsPerPixel - 1) / TwipsPerPixel;
}

template <typename T> void setIfDifferent(const T& current, const T& target, auto&& write) {
    if (current != target)
        write(target);
}

} // namespace

// --- Status strip ----------------------------------------------------------------------------

StatusStrip::StatusStrip(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("statb"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    // A size at which the cursor text of a large screen ends before the clock at x 70.
    QFont small = font();
    small.setPointSizeF(qMin<qreal>(small.pointSizeF(), 8.0));
    setFont(small);
    const QString platform = QGuiApplication::platformName();
    canFollow_ = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    clock_ = new QTimer(this);
    clock_->setSingleShot(true);
    clock_->setTimerType(Qt::PreciseTimer);
    connect(clock_, &QTimer::timeout, this, [this] {
        // Once a second the followed position is checked against the window system's: a
        // move that left no event (the pointer let go outside after a drag, say) ends the
        // following.
        if (following_ && QCursor::pos() != followed_)
            setFollowing(false);
        tick();
    });
    if (canFollow_)
        qApp->installEventFilter(this);
}

void StatusStrip::setFollowing(bool following) {
    if (following == following_)
        return;
    following_ = following;
    stillTicks_ = 0;
    setStill(false);
    if (!following)
        clock_->stop();
    emit followingChanged(following);
}

void StatusStrip::setStill(bool still) {
    if (still == still_)
        return;
    still_ = still;
    if (!still && !following_)
        clock_->stop();
    emit stillElsewhere(still);
}

bool StatusStrip::eventFilter(QObject* watched, QEvent* event) {
    // Only what the window system tells a top-level window: every pointer move over it, and
    // every move while it holds the pointer (a drag), arrives there before widgets see it.
    if (!watched->isWindowType())
        return false;
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        followed_ = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        setFollowing(true);
        tick();
        break;
    case QEvent::Enter:
        followed_ = static_cast<QEnterEvent*>(event)->globalPosition().toPoint();
        setFollowing(true);
        tick();
        break;
    case QEvent::Leave:
        setFollowing(false);
        break;
    default:
        break;
    }
    return false;
}

QPoint StatusStrip::cursorPos() {
    if (following_)
        return followed_;
    const QPoint asked = QCursor::pos();
    stillTicks_ = asked == lastCursor_ ? stillTicks_ + 1 : 0;
    setStill(stillTicks_ >= StillTicks);
    return asked;
}

QSize StatusStrip::sizeHint() const {
    return {200, fontMetrics().height() + 4};
}

void StatusStrip::setMachineText(const QString& text) {
    if (text == machine_)
        return;
    machine_ = text;
    update();
}

void StatusStrip::tick() {
    // Texts are built only when what they show changed: an idle mouse within one second costs
    // two comparisons per tick.
    // The system clock is cheap to read; the local time (time zone rules) only once a second.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 second = now / 1000;
    if (second != lastSecond_) {
        lastSecond_ = second;
        const QString time = StatusText::clockText(QTime::currentTime());
        if (time != LastTime) {
            LastTime = time;
            ++redraws_;
            update(TimeX, 0, width() - TimeX, height());
        }
    }
    const QPoint cursor = cursorPos();
    if (cursor != lastCursor_ || LastPos.isEmpty()) {
        lastCursor_ = cursor;
        const QString pos = StatusText::cursorText(cursor.x(), cursor.y());
        if (pos != LastPos) {
            LastPos = pos;
            ++redraws_;
            update(PosX, 0, TimeX, height());
        }
    }
    if (following_ || still_) // the next second's text, 1 ms into it
        clock_->start(int(1000 - now % 1000) + 1);
}

void StatusStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, 0, width(), 0);
    painter.setPen(palette().color(QPalette::WindowText));
    const int baseline = 2 + fontMetrics().ascent();
    painter.drawText(PosX, baseline, LastPos);
    painter.drawText(TimeX, baseline, LastTime);
    if (!machine_.isEmpty()) {
        const int machineX =
            TimeX + fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + MachineGap;
        painter.drawText(machineX, baseline, machine_);
    }
}

// --- Main window -----------------------------------------------------------------------------

frmStart::frmStart(PageLookup lookup, QWidget* parent)
    : QWidget(parent), lookup_(std::move(lookup)) {
    setObjectName(QStringLiteral("frmStart"));
    // Start-up makes the About page current before anything is shown; it loads when placed.
    CurPage_ = new frmAbout;
    curForm_ = QStringLiteral("frmAbout");

    // Form_Load
    setWindowTitle(LoadResString(101));
    setWindowIcon(LoadResPicture(QStringLiteral("APP")));
    setMinimumSize(pixelsAtLeast(MinWidthTwips), pixelsAtLeast(MinHeightTwips));

#ifndef _WIN32
    // First in the window, so first in the tab order: the chooser, then the tree, then the page.
    chooser_ = new PrefixChooser(this);
#endif
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    frmTR_ = new frmTR(client_);
    CurPage_->setParent(client_);
    CurPage_->hide();
    connect(frmTR_, &frmTR::nodeClick, this, &frmStart::showPage);

    statb_ = new StatusStrip(this);
#ifndef _WIN32
    connect(chooser_, &PrefixChooser::prefixChosen, this, &frmStart::switchPrefix);
    if (auto* prefix = currentPrefixMachine()) {
        // The registry is read while the window is built and shown, not on the first page that
        // needs it.
        prefix->preloadRegistry();
        chooser_->refresh(QString::fromStdString(prefix->prefixPath()));
    }
#endif
    showMachineText();
    tmrStat_ = new QTimer(this);
    tmrStat_->setInterval(StatusInterval);
    connect(tmrStat_, &QTimer::timeout, statb_, &StatusStrip::tick);
    statb_->tick(); // the first texts are there before the first paint
    tmrStat_->start();
    // The timer rests while the strip follows the pointer through events (not after closing).
    connect(statb_, &StatusStrip::followingChanged, this, [this](bool following) {
        if (following)
            tmrStat_->stop();
        else if (isVisible())
            tmrStat_->start();
    });
    connect(statb_, &StatusStrip::stillElsewhere, this,
            [this](bool still) { tmrStat_->setInterval(still ? StillInterval : StatusInterval); });

#ifdef KESTREL_HISTORY
    addHistoryButton(this, chooser_, [this] { showPage(curKey_); });
#endif
    MdlStart::setShell(this);
    resize(qMax(900, minimumWidth()), qMax(640, minimumHeight()));
}

frmStart::~frmStart() {
    if (MdlStart::shell() == this)
        MdlStart::setShell(nullptr);
    if (machine_ && Machine::hasCurrent() && &Machine::current() == machine_.get())
        Machine::setCurrent(nullptr);
}

void frmStart::adoptMachine(std::unique_ptr<Machine> machine) {
    machine_ = std::move(machine);
}

// The status strip names the machine: a prefix by the name its tool gives it, where it has one.
void frmStart::showMachineText() {
    if (!Machine::hasCurrent())
        return;
    QString text = machineText(Machine::current());
#ifndef _WIN32
    if (auto* prefix = currentPrefixMachine()) {
        const QString path = QString::fromStdString(prefix->prefixPath());
        if (const wine::FoundPrefix* known = chooser_ ? chooser_->find(path) : nullptr)
            text = LoadResString(994).arg(PrefixChooser::displayName(*known),
                                          PrefixChooser::sourceText(known->source), path);
    }
#endif
    statb_->setMachineText(text);
}

bool frmStart::switchPrefix(const QString& path) {
#ifdef _WIN32
    Q_UNUSED(path);
    return false;
#else
    QString oldPath;
    if (auto* prefix = currentPrefixMachine())
        oldPath = QString::fromStdString(prefix->prefixPath());
    // The new prefix is checked (or made, for a new folder) before anything of the old one
    // closes: a refused folder leaves the page as it is, unsaved changes included.
    OpenedMachine opened = openPrefix(path.toStdString());
    if (!opened.machine) {
        ShowMessage(opened.error);
        if (chooser_)
            chooser_->refresh(oldPath);
        return false;
    }
    // The page shown saves into the prefix it was read from.
    unloadCurPage();
    if (auto* prefix = dynamic_cast<wine::WineMachine*>(opened.machine.get()))
        prefix->preloadRegistry();
    Machine::setCurrent(opened.machine.get());
    machine_ = std::move(opened.machine); // the old prefix's machine and all it read go
    PrefixChooser::rememberPrefix(oldPath);
    PrefixChooser::rememberPrefix(path);
    if (chooser_)
        chooser_->refresh(path);
    showMachineText();
    // The Windows family may differ: the version key and the tree follow it, and the page opens
    // again when the new tree has its node.
    MdlStart::setWinVerKeyFromPlatform();
    frmTR_->Form_Load();
    showPage(frmTR_->node(curKey_) ? curKey_ : QStringLiteral("About"));
    return true;
#endif
}

QSize frmStart::clientSize() const {
    return client_->size();
}

bool frmStart::event(QEvent* event) {
    // Once the window is on screen, and before anybody can click, what the first visits of
    // pages would otherwise look up is looked up: the style's folder icons (an icon theme
    // search on disk) for the folder lists.
    if (event->type() == QEvent::Paint && !warmedUp_) {
        warmedUp_ = true;
        QTimer::singleShot(0, this, [] {
            standardIcon(QStyle::SP_DirOpenIcon);
            standardIcon(QStyle::SP_DirClosedIcon);
        });
    }
    return QWidget::event(event);
}

void frmStart::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmStart::Form_Resize() {
    if (isMinimized())
        return;
    // The prefix chooser along the top, the strip along the bottom, the client area between.
    const int chooserHeight = chooser_ ? chooser_->sizeHint().height() : 0;
    const int stripHeight = statb_->sizeHint().height();
    const QRect strip(0, height() - stripHeight, width(), stripHeight);
    const QRect area(0, chooserHeight, width(), height() - stripHeight - chooserHeight);
    setIfDifferent(statb_->geometry(), strip, [&](const QRect& r) { statb_->setGeometry(r); });
    if (chooser_) {
        const QRect top(0, 0, width(), chooserHeight);
        setIfDifferent(chooser_->geometry(), top,
                       [&](const QRect& r) { chooser_->setGeometry(r); });
    }
    setIfDifferent(client_->geometry(), area, [&](const QRect& r) { client_->setGeometry(r); });

    // Navigation window: the left third, full height.
    const QRect nav(0, 0, qRound(area.width() / 3.0), area.height());
    setIfDifferent(frmTR_->geometry(), nav, [&](const QRect& r) { frmTR_->setGeometry(r); });
    if (!frmTR_->isVisible())
        frmTR_->show();
    arrangePage();
}

void frmStart::arrangePage() {
    Page* page = CurPage_;
    if (!page)
        return;
    if (!curLoaded_) {
        curLoaded_ = true;
        page->Form_Load();
    }
    if (page != CurPage_) // the page's load handler moved to another page
        return;
    const QSize area = client_->size();
    const int left = frmTR_->width();
    const int width = static_cast<int>(std::lround(float(area.width()) * 2.0f / 3.0f));
    const QRect target(left, 0, width, area.height());
    setIfDifferent(page->geometry(), target, [&](const QRect& r) { page->setGeometry(r); });
    ShowCurPage();
}

void frmStart::ShowCurPage() {
    if (CurPage_ && !CurPage_->isVisible()) {
        CurPage_->setAttribute(Qt::WA_ShowWithoutActivating);
        CurPage_->show();
    }
}

void frmStart::unloadCurPage() {
    Page* page = CurPage_;
    if (!page)
        return;
    const bool loaded = curLoaded_;
    CurPage_ = nullptr;
    curLoaded_ = false;
    if (loaded)
        page->Form_Unload(); // may ask to save and write
    page->hide();
    // The page may be unloading itself from one of its own handlers (an OK button that returns
    // to the About page): let that handler finish before the widget goes.
    page->deleteLater();
}

void frmStart::showPage(const QString& key) {
    unloadCurPage();
    const PageRow* row = lookup_ ? lookup_(key) : nullptr;
    if (row) {
        CurPage_ = row->create();
        curForm_ = QString::fromUtf8(row->form);
    } else {
        CurPage_ = new frmAbout;
        curForm_ = QStringLiteral("frmAbout");
    }
    curKey_ = key;
#ifdef KESTREL_HISTORY
    setHistoryPage(curForm_);
#endif
    CurPage_->hide();
    CurPage_->setParent(client_);
    if (frmTR_)
        frmTR_->markNode(key);
    arrangePage();
}

void frmStart::closeEvent(QCloseEvent* event) {
    // Closing the window unloads the page shown, so its save prompt comes before the end.
    unloadCurPage();
    tmrStat_->stop();
    event->accept();
}

} // namespace kestrel
