#include "frmAbout.h"

#include "resources/Catalogue.h"
#include "ui/Module.h"

#include <QEvent>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <algorithm>

#ifndef KESTREL_VERSION_MAJOR
#define KESTREL_VERSION_MAJOR 1
#define KESTREL_VERSION_MINOR 5
#define KESTREL_VERSION_REVISION 88
#endif
#ifndef KESTREL_HOMEPAGE
#define KESTREL_HOMEPAGE "https://kestrel.pellmark.org"
#endif

namespace kestrel {

namespace {

constexpr int UptimeInterval = 100;       // ms
constexpr int DisplayModeInterval = 5000; // ms
const QString BuildDate = QStringLiteral("17.01.2002");

// 2 to the power n as a whole decimal number, for any colour depth.
QString powerOfTwo(std::uint32_t n) {
    if (n < 64)
        return QString::number(quint64(1) << n);
    QByteArray digits("1"); // least significant digit first
    for (std::uint32_t i = 0; i < n; ++i) {
        int carry = 0;
        for (char& digit : digits) {
            const int value = (digit - '0') * 2 + carry;
            digit = char('0' + value % 10);
            carry = value / 10;
        }
        if (carry)
            digits.append(char('0' + carry));
    }
    std::reverse(digits.begin(), digits.end());
    return QString::fromLatin1(digits);
}

} // namespace

bool UptimePicture::setText(const QString& text) {
    if (text == text_)
        return false;
    text_ = text;
    update();
    return true;
}

QSize UptimePicture::sizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("0000 ч. 00 м. 00 с.")),
            fontMetrics().height()};
}

void UptimePicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(0, fontMetrics().ascent(), text_);
}

