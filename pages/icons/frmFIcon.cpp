#include "frmFIcon.h"

#include "resources/Catalogue.h"
#include "ui/FileIcon.h"
#include "ui/Module.h"
#include "ui/Placement.h"
#include "ui/RegQt.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kestrel {

namespace {

const QString Default = QStringLiteral("DEFAULT");

// Design measures, in twips.
constexpr int Left = 120;
constexpr int LabelHeight = 255;
constexpr int FieldHeight = 315;
constexpr int ImageSide = 480;
constexpr int ButtonHeight = 375;

} // namespace

frmFIcon::frmFIcon(QWidget* parent) : Page(parent) {
    Label1 = makeControl<QLabel>(this, "Label1");
    Text2 = makeControl<QLineEdit>(this, "Text2");
    Text2->setText(QStringLiteral("*."));
    Text2->setReadOnly(true);
    Text2->setFocusPolicy(Qt::NoFocus);
    TxtRas = makeControl<QLineEdit>(this, "TxtRas");
    Label4 = makeControl<QLabel>(this, "Label4");
    TxtFileInf = makeControl<QLineEdit>(this, "TxtFileInf");
    Label2 = makeControl<QLabel>(this, "Label2");
    Shape1 = makeControl<QFrame>(this, "Shape1");
    Shape1->setFrameShape(QFrame::Box);
    img = makeControl<QLabel>(this, "img");
    img->setAlignment(Qt::AlignCenter);
    TxtCurIco = makeControl<QLineEdit>(this, "TxtCurIco");
    Label3 = makeControl<QLabel>(this, "Label3");
    Shape2 = makeControl<QFrame>(this, "Shape2");
    Shape2->setFrameShape(QFrame::Box);
    img2 = makeControl<QLabel>(this, "img2");
    img2->setAlignment(Qt::AlignCenter);
    TxtSelIco = makeControl<QLineEdit>(this, "TxtSelIco");
    cmdbrowse = makeControl<QPushButton>(this, "cmdbrowse");
    cmdNewIco = makeControl<QPushButton>(this, "cmdNewIco");

    // Each picture sits in its frame, left of its text box.
    const int imageLeft = Left + 30;
    const int boxLeft = Left + ImageSide + 180;
    const int boxWidth = 4800;
    place({{Label1, Left, 120, 2400, LabelHeight},
           {Text2, Left, 390, 300, FieldHeight},
           {TxtRas, Left + 300, 390, 1200, FieldHeight},
           {Label4, Left, 840, 2400, LabelHeight},
           {TxtFileInf, Left, 1110, boxLeft + boxWidth - Left, FieldHeight},
           {Label2, Left, 1560, 2400, LabelHeight},
           {Shape1, Left, 1830, ImageSide + 60, ImageSide + 60},
           {img, imageLeft, 1860, ImageSide, ImageSide},
           {TxtCurIco, boxLeft, 1935, boxWidth, FieldHeight},
           {Label3, Left, 2520, 2400, LabelHeight},
           {Shape2, Left, 2790, ImageSide + 60, ImageSide + 60},
           {img2, imageLeft, 2820, ImageSide, ImageSide},
           {TxtSelIco, boxLeft, 2895, boxWidth, FieldHeight},
           {cmdbrowse, boxLeft, 3450, 2295, ButtonHeight},
           {cmdNewIco, boxLeft + 2505, 3450, 2295, ButtonHeight}});
    // The extension box starts with "txt", as designed; loading reads its type.
    TxtRas->setText(QStringLiteral("txt"));

    connect(TxtRas, &QLineEdit::textChanged, this, &frmFIcon::TxtRas_Change);
    connect(TxtCurIco, &QLineEdit::textChanged, this, &frmFIcon::TxtCurIco_Change);
    connect(cmdbrowse, &QPushButton::clicked, this, &frmFIcon::cmdbrowse_Click);
    connect(cmdNewIco, &QPushButton::clicked, this, &frmFIcon::cmdNewIco_Click);
}

void frmFIcon::Form_Load() {
    showDefault(img, shownCurrent_);
    Label1->setText(LoadResString(356));
    Label4->setText(LoadResString(355));
    Label2->setText(LoadResString(353));
    Label3->setText(LoadResString(354));
    cmdbrowse->setText(LoadResString(352));
    cmdNewIco->setText(LoadResString(351));
    TxtRas_Change();
}

QString frmFIcon::GetFIP(const QString& location) {
    if (location.size() < 4)
        return QStringLiteral("Error");
    const qsizetype comma = location.lastIndexOf(QLatin1Char(','));
    return comma < 0 ? location : location.left(comma);
}

void frmFIcon::TxtRas_Change() {
    Refresh();
}

void frmFIcon::Refresh() {
    extensionKey_ = QLatin1Char('.') + TxtRas->text();
    typeId_.clear();
    if (!Reg::GetString(HKEY_CLASSES_ROOT, extensionKey_, QString(), typeId_))
        typeId_.clear();
    TxtFileInf->setText(typeId_);
    currentLocation_.clear();
    if (!Reg::GetString(HKEY_CLASSES_ROOT, typeId_ + QStringLiteral("\\DefaultIcon"), QString(),
                        currentLocation_))
        currentLocation_.clear();
    TxtCurIco->setText(currentLocation_);
}

void frmFIcon::TxtCurIco_Change() {
    if (TxtCurIco->text().isEmpty()) {
        showDefault(img, shownCurrent_);
        return;
    }
    // The stored icon location, not the box: an edit of the box shows the stored icon again.
    const QString file = GetFIP(currentLocation_);
    if (file == QLatin1String("Error")) {
        showDefault(img, shownCurrent_);
        return;
    }
    showPicture(img, shownCurrent_, file);
}

void frmFIcon::cmdbrowse_Click() {
    TxtSelIco->setText(
        DialogBox().OpenFile(LoadResString(907), QStringLiteral("Icon Files|*.ico")));
    if (TxtSelIco->text().size() > 3)
        showPicture(img2, shownSelected_, TxtSelIco->text());
}

void frmFIcon::cmdNewIco_Click() {
    if (TxtSelIco->text().isEmpty()) {
        ShowWarning(LoadResString(908), LoadResString(909));
        return;
    }
    Refresh();
    newLocation_ = TxtSelIco->text() + QStringLiteral(",0");
    if (TxtFileInf->text().isEmpty()) {
        typeId_ = TxtRas->text() + QStringLiteral("_kestrel_file");
        Reg::SaveString(HKEY_CLASSES_ROOT, extensionKey_, QString(), typeId_);
    }
    Reg::SaveString(HKEY_CLASSES_ROOT, typeId_ + QStringLiteral("\\DefaultIcon"), QString(),
                    newLocation_);
    Refresh();
}

void frmFIcon::showPicture(QLabel* image, QString& shown, const QString& path) {
    const QImage picture = LoadPictureFile(path);
    if (picture.isNull()) {
        showDefault(image, shown);
        return;
    }
    image->setPixmap(QPixmap::fromImage(picture));
    shown = path;
}

void frmFIcon::showDefault(QLabel* image, QString& shown) {
    image->setPixmap(LoadResPicture(Default).pixmap(IconSide, IconSide));
    shown = Default;
}

} // namespace kestrel
