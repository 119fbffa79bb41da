#pragma once
// The About page: title, version and build, computer and user names, how long Windows has been
// running (live), the display mode (every 5 s), the credit line and the web address.

#include "platform/Machine.h"
#include "ui/Page.h"

#include <QString>
#include <cstdint>

class QLabel;
class QTimer;

namespace kestrel {

// The picture box the uptime is drawn into.
class UptimePicture : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    // Draws the text when it differs from the one drawn last; true when it did.
    bool setText(const QString& text);
    const QString& text() const { return text_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

class frmAbout : public Page {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    void Form_Load() override;
    void Form_Unload() override;

    // The texts the page shows, built from the catalogue of this run.
    static QString versionText();
    static QString buildText();
    // "3 ч. 07 м. 09 с." for a tick count of milliseconds since Windows started.
    static QString uptimeText(std::uint32_t milliseconds);
    // "Current Resolution 1024x768 Color depth is 16 (65536) Bit (Colors)".
    static QString displayModeText(const DisplayMode& mode);
    // The author's web address and the command line that opens it in the browser.
    static QString webAddress();

    // Controls, named as on the form (tests read them).
    QLabel* lblVersion = nullptr;
    QLabel* lblBild = nullptr;
    QLabel* lblCN = nullptr;
    QLabel* lblUsr = nullptr;
    QLabel* lblwo = nullptr;
    UptimePicture* picWinOn = nullptr;
    QLabel* lblDisp = nullptr;
    QLabel* lblProgrammer = nullptr;
    QLabel* lblurl = nullptr;
    QLabel* AppImg = nullptr;
    QTimer* tmr = nullptr;
    QTimer* tmrD = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowDisplayMode();
    void tmr_Timer();
    void lblurl_DblClick();
};

} // namespace kestrel
