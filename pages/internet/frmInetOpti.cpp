#include "frmInetOpti.h"

#include "platform/FieldReader.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "resources/Catalogue.h"
#include "ui/Ansi.h"
#include "ui/Module.h"
#include "ui/NumberFilter.h"
#include "ui/Placement.h"
#include "ui/RegQt.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

namespace kestrel {

namespace {

const QString AdaptersKey = QStringLiteral("Enum\\Root\\Net");
const QString NetTransKey =
    QStringLiteral("System\\CurrentControlSet\\Services\\Class\\NetTrans\\");
const QString MstcpKey = QStringLiteral("System\\CurrentControlSet\\Services\\VxD\\MSTCP");
const QString ReceiveWindow = QStringLiteral("4288");

// The example entry the host fields hold when the page opens.
const char* const ExampleOctets[] = {"127", "0", "0", "1"};
const QString ExampleHost = QStringLiteral("localhost");

// lblH ends this far short of the page's right edge; the frame keeps the same distance from
// lblH above it and from the page's bottom edge.
constexpr int HelpMargin = 90;       // twips
constexpr int FrameMinHeight = 2700; // twips

// What Apply may write into a TCP/IP setting: a whole number above 0. An empty field, a hint
// such as "Default=1460", 0 and a negative MSS are left out.
bool isSettingValue(const QString& text) {
    if (text.isEmpty())
        return false;
    bool nonZero = false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        nonZero = nonZero || c != QLatin1Char('0');
    }
    return nonZero;
}

void saveIfSettingValue(const QString& key, const QString& name, const QString& text) {
    if (isSettingValue(text))
        Reg::SaveString(HKEY_LOCAL_MACHINE, key, name, text);
}

} // namespace

frmInetOpti::frmInetOpti(QWidget* parent)
    : Page(parent), cbAdap(makeControl<QComboBox>(this, "cbAdap")),
      lblMTU(makeControl<QLabel>(this, "lblMTU")), txtMTU(makeControl<QLineEdit>(this, "txtMTU")),
      lblMSS(makeControl<QLabel>(this, "lblMSS")), txtMSS(makeControl<QLineEdit>(this, "txtMSS")),
      lblTTL(makeControl<QLabel>(this, "lblTTL")), txtTTL(makeControl<QLineEdit>(this, "txtTTL")),
      cmdAP(makeControl<QPushButton>(this, "cmdAP")), lblH(makeControl<QLabel>(this, "lblH")),
      Frame1(makeControl<QGroupBox>(this, "Frame1")), ip{makeControl<QLineEdit>(Frame1, "ip1"),
                                                         makeControl<QLineEdit>(Frame1, "ip2"),
                                                         makeControl<QLineEdit>(Frame1, "ip3"),
                                                         makeControl<QLineEdit>(Frame1, "ip4")},
      txtHost(makeControl<QLineEdit>(Frame1, "txtHost")),
      lslHosts(makeControl<QListWidget>(Frame1, "lslHosts")),
      cmdadd(makeControl<QPushButton>(Frame1, "cmdadd")),
      cmdDel(makeControl<QPushButton>(Frame1, "cmdDel")),
      lblh2(makeControl<QLabel>(Frame1, "lblh2")), dots{new QLabel(Frame1), new QLabel(Frame1),
                                                        new QLabel(Frame1)} {
    place({
        {cbAdap, 120, 120, 4800, 360},
        {lblMTU, 120, 630, 1500, 255},
        {txtMTU, 1680, 600, 900, 330},
        {lblMSS, 120, 1020, 1500, 255},
        {txtMSS, 1680, 990, 1500, 330},
        {lblTTL, 120, 1410, 1500, 255},
        {txtTTL, 1680, 1380, 900, 330},
        {cmdAP, 3720, 585, 1200, 390},
        {lblH, 120, 1830, 6000, 780},
        {Frame1, 120, 2700, 6240, FrameMinHeight},
        // Inside the frame: the entry to add, then the list with its Delete button, then the
        // help text.
        {ip[0], 120, 420, 540, 330},
        {dots[0], 660, 420, 60, 330},
        {ip[1], 720, 420, 540, 330},
        {dots[1], 1260, 420, 60, 330},
        {ip[2], 1320, 420, 540, 330},
        {dots[2], 1860, 420, 60, 330},
        {ip[3], 1920, 420, 540, 330},
        {txtHost, 2580, 420, 1800, 330},
        {cmdadd, 4500, 390, 1200, 390},
        {lslHosts, 120, 900, 4260, 1200},
        {cmdDel, 4500, 900, 1200, 390},
        {lblh2, 120, 2160, 5880, 450},
    });
    for (QLabel* dot : dots) {
        dot->setText(QStringLiteral("."));
        dot->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    }
    lblH->setWordWrap(true);
    lblH->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblh2->setWordWrap(true);
    lblh2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    numberfilter::limitTyping(txtMTU, 4);
    numberfilter::limitTyping(txtTTL, 4);
    // MSS is not typed: it follows the MTU field.
    txtMSS->setEnabled(false);
    numberfilter::attach(
        txtMTU, [this](double mtu) { txtMSS->setText(numberfilter::plainDecimal(mtu - 40)); });
    numberfilter::attach(txtTTL);
    for (std::size_t i = 0; i < ip.size(); ++i) {
        numberfilter::limitTyping(ip[i], 3);
        numberfilter::attach(ip[i]);
    }

    connect(cbAdap, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            cbAdap_Click();
    });
    connect(cmdAP, &QPushButton::clicked, this, &frmInetOpti::cmdAP_Click);
    connect(cmdadd, &QPushButton::clicked, this, &frmInetOpti::cmdadd_Click);
    connect(cmdDel, &QPushButton::clicked, this, &frmInetOpti::cmdDel_Click);
}