frmAbout::frmAbout(QWidget* parent) : Page(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    auto label = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    AppImg = label("AppImg");
    lblVersion = label("lblVersion");
    lblBild = label("lblBild");
    lblCN = label("lblCN");
    lblUsr = label("lblUsr");
    lblwo = label("lblwo");
    picWinOn = new UptimePicture(this);
    picWinOn->setObjectName(QStringLiteral("picWinOn"));
    lblDisp = label("lblDisp");
    lblProgrammer = label("lblProgrammer");
    lblurl = label("lblurl");

    QFont title = lblVersion->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.3);
    lblVersion->setFont(title);

    // The address looks like a link and is opened with a double click.
    QFont link = lblurl->font();
    link.setUnderline(true);
    lblurl->setFont(link);
    QPalette linkColors = lblurl->palette();
    linkColors.setColor(QPalette::WindowText, linkColors.color(QPalette::Link));
    lblurl->setPalette(linkColors);
    lblurl->setCursor(Qt::PointingHandCursor);
    lblurl->setText(webAddress());
    lblurl->setFocusPolicy(Qt::StrongFocus); // keyboard users open it with Enter
    lblurl->installEventFilter(this);

    lblProgrammer->setWordWrap(true);
    lblDisp->setWordWrap(true);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(24, 24, 24, 24);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(8);
    grid->addWidget(AppImg, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(lblVersion, 0, 1, 1, 2);
    grid->addWidget(lblBild, 1, 1, 1, 2);
    grid->setRowMinimumHeight(2, 12);
    grid->addWidget(lblCN, 3, 1, 1, 2);
    grid->addWidget(lblUsr, 4, 1, 1, 2);
    auto* uptime = new QHBoxLayout;
    uptime->setSpacing(0);
    uptime->addWidget(lblwo);
    uptime->addWidget(picWinOn);
    uptime->addStretch(1);
    grid->addLayout(uptime, 5, 1, 1, 2);
    grid->addWidget(lblDisp, 6, 1, 1, 2);
    grid->setRowMinimumHeight(7, 12);
    grid->addWidget(lblProgrammer, 8, 1, 1, 2);
    grid->addWidget(lblurl, 9, 1, 1, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(10, 1);

    tmr = new QTimer(this);
    tmr->setObjectName(QStringLiteral("tmr"));
    tmr->setInterval(UptimeInterval);
    connect(tmr, &QTimer::timeout, this, &frmAbout::tmr_Timer);
    tmrD = new QTimer(this);
    tmrD->setObjectName(QStringLiteral("tmrD"));
    tmrD->setInterval(DisplayModeInterval);
    connect(tmrD, &QTimer::timeout, this, &frmAbout::ShowDisplayMode);
}

QString frmAbout::versionText() {
    return LoadResString(101) + QStringLiteral("  ") + LoadResString(104) + QLatin1Char(' ') +
           QString::number(KESTREL_VERSION_MAJOR) + QLatin1Char('.') +
           QStringLiteral("%1").arg(KESTREL_VERSION_MINOR, 2, 10, QLatin1Char('0'));
}

QString frmAbout::buildText() {
    return LoadResString(105) + QStringLiteral(" #") +
           QStringLiteral("%1").arg(KESTREL_VERSION_REVISION, 4, 10, QLatin1Char('0')) +
           QStringLiteral("  ") + LoadResString(118) + QStringLiteral("  ") + BuildDate;
}

QString frmAbout::uptimeText(std::uint32_t milliseconds) {
    const std::uint32_t s = milliseconds / 1000;
    const std::uint32_t m = s / 60;
    const std::uint32_t hours = m / 60;
    auto twoDigits = [](std::uint32_t n) {
        return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    };
    return QString::number(hours) + QStringLiteral(" ч. ") + twoDigits(m % 60) +
           QStringLiteral(" м. ") + twoDigits(s % 60) + QStringLiteral(" с.");
}

QString frmAbout::displayModeText(const DisplayMode& mode) {
    return LoadResString(455) + QLatin1Char(' ') + QString::number(mode.width) + QLatin1Char('x') +
           QString::number(mode.height) + QLatin1Char(' ') + LoadResString(457) + QLatin1Char(' ') +
           QString::number(mode.bitsPerPixel) + QStringLiteral(" (") +
           powerOfTwo(mode.bitsPerPixel) + QStringLiteral(") ") + LoadResString(456);
}

QString frmAbout::webAddress() {
    return QStringLiteral(KESTREL_HOMEPAGE);
}

void frmAbout::Form_Load() {
    lblVersion->setText(versionText());
    lblBild->setText(buildText());
    lblCN->setText(LoadResString(177) + QLatin1Char(' ') + GetCompName());
    lblUsr->setText(LoadResString(178) + QLatin1Char(' ') + GetUser());
    lblwo->setText(LoadResString(179));
    lblProgrammer->setText(LoadResString(127));
    AppImg->setPixmap(LoadResPicture(QStringLiteral("APP")).pixmap(32, 32));
    ShowDisplayMode();
    tmr_Timer(); // the uptime is there from the first paint, not 100 ms later
    tmr->start();
    tmrD->start();
}

void frmAbout::Form_Unload() {
    tmr->stop();
    tmrD->stop();
}

void frmAbout::ShowDisplayMode() {
    const DisplayMode mode =
        Machine::hasCurrent() ? Machine::current().displayMode() : DisplayMode{};
    const QString text = displayModeText(mode);
    if (lblDisp->text() != text)
        lblDisp->setText(text);
}

void frmAbout::tmr_Timer() {
    const std::uint32_t ticks = Machine::hasCurrent() ? Machine::current().tickCount() : 0;
    picWinOn->setText(uptimeText(ticks));
}

void frmAbout::lblurl_DblClick() {
    if (Machine::hasCurrent())
        Machine::current().winExec("explorer " + webAddress().toStdString(), 1);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblurl) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            lblurl_DblClick();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                lblurl_DblClick();
                return true;
            }
        }
    }
    return Page::eventFilter(watched, event);
}

} // namespace kestrel