void frmInetOpti::Form_Load() {
    lblMTU->setText(LoadResString(342));
    lblMSS->setText(LoadResString(343));
    lblTTL->setText(LoadResString(344));
    cmdAP->setText(LoadResString(130));
    lblH->setText(LoadResString(346));
    Frame1->setTitle(LoadResString(345));
    cmdadd->setText(LoadResString(313));
    cmdDel->setText(LoadResString(315));
    lblh2->setText(LoadResString(347));
    for (std::size_t i = 0; i < ip.size(); ++i)
        ip[i]->setText(QLatin1String(ExampleOctets[i]));
    txtHost->setText(ExampleHost);

    ListAdapters();
    LoadHosts();
    // The help text's height depends on its words.
    Form_Resize();
}

void frmInetOpti::Form_Resize() {
    const int margin = twips(HelpMargin);
    // lblH as tall as its words need at its width; the hosts frame below it takes the rest of
    // the page, its list growing with it and its help text at its bottom.
    const int helpWidth = std::max(0, width() - lblH->x() - margin);
    const int helpHeight = std::max(lblH->heightForWidth(helpWidth), twips(780));
    setGeometryIfChanged(lblH, lblH->x(), lblH->y(), helpWidth, helpHeight);
    const int frameTop = lblH->y() + helpHeight + margin;
    const int frameHeight = std::max(height() - frameTop - margin, twips(FrameMinHeight));
    setGeometryIfChanged(Frame1, Frame1->x(), frameTop, Frame1->width(), frameHeight);
    const int noteTop = frameHeight - lblh2->height() - margin;
    setGeometryIfChanged(lblh2, lblh2->x(), noteTop, lblh2->width(), lblh2->height());
    setGeometryIfChanged(lslHosts, lslHosts->x(), lslHosts->y(), lslHosts->width(),
                         noteTop - margin - lslHosts->y());
}

// --- TCP/IP ---------------------------------------------------------------------------------

QString frmInetOpti::adapterKey() const {
    return NetTransKey + CurAdapter;
}

void frmInetOpti::ListAdapters() {
    {
        // Filling the box selects its first entry by itself; the adapter is read once, below.
        const QSignalBlocker blocker(cbAdap);
        cbAdap->clear();
        Registry& registry = Machine::current().registry();
        RegHandle key = 0;
        if (registry.openKey(HKEY_LOCAL_MACHINE, toAnsi(AdaptersKey), KEY_ENUMERATE_SUB_KEYS,
                             key) == ERROR_SUCCESS) {
            std::string name;
            for (std::uint32_t index = 0; registry.enumKey(key, index, name) == ERROR_SUCCESS;
                 ++index) {
                const QString number = fromAnsi(name);
                QString description;
                Reg::GetString(HKEY_LOCAL_MACHINE, AdaptersKey + QLatin1Char('\\') + number,
                               QStringLiteral("DeviceDesc"), description);
                cbAdap->addItem(number + QStringLiteral(" - ") + description);
            }
        }
        registry.closeKey(key);
    }
    // A key without adapters leaves nothing to tune, just like a missing key.
    const bool haveAdapters = cbAdap->count() > 0;
    cbAdap->setEnabled(haveAdapters);
    cmdAP->setEnabled(haveAdapters);
    CurAdapter.clear();
    if (haveAdapters) {
        const QSignalBlocker blocker(cbAdap);
        cbAdap->setCurrentIndex(0);
        cbAdap_Click();
    }
}

void frmInetOpti::cbAdap_Click() {
    CurAdapter = cbAdap->currentText().left(4);
    // Each field's filter runs as it is set: the hints are no numbers, so a missing MTU or TTL
    // shows as an empty field, while the MSS field (no filter) keeps its hint.
    QString value;
    txtMTU->setText(
        Reg::GetString(HKEY_LOCAL_MACHINE, adapterKey(), QStringLiteral("MaxMTU"), value)
            ? value
            : QStringLiteral("Default=1500"));
    value.clear();
    txtMSS->setText(
        Reg::GetString(HKEY_LOCAL_MACHINE, adapterKey(), QStringLiteral("MaxMSS"), value)
            ? value
            : QStringLiteral("Default=1460"));
    value.clear();
    txtTTL->setText(
        Reg::GetString(HKEY_LOCAL_MACHINE, MstcpKey, QStringLiteral("DefaultTTL"), value)
            ? value
            : QStringLiteral("Default=32"));
}

void frmInetOpti::cmdAP_Click() {
    if (!AskSave(QStringLiteral("None")))
        return;
    if (!CurAdapter.isEmpty()) {
        saveIfSettingValue(adapterKey(), QStringLiteral("MaxMTU"), txtMTU->text());
        saveIfSettingValue(adapterKey(), QStringLiteral("MaxMSS"), txtMSS->text());
    }
    saveIfSettingValue(MstcpKey, QStringLiteral("DefaultTTL"), txtTTL->text());
    Reg::SaveString(HKEY_LOCAL_MACHINE, MstcpKey, QStringLiteral("DefaultRcvWindow"),
                    ReceiveWindow);
}

// --- lmhosts --------------------------------------------------------------------------------

namespace {
std::string hostsPath() {
    return Machine::current().windowsDirectory() + "\\lmhosts";
}
} // namespace

void frmInetOpti::LoadHosts() {
    lslHosts->clear();
    Machine& machine = Machine::current();
    const std::string path = hostsPath();
    std::vector<std::string> entries;
    // A missing file is an empty list; a file that exists but cannot be read must not be
    // replaced by the next Add or Delete.
    hostsWritable = textfile::readEntries(machine, path, entries) || !machine.fileExists(path);
    for (const std::string& entry : entries)
        lslHosts->addItem(fromAnsi(entry));
    cmdadd->setEnabled(hostsWritable);
    cmdDel->setEnabled(hostsWritable);
}

void frmInetOpti::SaveHosts() {
    if (!hostsWritable)
        return;
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(lslHosts->count()));
    for (int row = 0; row < lslHosts->count(); ++row)
        lines.push_back(toAnsi(lslHosts->item(row)->text()));
    textfile::writeLines(Machine::current(), hostsPath(), lines);
}

void frmInetOpti::cmdadd_Click() {
    const QString entry = ip[0]->text() + QLatin1Char('.') + ip[1]->text() + QLatin1Char('.') +
                          ip[2]->text() + QLatin1Char('.') + ip[3]->text() + QLatin1Char('\t') +
                          txtHost->text();
    lslHosts->addItem(entry);
    SaveHosts();
}

void frmInetOpti::cmdDel_Click() {
    const int row = lslHosts->currentRow();
    if (row < 0 || !lslHosts->item(row)->isSelected())
        return;
    if (!AskSave(QStringLiteral("None")))
        return;
    delete lslHosts->takeItem(row);
    // The next Delete needs a new choice, not the entry that moved up into this row.
    lslHosts->setCurrentRow(-1);
    lslHosts->clearSelection();
    SaveHosts();
}

} // namespace kestrel
